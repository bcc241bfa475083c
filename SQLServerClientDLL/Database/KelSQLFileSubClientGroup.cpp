#include "KelSQL/KelSQLFileSubClientGroup.h"

#include <vector>

#include "Db/Tbl/sqlFileSubClientGroup.h"
#include "KelSQL/KelNetSQLRegistry.h"
#include "KelSQL/KelSQLFile.h"
#include "KelSQL/KelSQLFileGroup.h"
#include "KelSQL/KelSQLFileSubClient.h"
#include "KelSQL/SqlFileSubClientGroupTable.h"
#include "RecordSupport.h"

using namespace kelsql::record;

namespace {

const kelsql::MessageRegistration<KelNetSQLFileSubClientGroup, kelsql::AnswerSide::Ostrel> registered;

int32_t toColumn(unsigned long value) { return static_cast<int32_t>(static_cast<uint32_t>(value)); }

bool brokenChain(KelLastError& err, const char* signature, unsigned long sqlFileSubClientId) {
    err.setNumber(kelsql::kErrBrokenChain);
    err.addArgument(signature);
    err.addArgument(sqlFileSubClientId);
    return false;
}

}  // namespace

// ---- the message

void KelNetSQLFileSubClientGroup::dumpRequest(const char* fn, const KelNetSQLFileSubClientGroupReq_t& req) {
    dumpNumber(fn, "SqlFileSubClientGroupId", static_cast<long long>(req.SqlFileSubClientGroupId));
}

void KelNetSQLFileSubClientGroup::dumpResponse(const char* fn, const KelNetSQLFileSubClientGroupRsp_t& rsp) {
    const KelNetSQLFileSubClientGroup_t& r = rsp.FileSubClientGroup;
    dumpNumber(fn, "SqlFileSubClientGroupId", static_cast<long long>(r.SqlFileSubClientGroupId));
    dumpNumber(fn, "SqlFileSubClientId", static_cast<long long>(r.SqlFileSubClientId));
    dumpNumber(fn, "TesselId", static_cast<long long>(r.TesselId));
    dumpNumber(fn, "SqlFileId", static_cast<long long>(r.SqlFileId));
    dumpNumber(fn, "SqlFileGroupId", static_cast<long long>(r.SqlFileGroupId));
    dumpNumber(fn, "SqlNextId", static_cast<long long>(r.SqlNextId));
}

bool KelNetSQLFileSubClientGroup::answer(KelNetSQLFileSubClientGroupReq_t& req, KelNetSQLFileSubClientGroupRsp_t& rsp) {
    KelSQLFileSubClientGroup member(context(), true);
    if (!member.query(static_cast<unsigned long>(req.SqlFileSubClientGroupId))) {
        getLastError() = member.getLastError();
        return false;
    }
    member.copyToNetwork(rsp.FileSubClientGroup);
    return true;
}

// ---- the record

KelSQLFileSubClientGroup::KelSQLFileSubClientGroup(KelSQLClassProperties& context, bool serverSide)
    : KelNetSQLFileSubClientGroup(context, false), context_(context), serverSide_(serverSide) {}

void KelSQLFileSubClientGroup::clear() {
    sqlId_ = sqlFileSubClientId_ = tesselId_ = sqlFileId_ = sqlFileGroupId_ = sqlNextId_ = 0;
    nextExplicit_ = false;
}

bool KelSQLFileSubClientGroup::copyError(KelLastError& from) {
    getLastError() = from;
    return false;
}

bool KelSQLFileSubClientGroup::requireOstrel(const char* signature) {
    return context_.isServerOperations() || fail(kelsql::kErrOstrelSideOnly, signature);
}

bool KelSQLFileSubClientGroup::requireTransaction(const char* signature) {
    return context_.isTransactionStarted() || fail(kelsql::kErrTranRequired, signature);
}

