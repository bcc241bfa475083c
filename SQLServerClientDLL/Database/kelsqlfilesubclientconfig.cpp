#include "KelSQL/KelSQLFileSubClientConfig.h"

#include <ctime>

#include "Db/Tbl/sqlFileSubClientGroup.h"
#include "KelSQL/KelSQLAppId.h"
#include "KelSQL/KelSQLDatabase.h"
#include "KelSQL/KelSQLFileGroup.h"
#include "KelSQL/KelSQLFileSubClient.h"
#include "KelSQL/KelSQLFileSubClientGroup.h"
#include "KelSQL/KelSQLServer.h"
#include "../Records/WriteScope.h"
#include "RecordSupport.h"

using kelsql::record::column;
using kelsql::record::transactionOf;

namespace {

constexpr const char* kUpdateLayout = "KelSQLFileSubClientConfig::updateFileSubClientLayout(layout)";

unsigned long id32(uint64_t id) { return static_cast<unsigned long>(id); }

}  // namespace

KelSQLFileSubClientConfig::KelSQLFileSubClientConfig(KelSQLClassProperties& context) : context_(context) { clear(); }

KelSQLFileSubClientConfig::~KelSQLFileSubClientConfig() = default;

void KelSQLFileSubClientConfig::clear() {
    subClient_ = std::make_unique<KelSQLFileSubClient>(context_, false);
    group_ = std::make_unique<KelSQLFileSubClientGroup>(context_, false);
    archiveGroupId_ = 0;
    entries_.clear();
}

void KelSQLFileSubClientConfig::setSubClientName(const std::string& name) { subClient_->setSubClientName(name); }

void KelSQLFileSubClientConfig::setTesselId(uint64_t id) { subClient_->setTesselId(id32(id)); }

// ---- helpers

bool KelSQLFileSubClientConfig::fail(uint64_t number, const char* signature) {
    error_.setNumber(number);
    error_.addArgument(signature);
    return false;
}

bool KelSQLFileSubClientConfig::copyError(KelLastError& from) {
    error_ = from;
    return false;
}

bool KelSQLFileSubClientConfig::requireOstrel(const char* signature) {
    return context_.isServerOperations() || fail(kelsql::kErrOstrelSideOnly, signature);
}

bool KelSQLFileSubClientConfig::requireTransaction(const char* signature) {
    return context_.isTransactionStarted() || fail(kelsql::kErrTranRequired, signature);
}

bool KelSQLFileSubClientConfig::requireLoaded(const char* signature) {
    return idNotSet(error_, subClient_->sqlId(), "sqlFileSubClientId", signature);
}

void KelSQLFileSubClientConfig::reset() {
    if (subClient_->sqlId() != 0) clear();
}

bool KelSQLFileSubClientConfig::databaseRefuses(const KelSQLDatabaseLayout& layout) {
    const KelSQLDatabaseLayoutFlags& flags = layout.layoutFlags();
    if (!flags.isClientRemoved() && !flags.isLogicallyDeleted()) return false;
    error_.setCritical(flags.isClientRemoved() ? kelsql::kErrSubclientUpdate : kelsql::kErrSubclientCreate);
    error_.addArgument(layout.databaseName());
    return true;
}

// ---- the member list

bool KelSQLFileSubClientConfig::addSqlFileGroupId(uint64_t sqlFileGroupId) {
    if (!idNotSet(error_, id32(sqlFileGroupId), "sqlFileGroupId",
                  "KelSQLFileSubClientConfig::addSqlFileGroupId(sqlFileGroupId)"))
        return false;
    entries_.push_back({0, sqlFileGroupId, 0});
    return true;
}

bool KelSQLFileSubClientConfig::addSqlFileId(uint64_t sqlFileGroupId, uint64_t sqlFileId) {
    static const char* kFn = "KelSQLFileSubClientConfig::addSqlFileId(sqlFileGroupId, sqlFileId)";
    if (!idNotSet(error_, id32(sqlFileGroupId), "sqlFileGroupId", kFn) ||
        !idNotSet(error_, id32(sqlFileId), "sqlFileId", kFn))
        return false;
    entries_.push_back({0, sqlFileGroupId, sqlFileId});
    return true;
}

// ---- the subclient

