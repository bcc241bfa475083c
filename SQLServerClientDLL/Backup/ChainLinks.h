// The backups a restore-chain walk takes, newest first, with the LSNs that
// decide whether a server can restore them one after the other.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "ChainRows.h"
#include "KelSQL/KelSQLDatabaseLSNList.h"
#include "KelSQL/KelSQLErrors.h"
#include "platform/events/KelLastError.h"

namespace kelsql::chain {

class ChainLinks {
public:
    bool has(uint64_t id) const { return taken_.count(id) != 0; }
    // Appends row (newer segments first, each newest first); a set taken
    // before is not taken again.
    void add(const SqlLSNs_t& row) {
        if (!taken_.emplace(idOf(row), links_.size()).second) return;
        links_.push_back(
            {idOf(row), row.backupType, kel::fieldText(row.firstLSN), kel::fieldText(row.lastLSN), row.finishTime});
    }

    // The sets of ids as items in that order, from the rows the walk read:
    // the browse needs not read them again. The agent's numbers of the sets
    // are left 0. False, and none, when an id was not taken.
    bool items(const std::vector<uint64_t>& ids, std::vector<KelSQLDBRestoreBackupSetItem_t>& out) const {
        out.clear();
        out.reserve(ids.size());
        for (uint64_t id : ids) {
            auto at = taken_.find(id);
            if (at == taken_.end()) {
                out.clear();
                return false;
            }
            const Link& link = links_[at->second];
            KelSQLDBRestoreBackupSetItem_t item;
            item.sqlBackupSetId = id;
            item.finishTime = secondsOf(link.finish);
            item.backupType = link.type;
            out.push_back(item);
        }
        return true;
    }

    // The chain oldest first as a server restores it: the full, at most one
    // differential, then the logs. Logs that end at or before the last LSN
    // of the backup restored before them hold nothing to apply and are left
    // out; the first log kept must hold that LSN and each later one start
    // where the one before ended. A chain that cannot meet this is no chain:
    // false with 0x1E000033 (signature, the LSN where it breaks). The caller
    // decides nothing from ids on false.
    bool restoreOrder(std::vector<uint64_t>& ids, KelLastError& err, const char* signature) const {
        ids.clear();
        std::vector<const Link*> order;
        for (auto it = links_.rbegin(); it != links_.rend(); ++it) order.push_back(&*it);
        size_t base = order.size();
        for (size_t i = 0; i < order.size(); ++i)
            if (order[i]->type != kLog) base = i;
        if (order.empty() || base == order.size() || !isFull(order.front()->type))
            return chainError(err, signature, "no full backup heads the chain");
        for (size_t i = 0; i <= base; ++i) ids.push_back(order[i]->id);
        std::string reached = order[base]->last;
        bool first = true;
        for (size_t i = base + 1; i < order.size(); ++i) {
            const Link& log = *order[i];
            if (first && compareLSN(log.last.c_str(), reached.c_str()) <= 0) continue;
            const bool joins = first ? compareLSN(log.first.c_str(), reached.c_str()) <= 0
                                     : compareLSN(log.first.c_str(), reached.c_str()) == 0;
            if (!joins) return chainError(err, signature, "the log chain breaks at LSN " + reached);
            ids.push_back(log.id);
            reached = log.last;
            first = false;
        }
        // The set asked for must itself be restored, last.
        if (ids.back() != order.back()->id)
            return chainError(err, signature,
                          "backup set " + std::to_string(order.back()->id) + " ends at or before LSN " + reached +
                              ", where the backup restored before it ends");
        return true;
    }

private:
    struct Link {
        uint64_t id;
        int type;
        std::string first, last;
        DB_DATETIME finish;
    };
    std::vector<Link> links_;
    std::unordered_map<uint64_t, size_t> taken_;  // id: its place in links_
};

}  // namespace kelsql::chain