void KelSQLFileSubClientGroup::copyToNetwork(KelNetSQLFileSubClientGroup_t& rec) const {
    rec.SqlFileSubClientGroupId = sqlId_;
    rec.SqlFileSubClientId = sqlFileSubClientId_;
    rec.TesselId = tesselId_;
    rec.SqlFileId = sqlFileId_;
    rec.SqlFileGroupId = sqlFileGroupId_;
    rec.SqlNextId = sqlNextId_;
}

void KelSQLFileSubClientGroup::copyFromNetwork(const KelNetSQLFileSubClientGroup_t& rec) {
    sqlId_ = static_cast<unsigned long>(rec.SqlFileSubClientGroupId);
    sqlFileSubClientId_ = static_cast<unsigned long>(rec.SqlFileSubClientId);
    tesselId_ = static_cast<unsigned long>(rec.TesselId);
    sqlFileId_ = static_cast<unsigned long>(rec.SqlFileId);
    sqlFileGroupId_ = static_cast<unsigned long>(rec.SqlFileGroupId);
    sqlNextId_ = static_cast<unsigned long>(rec.SqlNextId);
}

void KelSQLFileSubClientGroup::copyToSql(SqlFileSubClientGroup_t& row) const {
    row.id = toColumn(sqlId_);
    row.tesselId = toColumn(tesselId_);
    row.sqlFileSubClientId = toColumn(sqlFileSubClientId_);
    row.sqlFileId = toColumn(sqlFileId_);
    row.sqlFileGroupId = toColumn(sqlFileGroupId_);
    row.nextId = toColumn(sqlNextId_);
}

void KelSQLFileSubClientGroup::copyFromSql(const SqlFileSubClientGroup_t& row) {
    sqlId_ = column(row.id);
    tesselId_ = column(row.tesselId);
    sqlFileSubClientId_ = column(row.sqlFileSubClientId);
    sqlFileId_ = column(row.sqlFileId);
    sqlFileGroupId_ = column(row.sqlFileGroupId);
    sqlNextId_ = column(row.nextId);
    nextExplicit_ = false;
}

// ---- reads

bool KelSQLFileSubClientGroup::serverQuery(unsigned long id) {
    const std::string where = kel::sql::format("id=%d", static_cast<int>(id));
    return readRow<SqlFileSubClientGroup>(getLastError(), context_, where.c_str(),
                                          "KelSQLFileSubClientGroup::query(sqlFileSubClientGroupId)", sqlCode_,
                                          [this](const SqlFileSubClientGroup_t& row) { copyFromSql(row); });
}

bool KelSQLFileSubClientGroup::query(unsigned long sqlFileSubClientGroupId) {
    static const char* kFn = "KelSQLFileSubClientGroup::query(sqlFileSubClientGroupId)";
    const unsigned long id = sqlFileSubClientGroupId ? sqlFileSubClientGroupId : sqlId_;
    if (!idNotSet(getLastError(), id, "sqlFileSubClientGroupId", kFn)) return false;
    switch (placeOf(context_, *this)) {
    case Where::Local: return serverQuery(id);
    case Where::Remote: {
        sqlId_ = id;
        KelNetSQLFileSubClientGroupReq_t* req = requestMessage(true);
        if (!req) return false;
        req->SqlFileSubClientGroupId = id;
        if (!exchange(getLastError())) return false;
        copyFromNetwork(responseMessage(false)->FileSubClientGroup);
        return true;
    }
    case Where::Neither: break;
    }
    return fail(kelsql::kErrOstrelSideOnly, kFn);
}

bool KelSQLFileSubClientGroup::rowCount(unsigned long sqlFileSubClientId, unsigned long& count,
                                        const char* signature) {
    count = 0;
    SqlFileSubClientGroup record(transactionOf(context_));
    record.setWhere("sqlFileSubClientId = %d", static_cast<int>(sqlFileSubClientId));
    int code = record.openCursor();
    if (code == 0) {
        while ((code = record.fetchCursor(true)) == 0) ++count;
        record.closeCursor();
    }
    sqlCode_ = code;
    return code == 100 || catalogueError(getLastError(), signature, record, code);
}