bool KelSQLFileSubClientConfig::insert(const std::string& clientName, uint64_t sqlDatabaseId) {
    static const char* kFn = "KelSQLFileSubClientConfig::insert(clientName, sqlDatabaseId)";
    if (!requireOstrel(kFn)) return false;
    // SQL Server 7 databases have no file subclients.
    if (context_.getSQLDSN().sqlAppType().isSql7AppType()) return fail(kelsql::kErrLogMark, kFn);
    if (!stringEmpty(error_, clientName, "clientName", kFn) ||
        !idNotSet(error_, id32(archiveGroupId_), "archiveGroupId", kFn) ||
        !idNotSet(error_, id32(sqlDatabaseId), "sqlDatabaseId", kFn))
        return false;
    if (entries_.empty()) {
        error_.setNumber(kelsql::kErrValueNotSet);
        error_.addArgument("group");
        error_.addArgument(kFn);
        return false;
    }
    KelSQLDatabase database(context_, false);
    if (!database.query(id32(sqlDatabaseId), nullptr)) return copyError(database.getLastError());
    KelSQLServer server(context_, false);
    if (!server.query(database.sqlServerId())) return copyError(server.getLastError());
    if (!requireTransaction(kFn)) return false;
    if (subClient_->subClientName().empty()) {
        KelSQLFileGroup first(context_, false);
        if (!first.query(id32(entries_.front().sqlFileGroupId))) return copyError(first.getLastError());
        subClient_->setSubClientName(first.fileGroupName());
    }
    subClient_->setSqlDatabaseId(id32(sqlDatabaseId));
    // The subclient, its members and its application id stand or fall together.
    kelsql::WriteScope scope(context_);
    if (!scope.open(error_, kFn)) return false;
    if (!subClient_->insert()) return copyError(subClient_->getLastError());
    if (!insertMembers()) return false;
    KelSQLAppId appId(context_, false);
    appId.setArchiveGroupNameId(id32(archiveGroupId_));
    appId.setLogArchiveGroupNameId(id32(archiveGroupId_));
    appId.setClientName(clientName);
    if (!appId.setApplicationType(context_.getSQLDSN().sqlAppType().sqlAppType())) return copyError(appId.getLastError());
    appId.setServerName(server.sqlServerName());
    appId.setDatabaseName(database.databaseName());
    appId.setSubClientName(subClient_->subClientName());
    appId.setSqlFileSubClientId(subClient_->sqlId());
    if (!appId.create()) return copyError(appId.getLastError());
    subClient_->setApplicationNumber(appId.applicationId());
    subClient_->setSqlFileSubClientGroupId(id32(entries_.back().sqlFileSubClientGroupId));
    if (!subClient_->update(0)) return copyError(subClient_->getLastError());
    return scope.keep(error_, kFn);
}

// Each row points at the one inserted before it: the first entry ends the
// chain and the last one heads it.
bool KelSQLFileSubClientConfig::insertMembers() {
    unsigned long previous = 0;
    for (KelSQL_FSC_Entry_t& entry : entries_) {
        group_->clear();
        group_->setTesselId(subClient_->tesselId());
        group_->setSqlFileSubClientId(subClient_->sqlId());
        if (entry.sqlFileId != 0)
            group_->setSqlFileId(id32(entry.sqlFileGroupId), id32(entry.sqlFileId));
        else
            group_->setSqlFileGroupId(id32(entry.sqlFileGroupId));
        group_->setSqlNextId(previous, false);
        if (!group_->insert()) return copyError(group_->getLastError());
        previous = group_->sqlId();
        entry.sqlFileSubClientGroupId = previous;
    }
    return true;
}

bool KelSQLFileSubClientConfig::query(uint64_t sqlFileSubClientId) {
    static const char* kFn = "KelSQLFileSubClientConfig::query(sqlFileSubClientId)";
    if (!requireOstrel(kFn)) return false;
    reset();
    if (!subClient_->query(id32(sqlFileSubClientId))) return copyError(subClient_->getLastError());
    return readMembers(subClient_->sqlId(), kFn);
}

