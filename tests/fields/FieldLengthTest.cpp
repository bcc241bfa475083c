// Texts at the length of their fields, record kind by record kind, over a real
// Ostrel dispatcher and catalogue: the longest text that fits is stored and
// read back byte for byte; one character more is refused with 0x1E000037
// naming the field as too long, before anything is stored, and the catalogue
// is as it was. Each kind is written the ways it can be: through an agent's
// records, through the Ostrel's own records, and as a wire record whose field
// a peer filled to its last byte.
#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "KelSQL/KelNetSQLAppId.h"
#include "KelSQL/KelNetSQLBackupFile.h"
#include "KelSQL/KelNetSQLBackupSet.h"
#include "KelSQL/KelNetSQLDatabase.h"
#include "KelSQL/KelNetSQLFile.h"
#include "KelSQL/KelNetSQLFileGroup.h"
#include "KelSQL/KelNetSQLLSN.h"
#include "KelSQL/KelNetSQLSecurity.h"
#include "KelSQL/KelSQLAppId.h"
#include "KelSQL/KelSQLBackupFile.h"
#include "KelSQL/KelSQLDatabase.h"
#include "KelSQL/KelSQLFile.h"
#include "KelSQL/KelSQLFileGroup.h"
#include "KelSQL/KelSQLFileRename.h"
#include "KelSQL/KelSQLFileSubClient.h"
#include "KelSQL/KelSQLLogMarkName.h"
#include "KelSQL/KelSQLRestoreData.h"
#include "KelSQL/KelSQLRestoreTask.h"
#include "KelSQL/KelSQLServer.h"
#include "backup/BackupFileFixture.h"
#include "support/LiveInstance.h"

namespace {

using kel::test::text;

// Every row of table, all columns, in row order: "unchanged" is one comparison.
std::string dump(const std::string& table) {
    std::string error, out;
    std::unique_ptr<DBConnection> c(DBConnection::open(error));
    sqlite3_stmt* stmt = nullptr;
    if (!c || sqlite3_prepare_v2(c->db(), ("SELECT * FROM " + table + " ORDER BY rowid").c_str(), -1, &stmt,
                                 nullptr) != SQLITE_OK)
        return "<unreadable " + table + ">";
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        for (int i = 0; i < sqlite3_column_count(stmt); ++i) {
            const unsigned char* v = sqlite3_column_text(stmt, i);
            out += v ? reinterpret_cast<const char*>(v) : "<null>";
            out += '\x1f';
        }
        out += '\n';
    }
    sqlite3_finalize(stmt);
    return out;
}

// A field of a wire record holding text; a text as long as the field fills
// it to its last byte, unterminated, as a careless peer would send it.
template <size_t N>
void fill(char (&field)[N], const std::string& text) {
    std::memset(field, 0, N);
    std::memcpy(field, text.data(), std::min(N, text.size()));
}

template <class M>
bool sent(M& m, KelLastError& err) {
    return m.exchange(err);
}

class FieldLengthTest : public kel::test::BackupFileFixture {
protected:
    enum Side { kAgent, kOstrel, kWire };

    struct Kind {
        const char* name;    // record kind and field, for the messages
        Side side;           // whose write this is
        const char* table;   // where the text is stored
        const char* column;  // the column that holds it
        const char* field;   // the name the refusal gives
        size_t longest;      // the longest text that fits
        bool digits;         // an LSN: decimal digits only
        // Writes text inside a transaction the caller opened on ctx.
        std::function<bool(FieldLengthTest&, KelSQLClassProperties&, const std::string&, KelLastError&)> write;
        // Rows the write needs, put into the catalogue before its transaction.
        std::function<void(FieldLengthTest&, const std::string&)> prepare = nullptr;
    };

    // The longest text of kind, different for every call, quotes included.
    std::string longest(const Kind& kind) {
        ++serial_;
        std::string t = kind.digits ? std::to_string(serial_) : "O'" + std::to_string(serial_) + "' ";
        while (t.size() < kind.longest) t += kind.digits ? '0' + char(t.size() % 10) : char('a' + t.size() % 26);
        return t;
    }