// ---- writes

bool KelSQLFileSubClientGroup::insert() {
    static const char* kFn = "KelSQLFileSubClientGroup::insert()";
    KelLastError& err = getLastError();
    if (!requireOstrel(kFn)) return false;
    if (!idNotSet(err, tesselId_, "TesselId", kFn) || !idNotSet(err, sqlFileSubClientId_, "SqlFileSubClientId", kFn))
        return false;
    if (sqlFileId_ == 0 && !idNotSet(err, sqlFileGroupId_, "SqlFileGroupId", kFn)) return false;
    if (sqlNextId_ != 0) {
        KelSQLFileSubClientGroup next(context_, false);
        if (!next.query(sqlNextId_)) {
            // A next row that is gone: the new row ends the chain.
            if (next.sqlCode() != 100) return copyError(next.getLastError());
            sqlNextId_ = 0;
        }
    }
    if (!requireTransaction(kFn)) return false;
    SqlFileSubClientGroup record(context_.getDBTransaction());
    SqlFileSubClientGroup_t& row = *record.getDataPtr();
    copyToSql(row);
    sqlCode_ = record.rowInsert(true);
    if (sqlCode_ != 0) return catalogueError(err, kFn, record, sqlCode_);
    copyFromSql(row);
    return true;
}

bool KelSQLFileSubClientGroup::update(unsigned long sqlFileSubClientGroupId) {
    static const char* kFn = "KelSQLFileSubClientGroup::update(sqlFileSubClientGroupId)";
    KelLastError& err = getLastError();
    if (!requireOstrel(kFn)) return false;
    const unsigned long id = sqlFileSubClientGroupId ? sqlFileSubClientGroupId : sqlId_;
    if (!idNotSet(err, id, "sqlFileSubClientGroupId", kFn)) return false;
    sqlId_ = id;
    // 0 cuts the chain here: only when the caller said so.
    if (!nextExplicit_ && !idNotSet(err, sqlNextId_, "sqlNextId", kFn)) return false;
    if (sqlNextId_ != 0) {
        KelSQLFileSubClientGroup next(context_, false);
        if (!next.query(sqlNextId_)) return copyError(next.getLastError());
    }
    if (!requireTransaction(kFn)) return false;
    SqlFileSubClientGroupTable table(context_.getDBTransaction());
    table.setWhere("id=%d", static_cast<int>(id));
    table.clearUpdateClause();
    table.setColumn(sqlNextId_, "nextId");
    nextExplicit_ = false;
    if (!runUpdateClause(err, kFn, table, sqlCode_)) return false;
    return query(sqlId_);
}

bool KelSQLFileSubClientGroup::addEntry(unsigned long sqlFileSubClientGroupIdRoot) {
    static const char* kFn = "KelSQLFileSubClientGroup::addEntry(sqlFileSubClientGroupIdRoot)";
    if (!requireOstrel(kFn) || !requireTransaction(kFn)) return false;
    setSqlNextId(sqlFileSubClientGroupIdRoot, false);
    return insert();
}

bool KelSQLFileSubClientGroup::deleteRow(unsigned long id, const char* signature) {
    SqlFileSubClientGroup record(context_.getDBTransaction());
    record.setWhere("id=%d", static_cast<int>(id));
    sqlCode_ = record.rowDelete();
    return sqlCode_ == 0 || sqlCode_ == 100 || catalogueError(getLastError(), signature, record, sqlCode_);
}

