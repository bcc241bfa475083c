// A walk along rows linked by next: it remembers every id it has passed, so
// that a chain that comes round to an id again ends the walk instead of
// running for ever.
#pragma once

#include <string>
#include <unordered_set>
#include <vector>

#include "KelSQL/KelSQLErrors.h"
#include "platform/events/KelLastError.h"

namespace kelsql::backup {

class ChainWalk {
public:
    // False, with 0x1E000033 (signature, table, why) in err, when id was
    // passed before.
    bool enter(unsigned long id, KelLastError& err, const char* signature, const char* table) {
        if (seen_.insert(id).second) {
            order_.push_back(id);
            return true;
        }
        err.setNumber(kErrRowOperation);
        err.addArgument(signature);
        err.addArgument(table);
        err.addArgument("the chain comes round to id " + std::to_string(id) + " again");
        return false;
    }
    // The ids in the order they were passed.
    const std::vector<unsigned long>& order() const { return order_; }
    // Deletes the rows passed through record, the last passed first: 0, else
    // the database's answer for the row that could not go.
    template <typename Record>
    long long deleteFromTail(Record& record) const {
        for (auto it = order_.rbegin(); it != order_.rend(); ++it) {
            record.setWhere("id=%d", static_cast<int>(*it));
            const long long code = record.rowDelete();
            if (code != 0) return code;
        }
        return 0;
    }

private:
    std::unordered_set<unsigned long> seen_;
    std::vector<unsigned long> order_;
};

}  // namespace kelsql::backup