    // Runs kind's write in a transaction of its side, committed on success.
    bool run(const Kind& kind, const std::string& value, KelLastError& err) {
        if (kind.prepare) kind.prepare(*this, value);
        KelSQLClassProperties ctx(kind.side == kOstrel ? KelSQLServerSide : KelSQLClientSide);
        if (kind.side == kOstrel) {
            if (!ctx.startTransaction()) return false;
            const bool ok = kind.write(*this, ctx, value, err);
            EXPECT_TRUE(ok ? ctx.commitTransaction() : ctx.rollBackTransaction());
            return ok;
        }
        KelNetSQLDBTransaction* t = ctx.getNetworkDBTransaction();
        if (!t->startTransaction()) return false;
        const bool ok = kind.write(*this, ctx, value, err);
        EXPECT_TRUE(ok ? t->commitTransaction() : t->rollbackTransaction());
        return ok;
    }

    // A restore task of the fixture's database stored on the Ostrel; its id.
    unsigned long task(KelSQLClassProperties& ostrel, const std::string& databaseName, const std::string& undoFile,
                       KelLastError& err) {
        KelSQLRestoreTask t(ostrel, true);
        t.setSqlDatabaseId(db_);
        t.setSqlServerId(instance_);
        t.setDatabaseName(databaseName);
        t.setUndoFile(undoFile);
        const bool ok = t.setRestoreTypeDBBackupSet(bs_) && t.insert();
        err = t.getLastError();
        return ok ? t.sqlRestoreTaskId() : 0;
    }

    static bool backupSet(FieldLengthTest& f, KelSQLClassProperties& agent, KelNetSQLBackupSet2_t rec,
                          const std::string& first, KelLastError& err) {
        KelSQLBackupSet set(agent, false);
        set.copyFromNetwork(rec);
        fillLSN(set.getLSN(), 'L', first, "34000000000000009");
        const bool ok = set.insert(f.tessel_, f.db_);
        err = set.getLastError();
        return ok;
    }
    static KelNetSQLBackupSet2_t setRecord(const std::string& name, const std::string& description) {
        KelNetSQLBackupSet2_t rec = record("set");
        fill(rec.BackupSet.Name, name);
        fill(rec.BackupSet.Description, description);
        return rec;
    }

    // Looks an application id up by its names from the agent; true when the
    // Ostrel found it.
    struct Names {
        std::string client = "alpha", server = kInstance, database = "sales", subclient = "default";
    };
    static bool appIdFound(KelSQLClassProperties& agent, const Names& n, KelLastError& err) {
        KelSQLAppId appId(agent, false);
        appId.setClientName(n.client);
        appId.setServerName(n.server);
        appId.setDatabaseName(n.database);
        appId.setSubClientName(n.subclient);
        bool ok = appId.setApplicationType(70);
        KelNetSQLAppIdReqV3_t* req = appId.requestMessage(true);
        ok = ok && appId.copyToRequest(*req);
        if (ok) {
            req->DBCode = KelNetSQLAppIdLookup;
            ok = appId.networkQuery() && appId.applicationId() != 0;
        }
        err = appId.getLastError();
        return ok;
    }
    // The same request as a peer writes it, a name filling its field.
    static bool appIdSent(KelSQLClassProperties& agent, const Names& n, KelLastError& err) {
        KelNetSQLAppId raw(agent, false);
        KelNetSQLAppIdReqV3_t* req = raw.requestMessage(true);
        req->DBCode = KelNetSQLAppIdLookup;
        req->ApplicationType = 70;
        fill(req->ClientName, n.client);
        fill(req->ServerName, n.server);
        fill(req->DatabaseName, n.database);
        fill(req->SubClientName, n.subclient);
        return sent(raw, err);
    }
    using Name = std::string Names::*;
    static Names named(Name which, const std::string& t) {
        Names n;
        n.*which = t;
        return n;
    }
    // The application id whose name of that kind is t (a client of its own
    // for a client name); nothing for a text longer than longest.
    void appOf(Name which, const std::string& t, size_t longest) {
        if (t.size() > longest) return;
        const Names n = named(which, t);
        unsigned long client = alpha_, id = 0;
        if (which == &Names::client) {
            EXPECT_EQ(0, admin_.createClient(tessel_, t, "", client));
        }
        EXPECT_EQ(0, admin_.createApplication(client, 70, n.server, n.database, n.subclient, id))
            << admin_.getLastError().formatLastErrorMessage();
    }