bool KelSQLFileSubClientConfig::readMembers(uint64_t sqlFileSubClientId, const char* signature) {
    entries_.clear();
    SqlFileSubClientGroup record(transactionOf(context_));
    record.setWhere("SqlFileSubClientId = %d", static_cast<int>(sqlFileSubClientId));
    record.setOrderBy("id");
    int code = record.openCursor();
    if (code == 100) return true;
    if (code != 0) return kelsql::record::catalogueError(error_, signature, record, code);
    const SqlFileSubClientGroup_t& row = *record.getDataPtr();
    while ((code = record.fetchCursor(true)) == 0)
        entries_.push_back({column(row.id), column(row.sqlFileGroupId), column(row.sqlFileId)});
    record.closeCursor();
    if (code == 100) return true;
    entries_.clear();
    return kelsql::record::catalogueError(error_, signature, record, code);
}

bool KelSQLFileSubClientConfig::addGroupEntry(uint64_t sqlFileGroupId, uint64_t sqlFileId) {
    static const char* kFn = "KelSQLFileSubClientConfig::addGroupEntry(sqlFileGroupId, sqlFileId)";
    if (!requireOstrel(kFn) || !idNotSet(error_, id32(sqlFileGroupId), "sqlFileGroupId", kFn) ||
        !requireLoaded(kFn))
        return false;
    if (!subClient_->query(0)) return copyError(subClient_->getLastError());
    if (group_->sqlId() != 0) group_->clear();
    group_->setTesselId(subClient_->tesselId());
    group_->setSqlFileSubClientId(subClient_->sqlId());
    if (sqlFileId == 0)
        group_->setSqlFileGroupId(id32(sqlFileGroupId));
    else
        group_->setSqlFileId(id32(sqlFileGroupId), id32(sqlFileId));
    if (!group_->addEntry(subClient_->sqlFileSubClientGroupId())) return copyError(group_->getLastError());
    subClient_->setFullRequiredFlagOn();
    subClient_->setSqlFileSubClientGroupId(group_->sqlId());
    if (!subClient_->update(0)) return copyError(subClient_->getLastError());
    entries_.push_back({group_->sqlId(), group_->sqlFileGroupId(), group_->sqlFileId()});
    return true;
}

bool KelSQLFileSubClientConfig::deleteGroupEntry(uint64_t sqlFileSubClientGroupId) {
    static const char* kFn = "KelSQLFileSubClientConfig::deleteGroupEntry(ssqlFileSubClientGroupId)";
    if (!requireOstrel(kFn) || !requireLoaded(kFn)) return false;
    if (!group_->deleteEntry(subClient_->sqlId(), id32(sqlFileSubClientGroupId)))
        return copyError(group_->getLastError());
    if (!subClient_->query(0)) return copyError(subClient_->getLastError());
    if (!subClient_->isFullRequired()) {
        subClient_->setFullRequiredFlagOn();
        if (!subClient_->update(0)) return copyError(subClient_->getLastError());
    }
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
        if (it->sqlFileSubClientGroupId != sqlFileSubClientGroupId) continue;
        entries_.erase(it);
        break;
    }
    return true;
}

bool KelSQLFileSubClientConfig::logicalDeletion(uint64_t sqlFileSubClientId) {
    static const char* kFn = "KelSQLFileSubClientConfig::logicalDeletion(sqlFileSubClientId)";
    if (!requireOstrel(kFn)) return false;
    reset();
    subClient_->setDeleteFlagOn();
    subClient_->setSubClientName(std::to_string(static_cast<long>(std::time(nullptr))));
    return subClient_->update(id32(sqlFileSubClientId)) || copyError(subClient_->getLastError());
}

bool KelSQLFileSubClientConfig::forceDeletion(uint64_t sqlFileSubClientId) {
    if (!requireOstrel("KelSQLFileSubClientConfig::forceDeletion(sqlFileSubClientId)")) return false;
    reset();
    return subClient_->deleteEntry(id32(sqlFileSubClientId)) || copyError(subClient_->getLastError());
}

// ---- layouts

bool KelSQLFileSubClientConfig::getDatabaseLayout(uint64_t sqlDatabaseId, KelSQLDatabaseLayout& layout) {
    static const char* kFn = "KelSQLFileSubClientConfig::getDatabaseLayout(sqlDatabaseId, layout)";
    if (!requireOstrel(kFn) || !idNotSet(error_, id32(sqlDatabaseId), "sqlDatabaseId", kFn)) return false;
    KelSQLDatabase database(context_, false);
    return database.getDatabaseLayout(layout, id32(sqlDatabaseId)) || copyError(database.getLastError());
}

