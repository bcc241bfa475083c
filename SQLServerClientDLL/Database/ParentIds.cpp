#include "ParentIds.h"

#include <type_traits>

#include "Db/Tbl/sqlFileGroup.h"
#include "KelSQL/KelNetSQLFile.h"
#include "RecordSupport.h"

namespace kelsql::record {

namespace {

// The wire fields the names travel in; a name that fills one to its last
// byte is refused, never cut.
constexpr size_t kClientField = sizeof(KelNetSQLFile_t::ClientName);
constexpr size_t kNameField = sizeof(KelNetSQLFile_t::DatabaseName);

struct NameField {
    const std::string& value;
    size_t size;
    const char* name;
};

bool namesPresent(KelLastError& err, const ParentNames& names, const char* signature) {
    const NameField fields[] = {{names.client, kClientField, "clientName"},
                                {names.server, kNameField, "serverName"},
                                {names.database, kNameField, "databaseName"},
                                {names.fileGroup, kNameField, "fileGroupName"}};
    for (int i = 0; i < names.kind; ++i)
        if (!stringEmpty(err, fields[i].value, fields[i].name, signature) ||
            !textFits(err, fields[i].value, fields[i].size, fields[i].name, signature))
            return false;
    return true;
}

template <typename Record>
bool idOfRow(KelLastError& err, KelSQLClassProperties& ctx, const char* where, const char* signature,
             unsigned long& id, long long& code) {
    Record record(transactionOf(ctx));
    record.setWhere("%s", where);
    code = record.getOneRow(&record, false, -1, 0);
    if (code != 0) return catalogueError(err, signature, record, code);
    const auto& row = *record.getDataPtr();
    if constexpr (std::is_same_v<Record, SqlDatabase>) id = column(row.backupSetId);
    else id = column(row.id);
    return true;
}

}  // namespace

bool ParentNames::given() const {
    const std::string* names[] = {&client, &server, &database, &fileGroup};
    for (int i = 0; i < kind; ++i)
        if (!names[i]->empty()) return true;
    return false;
}

bool parentByNames(KelLastError& err, KelSQLClassProperties& ctx, const ParentNames& names, const char* where,
                   const char* signature, unsigned long& id, long long& code) {
    id = 0;
    code = 0;
    if (!namesPresent(err, names, signature)) return false;
    const unsigned long tesselId = ctx.getOstrel().getTesselId();
    if (tesselId == 0) {
        const uint64_t number = ctx.getOstrel().getLastError().number();
        fail(err, number ? number : kErrRequestIds, signature);
        if (!number) err.addArgument(where);
        return false;
    }
    unsigned long found = 0;
    if (!getInstanceByName(tesselId, err, names.client, names.server, &found, transactionOf(ctx))) return false;
    if (names.kind >= ParentNames::Database) {
        const std::string byName = kel::sql::format("sqlServerId = %d and databaseName = %s", static_cast<int>(found),
                                                    kel::sql::quoted(names.database).c_str());
        if (!idOfRow<SqlDatabase>(err, ctx, byName.c_str(), signature, found, code)) return false;
    }
    if (names.kind >= ParentNames::FileGroup) {
        const std::string byName = kel::sql::format("sqlDatabaseId = %d and fileGroupName = %s",
                                                    static_cast<int>(found), kel::sql::quoted(names.fileGroup).c_str());
        if (!idOfRow<SqlFileGroup>(err, ctx, byName.c_str(), signature, found, code)) return false;
    }
    id = found;
    return true;
}

bool valueMismatch(KelLastError& err, const char* field, const char* signature, const std::string& against,
                   const std::string& detail) {
    err.setNumber(kErrValueNotSet);
    err.addArgument(field);
    err.addArgument(signature);
    err.addArgument(against);
    err.addArgument(detail);
    return false;
}

bool ownParentId(KelLastError& err, uint64_t& sent, unsigned long designated, const char* field,
                 const char* designatedBy, const char* signature) {
    if (sent == designated) return true;
    if (sent == 0) {
        sent = designated;
        return true;
    }
    return valueMismatch(err, field, signature, designatedBy,
                         std::to_string(sent) + " where they designate " + std::to_string(designated));
}

bool parentOfNames(KelLastError& err, KelSQLClassProperties& ctx, const ParentNames& names, uint64_t& sent,
                   const char* field, const char* signature, long long& code) {
    static const char* const kNames[] = {"", "", "clientName, serverName", "clientName, serverName, databaseName",
                                         "clientName, serverName, databaseName, fileGroupName"};
    unsigned long designated = 0;
    return parentByNames(err, ctx, names, field, signature, designated, code) &&
           ownParentId(err, sent, designated, field, kNames[names.kind], signature);
}

}  // namespace kelsql::record