    // The row of an application id named by t in the name of that kind: looked
    // up from the agent's record, or sent as a peer fills the request.
    static Kind appIdRow(const char* what, Side side, const char* table, const char* column, const char* field,
                         Name name, size_t longest) {
        const auto ask = side == kWire ? &FieldLengthTest::appIdSent : &FieldLengthTest::appIdFound;
        return {what, side, table, column, field, longest, false,
                [ask, name](FieldLengthTest&, KelSQLClassProperties& c, const std::string& t, KelLastError& err) {
                    return ask(c, named(name, t), err);
                },
                [name, longest](FieldLengthTest& f, const std::string& t) { f.appOf(name, t, longest); }};
    }

    // A file registration as a peer writes it, its texts filling their fields.
    bool fileSent(KelSQLClassProperties& c, uint64_t fileId, const std::string& logical, const std::string& physical,
                  KelLastError& err) {
        KelNetSQLFile raw(c, false);
        KelNetSQLFileReq_t* req = raw.requestMessage(true);
        req->DBCode = KelNetSQLFileConfig;
        req->File.SqlFileGroupId = kGroup;
        req->File.FileId = fileId;
        fill(req->File.FileName, logical);
        fill(req->File.PhysicalName, physical);
        return sent(raw, err);
    }

    void SetUp() override {
        BackupFileFixture::SetUp();
        // The agent's registration reads the instance's version and its live groups.
        ASSERT_TRUE(kel::test::sql("INSERT INTO sqlVersion(tesselId, type, major, minor, build) VALUES (" +
                                   std::to_string(tessel_) + ", 1, 9, 0, 1399); UPDATE sqlServer SET sqlVersionId "
                                   "= (SELECT max(id) FROM sqlVersion) WHERE instanceId = " +
                                   std::to_string(instance_)));
        previous_ = kel::live::installLiveSqlServer(std::make_unique<kel::test::ServedLiveSqlServer>());
    }
    void TearDown() override {
        kel::live::installLiveSqlServer(std::move(previous_));
        BackupFileFixture::TearDown();
    }

    static const std::vector<Kind>& kinds();

    unsigned long serial_ = 0;
    std::unique_ptr<kel::live::LiveSqlServer> previous_;
};

using F = FieldLengthTest;
using Ctx = KelSQLClassProperties;

}  // namespace