bool KelSQLFileSubClientConfig::getFileSubClientLayout(uint64_t sqlFileSubClientId, KelSQLDatabaseLayout& layout) {
    static const char* kFn = "KelSQLFileSubClientConfig::getFileSubClientLayout(sqlFileSubClientId, layout)";
    if (!requireOstrel(kFn) || !idNotSet(error_, id32(sqlFileSubClientId), "sqlFileSubClientId", kFn) ||
        !query(sqlFileSubClientId))
        return false;
    KelSQLDatabase database(context_, false);
    if (!database.getDatabaseLayout(layout, subClient_->sqlDatabaseId())) return copyError(database.getLastError());
    KelSQLDatabaseLayoutInternal view(layout);
    view.setSqlFileSubClientId(subClient_->sqlId());
    std::list<KelSQL_FSC_Entry_t> remaining = entries_;
    for (KelSQLDatabaseFileGroup& node : view.fileGroupList()) {
        KelSQLDatabaseFileGroupInternal group(node);
        for (auto it = remaining.begin(); it != remaining.end();) {
            if (it->sqlFileGroupId != group.sqlFileGroupId()) {
                ++it;
                continue;
            }
            if (it->sqlFileId == 0) {
                // A whole-group member is marked Configured, the bit the
                // update reads it by.
                group.setSqlFileSubClientGroupId(it->sqlFileSubClientGroupId);
                group.flags().setConfiguredOn();
                for (KelSQLDatabaseFile& leaf : group.fileList()) {
                    KelSQLDatabaseFileInternal file(leaf);
                    file.flags().setFileGroupConfiguredOn();
                    file.update();
                }
            } else {
                group.flags().setFileConfiguredOn();
                for (KelSQLDatabaseFile& leaf : group.fileList()) {
                    if (leaf.sqlFileId() != it->sqlFileId) continue;
                    KelSQLDatabaseFileInternal file(leaf);
                    file.setSqlFileSubClientGroupId(it->sqlFileSubClientGroupId);
                    file.flags().setConfiguredOn();
                    file.update();
                    break;
                }
            }
            it = remaining.erase(it);
        }
        group.update();
    }
    view.update();
    return true;
}

bool KelSQLFileSubClientConfig::updateFileSubClientLayout(KelSQLDatabaseLayout& layout) {
    if (!requireOstrel(kUpdateLayout)) return false;
    if (layout.sqlDatabaseId() == 0 || layout.sqlFileSubClientId() == 0 || layout.fileGroupList().empty()) {
        error_.setNumber(kelsql::kErrValueNotSet);
        error_.addArgument("layout");
        error_.addArgument(kUpdateLayout);
        return false;
    }
    if (databaseRefuses(layout) || !requireTransaction(kUpdateLayout) || !query(layout.sqlFileSubClientId()))
        return false;
    const KelSQLDatabaseLayout kept = layout;
    KelSQLDatabaseLayoutInternal view(layout);
    // A change that fails part way leaves the rows as well as the layout as they were.
    kelsql::WriteScope scope(context_);
    if (!scope.open(error_, kUpdateLayout) || !removals(view) || !additions(view) ||
        !scope.keep(error_, kUpdateLayout)) {
        layout = kept;
        return false;
    }
    view.update();
    return true;
}