bool KelSQLFileSubClientGroup::deleteEntry(unsigned long sqlFileSubClientId, unsigned long sqlFileSubClientGroupId) {
    static const char* kFn = "KelSQLFileSubClientGroup::deleteEntry(sqlFileSubClientId, sqlFileSubClientGroupId)";
    KelLastError& err = getLastError();
    if (!requireOstrel(kFn) || !idNotSet(err, sqlFileSubClientId, "sqlFileSubClientId", kFn) ||
        !idNotSet(err, sqlFileSubClientGroupId, "sqlFileSubClientGroupId", kFn) || !requireTransaction(kFn))
        return false;
    KelSQLFileSubClient subclient(context_, false);
    if (!subclient.query(sqlFileSubClientId)) return copyError(subclient.getLastError());
    KelSQLFileSubClientGroup entry(context_, false);
    if (!entry.query(sqlFileSubClientGroupId)) return copyError(entry.getLastError());

    if (subclient.sqlFileSubClientGroupId() == sqlFileSubClientGroupId) {
        subclient.setSqlFileSubClientGroupId(entry.sqlNextId());
        if (!subclient.update(0)) return copyError(subclient.getLastError());
        return deleteRow(sqlFileSubClientGroupId, kFn);
    }
    // The walk visits at most every row of the subclient once; more means a
    // loop, an end without the row means it is not in this chain.
    unsigned long budget = 0;
    if (!rowCount(sqlFileSubClientId, budget, kFn)) return false;
    KelSQLFileSubClientGroup previous(context_, false);
    for (unsigned long at = subclient.sqlFileSubClientGroupId(); at != 0; at = previous.sqlNextId()) {
        if (budget-- == 0) break;
        if (!previous.query(at)) return copyError(previous.getLastError());
        if (previous.sqlNextId() != sqlFileSubClientGroupId) continue;
        previous.setSqlNextId(entry.sqlNextId(), true);
        if (!previous.update(0)) return copyError(previous.getLastError());
        return deleteRow(sqlFileSubClientGroupId, kFn);
    }
    return brokenChain(err, kFn, sqlFileSubClientId);
}

bool KelSQLFileSubClientGroup::deleteGroup(unsigned long sqlFileSubClientId) {
    static const char* kFn = "KelSQLFileSubClientGroup::deleteGroup(sqlFileSubClientId)";
    if (!requireOstrel(kFn) || !idNotSet(getLastError(), sqlFileSubClientId, "sqlFileSubClientId", kFn) ||
        !requireTransaction(kFn))
        return false;
    SqlFileSubClientGroup record(context_.getDBTransaction());
    record.setWhere("sqlFileSubClientId = %d", static_cast<int>(sqlFileSubClientId));
    sqlCode_ = record.rowDelete();
    return sqlCode_ == 0 || sqlCode_ == 100 || catalogueError(getLastError(), kFn, record, sqlCode_);
}

// ---- repair after removal detection

bool KelSQLFileSubClientGroup::memberGroup(unsigned long id, unsigned long& replacement, bool& removed,
                                           const char* signature) {
    KelSQLFileGroup group(context_, false);
    if (!group.query(id)) return copyError(group.getLastError());
    if (group.getRemovalTime().time() == 0) return true;
    KelSQLFileGroup present(context_, false);
    if (present.findValidFileGrpFordb(group.sqlDatabaseId(), group.id())) {
        replacement = present.sqlId();
        return true;
    }
    if (present.getLastError().number() == kelsql::kErrRowOperation && present.sqlCode() == 100) {
        removed = true;
        return true;
    }
    if (present.getLastError().number() == 0) return fail(kelsql::kErrOstrelSideOnly, signature);
    return copyError(present.getLastError());
}

bool KelSQLFileSubClientGroup::memberFile(unsigned long id, unsigned long& replacement, bool& removed,
                                          const char* signature) {
    KelSQLFile file(context_, false);
    if (!file.query(id)) return copyError(file.getLastError());
    if (file.getRemovalTime().time() == 0) return true;
    KelSQLFile present(context_, false);
    if (present.findValidFileForFG(file.sqlFileGroupId(), file.id())) {
        replacement = present.sqlId();
        return true;
    }
    if (present.getLastError().number() == kelsql::kErrRowOperation && present.sqlCode() == 100) {
        removed = true;
        return true;
    }
    if (present.getLastError().number() == 0) return fail(kelsql::kErrOstrelSideOnly, signature);
    return copyError(present.getLastError());
}