// The writes, each through the record an agent or the Ostrel uses for it.
const std::vector<F::Kind>& FieldLengthTest::kinds() {
    static const std::vector<Kind> all = {
    {"instance service name", F::kAgent, "sqlServer", "sqlServiceName", "sqlServiceName", 256, false,
     [](F&, Ctx& c, const std::string& t, KelLastError& err) {
         // The agent registers the instance again, with the login it handed the Ostrel.
         setLogin(c, "sa", "pw");
         KelSQLServer server(c, false);
         server.setClientName("alpha");
         server.setSqlServerName(F::kInstance);
         server.setSQLVersion(9, 0, 1399, 0);
         const bool ok = c.getRemoteSecurity()->update(std::string("alpha"), std::string(F::kInstance)) &&
                         server.config("sa", "pw", "", t);
         err = server.getLastError();
         return ok;
     }},
    {"file logical name", F::kAgent, "sqlFile", "logicalName", "logicalName", 128, false,
     [](F& f, Ctx& c, const std::string& t, KelLastError& err) {
         // A cut name would be the fitting file's: its path must not change.
         KelSQLFile file(c, false);
         file.initializeSQLObject(true);
         file.setLogicalName(t);
         file.setPhysicalName("C:\\" + std::to_string(t.size()) + ".mdf");
         file.setId(9);
         const bool ok = file.config(f.kGroup);
         err = file.getLastError();
         return ok;
     }},
    {"file physical name", F::kAgent, "sqlFile", "physicalName", "physicalName", 260, false,
     [](F& f, Ctx& c, const std::string& t, KelLastError& err) {
         KelSQLFile file(c, false);
         file.initializeSQLObject(true);
         file.setLogicalName("path " + t.substr(0, 8));
         file.setPhysicalName(t);
         const bool ok = file.config(f.kGroup);
         err = file.getLastError();
         return ok;
     }},
    {"file physical name sent whole", F::kWire, "sqlFile", "physicalName", "physicalName", 260, false,
     [](F& f, Ctx& c, const std::string& t, KelLastError& err) {
         return f.fileSent(c, 12, "sent " + std::to_string(t.size()), t, err);
     }},
    {"file logical name sent whole", F::kWire, "sqlFile", "logicalName", "logicalName", 128, false,
     [](F& f, Ctx& c, const std::string& t, KelLastError& err) {
         return f.fileSent(c, 13, t, "C:\\sent " + std::to_string(t.size()) + ".ndf", err);
     }},
    {"file group name sent whole", F::kWire, "sqlFileGroup", "fileGroupName", "fileGroupName", 128, false,
     [](F& f, Ctx& c, const std::string& t, KelLastError& err) {
         KelNetSQLFileGroup raw(c, false);
         KelNetSQLFileGroupReq_t* req = raw.requestMessage(true);
         req->DBCode = KelNetSQLFileGroupConfig;
         req->FileGroup.SqlDatabaseId = f.db_;
         req->FileGroup.FileGroupId = 14;
         fill(req->FileGroup.FileGroupName, t);
         return sent(raw, err);
     }},
    {"file group name", F::kAgent, "sqlFileGroup", "fileGroupName", "fileGroupName", 128, false,
     [](F& f, Ctx& c, const std::string& t, KelLastError& err) {
         const std::string sales = "sales";
         KelSQLFileGroup group(c, false);
         group.initializeSQLObject(true);
         group.setFileGroupName(t);
         group.setId(8);
         const bool ok = group.config(f.db_, &sales);
         err = group.getLastError();
         return ok;
     }},
    // Application ids: found by their names, never by a cut one.
    F::appIdRow("application client name", F::kAgent, "APP_Client", "name", "clientName", &F::Names::client, 256),
    F::appIdRow("application instance name", F::kAgent, "APP_InstanceName", "name", "serverName", &F::Names::server,
                128),
    F::appIdRow("application backup set name", F::kAgent, "APP_BackupSetName", "name", "databaseName",
                &F::Names::database, 128),
    F::appIdRow("application subclient name", F::kAgent, "APP_Application", "subclientName", "subClientName",
                &F::Names::subclient, 128),
    F::appIdRow("application instance name sent whole", F::kWire, "APP_InstanceName", "name", "serverName",
                &F::Names::server, 128),
    F::appIdRow("application backup set name sent whole", F::kWire, "APP_BackupSetName", "name", "databaseName",
                &F::Names::database, 128),
    // A database registered by the agent through the Ostrel.
    {"database registered", F::kAgent, "sqlDatabase", "databaseName", "databaseName", 128, false,
     [](F& f, Ctx& c, const std::string& t, KelLastError& err) {
         KelSQLDatabase db(c, false);
         db.setDatabaseName(t);
         db.setSqlServerName(F::kInstance);
         db.setClientName("alpha");
         const bool ok = db.config(f.instance_, 7);
         err = db.getLastError();
         return ok;
     },
     [](F& f, const std::string& t) { f.appOf(&F::Names::database, t, 128); }},
    {"database registered sent whole", F::kWire, "sqlDatabase", "databaseName", "databaseName", 128, false,
     [](F& f, Ctx& c, const std::string& t, KelLastError& err) {
         KelNetSQLDatabase raw(c, false);
         KelNetSQLDatabaseReq_t* req = raw.requestMessage(true);
         req->DBCode = KelNetSQLDatabaseConfig;
         req->Database.SqlServerId = f.instance_;
         req->Database.DatabaseId = 8;
         req->Database.ArchiveGroupNameId = 7;
         fill(req->Database.ClientName, "alpha");
         fill(req->Database.ServerName, F::kInstance);
         fill(req->Database.DatabaseName, t);
         return sent(raw, err);
     },
     [](F& f, const std::string& t) { f.appOf(&F::Names::database, t, 128); }},
    {"database name looked up", F::kAgent, "sqlDatabase", "databaseName", "databaseName", 128, false,
     [](F&, Ctx& c, const std::string& t, KelLastError& err) {
         KelSQLDatabase db(c, false);
         const bool ok = db.query("alpha", F::kInstance, t) && db.databaseName() == t;
         err = db.getLastError();
         return ok;
     },
     // Stored by the Ostrel's registration; the agent finds it by name.
     [](F& f, const std::string& t) {
         if (t.size() <= 128) f.databaseRow(t);
     }},
    {"backup set name", F::kAgent, "sqlBackupSet", "name", "name", 128, false,
     [](F& f, Ctx& c, const std::string& t, KelLastError& err) {
         return F::backupSet(f, c, F::setRecord(t, "nightly"), "34000000000000001", err);
     }},
    {"backup set description", F::kAgent, "sqlBackupSet", "description", "description", 255, false,
     [](F& f, Ctx& c, const std::string& t, KelLastError& err) {
         return F::backupSet(f, c, F::setRecord("described " + std::to_string(t.size()) + t.substr(0, 4), t),
                             "34000000000000001", err);
     }},
    {"backup set name sent whole", F::kWire, "sqlBackupSet", "name", "name", 128, false,
     [](F& f, Ctx& c, const std::string& t, KelLastError& err) {
         KelNetSQLBackupSet raw(c, false, KelNetSQLBackupSet::kRequestType);
         KelNetSQLBackupSetReq_t* req = raw.requestMessage(true);
         req->DBCode = KelNetSQLBackupSetInsert;
         req->BackupSet = F::setRecord(t, "raw").BackupSet;
         req->BackupSet.TesselId = f.tessel_;
         req->BackupSet.SqlDatabaseId = f.db_;
         return sent(raw, err);
     }},
    {"LSN", F::kAgent, "sqlLSNs", "firstLSN", "firstLSN", 32, true,
     [](F& f, Ctx& c, const std::string& t, KelLastError& err) {
         return F::backupSet(f, c, F::setRecord("lsn " + t, "nightly"), t, err);
     }},
    {"LSN sent whole", F::kWire, "sqlLSNs", "checkpointLSN", "checkpointLSN", 32, true,
     [](F& f, Ctx& c, const std::string& t, KelLastError& err) {
         KelNetSQLLSN raw(c, false);
         KelNetSQLLSNReq_t* req = raw.requestMessage(true);
         req->DBCode = KelNetSQLLSNInsert;
         req->LSN.TesselId = f.tessel_;
         req->LSN.SqlDatabaseId = f.db_;
         req->LSN.SqlBackupSetId = static_cast<uint64_t>(kel::test::scalar("SELECT max(id) FROM sqlBackupSet"));
         req->LSN.BackupType = 'L';
         fill(req->LSN.FirstLSN, "1");
         fill(req->LSN.LastLSN, "2");
         fill(req->LSN.CheckpointLSN, t);
         return sent(raw, err);
     },
     // The LSN row is of a set that has none yet.
     [](F& f, const std::string& t) {
         EXPECT_TRUE(kel::test::sql(
             "INSERT INTO sqlBackupSet (tesselId, sqlDatabaseId, sqlVersionId, mtfVersionId, name) SELECT tesselId, "
             "sqlDatabaseId, sqlVersionId, mtfVersionId, " + kel::sql::quoted("for " + t) +
             " FROM sqlBackupSet WHERE id = " + std::to_string(f.bs_)));
     }},
    {"backup file logical name", F::kAgent, "sqlBackupFile", "logicalName", "logicalName", 128, false,
     [](F& f, Ctx& c, const std::string& t, KelLastError& err) {
         KelNetSQLBackupFile_t rec{};
         fill(rec.LogicalName, t);
         fill(rec.PhysicalName, "P:\\f.ndf");
         fill(rec.PhysicalDrive, "P:\\");
         rec.Type = 'D';
         KelSQLBackupFile file(c, false);
         const bool ok = file.restore(&rec) && file.insert(f.tessel_, f.bs_);
         err = file.getLastError();
         return ok;
     },
     // The file it names is in the catalogue, under the whole name.
     [](F& f, const std::string& t) {
         if (t.size() > 128) return;
         EXPECT_TRUE(kel::test::sql(
             "INSERT INTO sqlFile (tesselId, sqlFileGroupId, fileId, physicalName, logicalName, removalTime) "
             "VALUES (" + std::to_string(f.tessel_) + ", 5, 11, 'F:\\f.ndf', " + kel::sql::quoted(t) + ", 0)"));
     }},
    {"backup file physical name sent whole", F::kWire, "sqlBackupFile", "physicalName", "physicalName", 260, false,
     [](F& f, Ctx& c, const std::string& t, KelLastError& err) {
         KelNetSQLBackupFile raw(c, false);
         KelNetSQLBackupFileReq_t* req = raw.requestMessage(true);
         req->DBCode = KelNetSQLBackupFileInsert;
         fill(req->BackupFile.LogicalName, "data");
         fill(req->BackupFile.PhysicalName, t);
         fill(req->BackupFile.PhysicalDrive, "P:\\");
         req->BackupFile.TesselId = f.tessel_;
         req->BackupFile.SqlBackupSetId = f.bs_;
         req->BackupFile.Type = 'D';
         req->BackupFile.Number = static_cast<uint32_t>(t.size());
         return sent(raw, err);
     }},
    {"log mark name", F::kAgent, "sqlLogMarkNames", "name", "markName", 64, false,
     [](F& f, Ctx& c, const std::string& t, KelLastError& err) {
         KelSQLLogMarkName mark(c, false);
         mark.setTesselId(f.tessel_);
         mark.setSqlDatabaseId(f.db_);
         mark.setName(t);
         mark.setLSN("34000000000000005");
         mark.markTime().setTime(1615125909L);
         const bool ok = mark.networkUpdate();
         err = mark.getLastError();
         return ok;
     }},
    {"log mark description", F::kOstrel, "sqlLogMarkNames", "description", "description", 255, false,
     [](F& f, Ctx& c, const std::string& t, KelLastError& err) {
         KelSQLLogMarkName mark(c, true);
         mark.setTesselId(f.tessel_);
         mark.setSqlDatabaseId(f.db_);
         mark.setName("described");
         mark.setDescription(t);
         mark.setLSN("34000000000000006");
         mark.markTime().setTime(1615125919L);
         const bool ok = mark.insert();
         err = mark.getLastError();
         return ok;
     }},
    {"file subclient name", F::kOstrel, "sqlFileSubClient", "subClientName", "subClientName", 128, false,
     [](F& f, Ctx& c, const std::string& t, KelLastError& err) {
         KelSQLFileSubClient sub(c, true);
         sub.setTesselId(f.tessel_);
         sub.setSqlDatabaseId(f.db_);
         sub.setSubClientName(t);
         const bool ok = sub.insert();
         err = sub.getLastError();
         return ok;
     }},
    {"restore task database name", F::kOstrel, "sqlRestoreTask", "databaseName", "databaseName", 128, false,
     [](F& f, Ctx& c, const std::string& t, KelLastError& err) { return f.task(c, t, "U:\\undo", err) != 0; }},
    {"restore task undo file", F::kOstrel, "sqlRestoreTask", "undoFile", "undoFile", 1024, false,
     [](F& f, Ctx& c, const std::string& t, KelLastError& err) { return f.task(c, "sales", t, err) != 0; }},
    {"restore data name", F::kOstrel, "sqlRestoreData", "sqlName", "Name", 128, false,
     [](F& f, Ctx& c, const std::string& t, KelLastError& err) {
         const unsigned long id = f.task(c, "sales", "U:\\undo", err);
         KelSQLRestoreData data(c, true);
         data.setRestoreTaskId(id);
         data.setDataSqlId(5);
         data.setSqlName(t);
         const bool ok = id && data.insert();
         if (id) err = data.getLastError();
         return ok;
     }},
    {"file relocation logical name", F::kOstrel, "sqlFileRename", "logicalName", "LogicalName", 128, false,
     [](F& f, Ctx& c, const std::string& t, KelLastError& err) {
         const unsigned long id = f.task(c, "sales", "U:\\undo", err);
         KelSQLFileRename rename(c, true);
         rename.setRestoreTaskId(id);
         rename.setLogicalName(t);
         rename.setPhysicalName("R:\\moved.mdf");
         const bool ok = id && rename.insert();
         if (id) err = rename.getLastError();
         return ok;
     }},
    {"file relocation physical name", F::kOstrel, "sqlFileRename", "physicalName", "PhysicalName", 260, false,
     [](F& f, Ctx& c, const std::string& t, KelLastError& err) {
         const unsigned long id = f.task(c, "sales", "U:\\undo", err);
         KelSQLFileRename rename(c, true);
         rename.setRestoreTaskId(id);
         rename.setLogicalName("data");
         rename.setPhysicalName(t);
         const bool ok = id && rename.insert();
         if (id) err = rename.getLastError();
         return ok;
     }},
    // Updates: the SET list refuses the text before any SQL runs.
    {"file physical name updated", F::kOstrel, "sqlFile", "physicalName", "physicalName", 260, false,
     [](F&, Ctx& c, const std::string& t, KelLastError& err) {
         KelSQLFile given(c, true);
         given.setLogicalName("data");
         given.setPhysicalName(t);
         KelSQLFile file(c, true);
         const bool ok = file.compareAndUpdate(given, 1);
         err = file.getLastError();
         return ok;
     }},
    {"instance login updated", F::kOstrel, "sqlServer", "sa", "sa", 128, false,
     [](F& f, Ctx& c, const std::string& t, KelLastError& err) {
         KelSQLServer server(c, true);
         const bool ok = server.query(f.instance_) && server.setSA(t, "pw", false);
         err = server.getLastError();
         return ok;
     }},
    {"file subclient name updated", F::kOstrel, "sqlFileSubClient", "subClientName", "subClientName", 128, false,
     [](F& f, Ctx& c, const std::string& t, KelLastError& err) {
         KelSQLFileSubClient sub(c, true);
         sub.setTesselId(f.tessel_);
         sub.setSqlDatabaseId(f.db_);
         sub.setSubClientName("renamed " + std::to_string(t.size()));
         bool ok = sub.insert();
         if (ok) {
             sub.setSubClientName(t);
             ok = sub.update(sub.sqlId());
         }
         err = sub.getLastError();
         return ok;
     }},
    {"restore task database name updated", F::kOstrel, "sqlRestoreTask", "databaseName", "databaseName", 128, false,
     [](F& f, Ctx& c, const std::string& t, KelLastError& err) {
         const unsigned long id = f.task(c, "sales", "U:\\undo", err);
         KelSQLRestoreTask task(c, true);
         task.setDatabaseName(t);
         const bool ok = id && task.update(id);
         if (id) err = task.getLastError();
         return ok;
     }},
    {"restore data name updated", F::kOstrel, "sqlRestoreData", "sqlName", "sqlName", 128, false,
     [](F& f, Ctx& c, const std::string& t, KelLastError& err) {
         const unsigned long id = f.task(c, "sales", "U:\\undo", err);
         KelSQLRestoreData data(c, true);
         data.setRestoreTaskId(id);
         data.setDataSqlId(5);
         data.setSqlName("data " + std::to_string(t.size()));
         bool ok = id && data.insert();
         if (ok) {
             data.setSqlName(t);
             ok = data.update(0);
         }
         if (id) err = data.getLastError();
         return ok;
     }},
    };
    return all;
}