bool KelSQLFileSubClientConfig::removals(KelSQLDatabaseLayoutInternal& view) {
    for (KelSQLDatabaseFileGroup& node : view.fileGroupList()) {
        KelSQLDatabaseFileGroupInternal group(node);
        bool groupRemoved = false, groupAdded = false, fileConfigured = false;
        const auto dropGroupRow = [&]() {
            if (!deleteGroupEntry(group.sqlFileSubClientGroupId())) return false;
            groupRemoved = true;
            group.flags().setConfiguredOff();
            group.flags().setDeleteOperationOff();
            group.setSqlFileSubClientGroupId(0);
            return true;
        };
        if (group.layoutFlags().isDeleteOperation()) {
            if (!dropGroupRow()) return false;
        } else if (group.layoutFlags().isAddOperation()) {
            groupAdded = true;
            group.flags().setFileConfiguredOff();
        }
        for (KelSQLDatabaseFile& leaf : group.fileList()) {
            KelSQLDatabaseFileInternal file(leaf);
            const KelSQLDatabaseLayoutFlags& flags = file.layoutFlags();
            if (groupRemoved) {
                file.flags().setFileGroupConfiguredOff();
            } else if (!flags.isAddOperation()) {
                // A single-file member of a group being added as a whole goes.
                if (flags.isDeleteOperation() || (groupAdded && flags.isConfigured())) {
                    if (!deleteGroupEntry(file.sqlFileSubClientGroupId())) return false;
                    file.flags().setConfiguredOff();
                    file.flags().setDeleteOperationOff();
                    file.setSqlFileSubClientGroupId(0);
                }
            } else if (groupAdded) {
                file.flags().setAddOperationOff();  // the group's row covers the file
            } else if (group.layoutFlags().isConfigured()) {
                if (!dropGroupRow()) return false;
                file.flags().setFileGroupConfiguredOff();
            }
            if (file.layoutFlags().isConfigured()) fileConfigured = true;
            file.update();
        }
        // The files met before the group's row went lose its mark too.
        if (groupRemoved)
            for (KelSQLDatabaseFile& leaf : group.fileList()) {
                KelSQLDatabaseFileInternal file(leaf);
                file.flags().setFileGroupConfiguredOff();
                file.update();
            }
        fileConfigured ? group.flags().setFileConfiguredOn() : group.flags().setFileConfiguredOff();
        group.update();
    }
    return true;
}

bool KelSQLFileSubClientConfig::additions(KelSQLDatabaseLayoutInternal& view) {
    for (KelSQLDatabaseFileGroup& node : view.fileGroupList()) {
        KelSQLDatabaseFileGroupInternal group(node);
        if (group.layoutFlags().isAddOperation()) {
            if (!addGroupEntry(group.sqlFileGroupId(), 0)) return false;
            group.flags().setConfiguredOn();
            group.flags().setAddOperationOff();
            group.setSqlFileSubClientGroupId(group_->sqlId());
            for (KelSQLDatabaseFile& leaf : group.fileList()) {
                KelSQLDatabaseFileInternal file(leaf);
                file.flags().setFileGroupConfiguredOn();
                file.update();
            }
        } else {
            for (KelSQLDatabaseFile& leaf : group.fileList()) {
                if (!leaf.layoutFlags().isAddOperation()) continue;
                KelSQLDatabaseFileInternal file(leaf);
                if (!addGroupEntry(group.sqlFileGroupId(), file.sqlFileId())) return false;
                file.flags().setConfiguredOn();
                file.flags().setAddOperationOff();
                file.setSqlFileSubClientGroupId(group_->sqlId());
                group.flags().setFileConfiguredOn();
                file.update();
            }
        }
        group.update();
    }
    return true;
}

bool KelSQLFileSubClientConfig::createFileSubClientLayout(const std::string& clientName, uint64_t tesselId,
                                                          uint64_t archiveGroupId, KelSQLDatabaseLayout& layout,
                                                          const std::string& subClientName) {
    static const char* kFn =
        "KelSQLFileSubClientConfig::createFileSubClientLayout(clientName, tesselId, arhiveGroupId, layout, "
        "subClientName)";
    if (!requireOstrel(kFn) || !stringEmpty(error_, clientName, "clientName", kFn) ||
        !idNotSet(error_, id32(tesselId), "tesselId", kFn) ||
        !idNotSet(error_, id32(archiveGroupId), "archiveGroupId", kFn))
        return false;
    if (layout.sqlDatabaseId() == 0 || layout.fileGroupList().empty()) {
        error_.setNumber(kelsql::kErrValueNotSet);
        error_.addArgument("layout");
        error_.addArgument(kFn);
        return false;
    }
    subClient_->setTesselId(id32(tesselId));
    if (!subClientName.empty()) subClient_->setSubClientName(subClientName);
    archiveGroupId_ = archiveGroupId;
    if (databaseRefuses(layout) || !requireTransaction(kFn)) return false;
    entries_.clear();
    for (const KelSQLDatabaseFileGroup& group : layout.fileGroupList()) {
        if (group.layoutFlags().isAddOperation()) {
            entries_.push_back({0, group.sqlFileGroupId(), 0});
            continue;
        }
        for (const KelSQLDatabaseFile& file : group.fileList())
            if (file.layoutFlags().isAddOperation()) entries_.push_back({0, group.sqlFileGroupId(), file.sqlFileId()});
    }
    return insert(clientName, layout.sqlDatabaseId());
}