unsigned long KelSQLFileSubClientGroup::updateContent(unsigned long sqlFileSubClientGroupId, unsigned long& newNextId,
                                                      bool& nextIdPending, bool& contentChanged) {
    static const char* kFn =
        "KelSQLFileSubClientGroup::updateContent(sqlFileSubClientGroupId, newNextId, nextIdPending, contentChanged)";
    if (!requireOstrel(kFn)) return 0;
    // The start is always named: the object's own row is no default here.
    if (!idNotSet(getLastError(), sqlFileSubClientGroupId, "sqlFileSubClientGroupId", kFn) ||
        !query(sqlFileSubClientGroupId))
        return 0;
    // The rows from here to the end, bounded by the subclient's rows; then
    // repaired from the end towards the start, so that a deleted row's
    // successor is known when its predecessor is written.
    unsigned long budget = 0;
    if (!rowCount(sqlFileSubClientId_, budget, kFn)) return 0;
    std::vector<unsigned long> chain{sqlId_};
    for (unsigned long next = sqlNextId_; next != 0;) {
        if (chain.size() >= budget) {
            brokenChain(getLastError(), kFn, sqlFileSubClientId_);
            return 0;
        }
        KelSQLFileSubClientGroup row(context_, false);
        if (!row.query(next)) {
            copyError(row.getLastError());
            return 0;
        }
        chain.push_back(next);
        next = row.sqlNextId();
    }
    if (!requireTransaction(kFn)) return 0;
    unsigned long owner = 0;
    for (auto at = chain.rbegin(); at != chain.rend(); ++at)
        if ((owner = repairRow(*at, newNextId, nextIdPending, contentChanged, kFn)) == 0) return 0;
    return owner;
}

unsigned long KelSQLFileSubClientGroup::repairRow(unsigned long id, unsigned long& newNextId, bool& nextIdPending,
                                                  bool& contentChanged, const char* signature) {
    if (!query(id)) return 0;
    unsigned long groupReplacement = 0, fileReplacement = 0;
    bool removed = false;
    if (sqlFileGroupId_ != 0 && !memberGroup(sqlFileGroupId_, groupReplacement, removed, signature)) return 0;
    if (sqlFileId_ != 0) {
        bool fileRemoved = false;
        if (!memberFile(sqlFileId_, fileReplacement, fileRemoved, signature)) return 0;
        if (removed) fileReplacement = 0;
        removed = removed || fileRemoved;
    }
    SqlFileSubClientGroupTable table(context_.getDBTransaction());
    table.setWhere("id=%d", static_cast<int>(id));
    table.clearUpdateClause();
    if (groupReplacement) table.setColumn(groupReplacement, "sqlFileGroupId");
    if (fileReplacement) table.setColumn(fileReplacement, "sqlFileId");
    if (nextIdPending) {
        table.setColumn(newNextId, "nextId");
        nextIdPending = false;
        newNextId = 0;
    }
    if (!table.getUpdateClause().empty()) {
        contentChanged = true;
        return runUpdateClause(getLastError(), signature, table, sqlCode_) ? sqlFileSubClientId_ : 0;
    }
    if (removed) {
        // The row before this one must skip it.
        contentChanged = true;
        newNextId = sqlNextId_;
        nextIdPending = true;
        SqlFileSubClientGroup record(context_.getDBTransaction());
        record.setWhere("id=%d", static_cast<int>(id));
        sqlCode_ = record.rowDelete();
        if (sqlCode_ != 0) {
            catalogueError(getLastError(), signature, record, sqlCode_);
            return 0;
        }
    }
    return sqlFileSubClientId_;
}