TEST_F(FieldLengthTest, TheLongestTextRoundTripsAndOneMoreIsRefusedWithNothingChanged) {
    for (const Kind& k : kinds()) {
        SCOPED_TRACE(k.name);
        const std::string fits = longest(k);
        KelLastError err;
        ASSERT_TRUE(run(k, fits, err)) << err.formatLastErrorMessage();
        // Stored whole, byte for byte, and only once.
        const std::string where = std::string(" FROM ") + k.table + " WHERE hex(" + k.column + ") = hex(" +
                                  kel::sql::quoted(fits) + ")";
        EXPECT_EQ(text("SELECT " + std::string(k.column) + where), fits);
        EXPECT_EQ(kel::test::scalar("SELECT count(*)" + where), 1);

        // One character more, whose first characters are the stored text.
        const std::string before = dump(k.table);
        const std::string over = fits + (k.digits ? "7" : "z");
        KelLastError refusal;
        EXPECT_FALSE(run(k, over, refusal));
        EXPECT_EQ(refusal.number(), kelsql::kErrValueNotSet);
        const std::string message = refusal.formatLastErrorMessage();
        EXPECT_NE(message.find("too long"), std::string::npos) << message;
        EXPECT_EQ(kel::test::firstArgument(refusal), k.field) << message;
        EXPECT_EQ(dump(k.table), before);
    }
}

TEST_F(FieldLengthTest, AFileNamedByTheFirstCharactersOfALongerNameKeepsItsPath) {
    const std::string name(128, 'f');
    KelSQLClassProperties agent(KelSQLClientSide);
    KelNetSQLDBTransaction* t = agent.getNetworkDBTransaction();
    auto configure = [&](const std::string& logical, const std::string& path) {
        KelSQLFile file(agent, false);
        file.initializeSQLObject(true);
        file.setLogicalName(logical);
        file.setPhysicalName(path);
        EXPECT_TRUE(t->startTransaction());
        const bool ok = file.config(kGroup);
        EXPECT_TRUE(ok ? t->commitTransaction() : t->rollbackTransaction());
        return ok ? 0 : file.getLastError().number();
    };
    ASSERT_EQ(configure(name, "C:\\a.mdf"), 0u);
    EXPECT_EQ(configure(name + "g", "C:\\b.mdf"), kelsql::kErrValueNotSet);
    EXPECT_EQ(text("SELECT group_concat(physicalName) FROM sqlFile WHERE logicalName LIKE 'fff%'"), "C:\\a.mdf");
}
