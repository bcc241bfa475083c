// The backup history of a real server, written in bulk: databases backed up
// side by side, every 15 minutes each takes a log, except once a day a
// differential and once a week a full instead (or, for one chain, a full
// first and only logs after it). Slot k of database d (from 1)
// is set k * databases + d. Its LSNs are those a server gives: each log
// begins where the database's previous log ended, a full or differential
// lies inside the log after it, and every backup names the checkpoint of the
// full it is based on (a full, the one before it). Benchmarks and the plan
// tests build their catalogues from it.
#pragma once

#include <ctime>
#include <cstdio>
#include <string>
#include <vector>

namespace kel::history {

constexpr int kSlotSeconds = 900;
constexpr int kSlotsPerDay = 96;
constexpr int kSlotsPerWeek = 7 * kSlotsPerDay;
constexpr long long kFirstStart = 1600000000;  // 2020-09-13 12:26:40 UTC

struct Shape {
    int sets = 0;
    int databases = 10;
    bool archives = false;  // an archive set (on a file of its own) per set
    // Where the history's ids begin, so that a catalogue may hold several
    // (each with databases of its own); only the first writes the instance.
    int firstSet = 1;
    int firstDatabase = 1;
    // Slots between differentials and between fulls: a history as long as
    // one of them is a single chain, its full first.
    int slotsPerDay = kSlotsPerDay;
    int slotsPerWeek = kSlotsPerWeek;

    // One database whose sets are one full and then logs only.
    static Shape oneChain(int sets) {
        Shape s;
        s.sets = sets;
        s.databases = 1;
        s.slotsPerDay = s.slotsPerWeek = sets;
        return s;
    }

    int slotOf(int set) const { return (set - firstSet) / databases; }
    int setAt(int slot, int database) const { return firstSet + slot * databases + database - firstDatabase; }
    int lastSet() const { return firstSet + sets - 1; }
    int typeAt(int slot) const { return slot % slotsPerWeek == 0 ? 68 : slot % slotsPerDay == 0 ? 73 : 76; }
    static long long startAt(int slot, int database) { return kFirstStart + 1LL * kSlotSeconds * slot + 5 * database; }
    // The newest log of a database up to set among that lies
    // logsAfterDifferential logs after its day's differential (or full): its
    // chain is as long wherever it lies.
    int logOfDay(int among, int database, int logsAfterDifferential) const {
        int slot = slotOf(among);
        while (slot > 0 && (setAt(slot, database) > among || slot % slotsPerDay != logsAfterDifferential)) --slot;
        return setAt(slot, database);
    }
};

// A time as the catalogue stores it (UTC).
inline std::string storedTime(long long seconds) {
    char out[40];
    const time_t t = static_cast<time_t>(seconds);
    struct tm tm;
    gmtime_r(&t, &tm);
    std::snprintf(out, sizeof out, "%04d-%02d-%02d %02d:%02d:%02d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                  tm.tm_hour, tm.tm_min, tm.tm_sec);
    return out;
}

// The statements that write the history, in order: the instance, its
// databases, the sets, their LSN rows and (when asked) their archive sets.
inline std::vector<std::string> historySql(const Shape& shape) {
    const std::string dbs = std::to_string(shape.databases);
    const std::string week = std::to_string(shape.slotsPerWeek), day = std::to_string(shape.slotsPerDay);
    const std::string n = "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
                          std::to_string(shape.sets) + "), s(i, k, d) AS (SELECT i + " +
                          std::to_string(shape.firstSet - 1) + ", (i - 1) / " + dbs + ", (i - 1) % " + dbs + " + " +
                          std::to_string(shape.firstDatabase) + " FROM n) ";
    const std::string type = "(CASE WHEN k % " + week + " = 0 THEN 68 WHEN k % " + day + " = 0 THEN 73 ELSE 76 END)";
    const std::string start =
        "(" + std::to_string(kFirstStart) + " + " + std::to_string(kSlotSeconds) + " * k + 5 * d)";
    auto p = [](const std::string& slot) { return "(100000000000000000 + 1000 * (" + slot + "))"; };
    const std::string prevLog = "k - 1 - ((k - 1) % " + day + " = 0)";
    const std::string weekFull = "(k - k % " + week + ")";
    std::vector<std::string> sql;
    if (shape.firstSet == 1)
        sql.push_back(
        "INSERT INTO APP_Tessel (id, name) VALUES (1, 'tessel');"
        "INSERT INTO APP_Client (id, tesselId, name) VALUES (1, 1, 'client');"
        "INSERT INTO APP_InstanceName (id, tesselId, clientId, name) VALUES (1, 1, 1, 'SQL1');"
        "INSERT INTO sqlVersion (id, tesselId, type, major) VALUES (1, 1, 1, 9);"
        "INSERT INTO sqlServer (instanceId, tesselId, serverName, sqlVersionId, clientId) VALUES (1, 1, 'SQL1', 1, 1);"
        "INSERT INTO archGroup (id, name) VALUES (1, 'g')");
    sql.insert(sql.end(), {
        "WITH RECURSIVE n(i) AS (SELECT " + std::to_string(shape.firstDatabase) + " UNION ALL SELECT i + 1 FROM n"
            " WHERE i < " + std::to_string(shape.firstDatabase + shape.databases - 1) +
            ") INSERT INTO APP_BackupSetName (id, tesselId, instanceId, name) SELECT i, 1, 1, 'db' || i FROM n",
        "INSERT INTO sqlDatabase (backupSetId, tesselId, sqlServerId, databaseName, addTime)"
        " SELECT id, 1, 1, name, 100 FROM APP_BackupSetName WHERE id >= " + std::to_string(shape.firstDatabase),
        n + "INSERT INTO sqlBackupSet (id, tesselId, sqlDatabaseId, name, sqlVersionId, mtfVersionId, backupSize,"
            " backupSetId) SELECT i, 1, d, 'bs' || i, 1, 1, CAST(1000 + i AS TEXT), i FROM s",
        n + "INSERT INTO sqlLSNs SELECT i, 1, d, datetime(" + start + ", 'unixepoch'), datetime(" + start +
            " + CASE " + type + " WHEN 68 THEN 800 WHEN 73 THEN 600 ELSE 60 END, 'unixepoch'), " + type +
            ", CAST(CASE " + type + " WHEN 76 THEN " + p(prevLog) + " ELSE " + p("k - 1") +
            " + 100 END AS TEXT), CAST(CASE " + type + " WHEN 76 THEN " + p("k") + " ELSE " + p("k - 1") +
            " + 500 END AS TEXT), CAST(" + p("k - 1") + " + CASE " + type +
            " WHEN 76 THEN 700 ELSE 300 END AS TEXT), CAST(" + p(weekFull + " - 1 - CASE " + type + " WHEN 68 THEN " +
                                                                    week + " ELSE 0 END") +
            " + 300 AS TEXT) FROM s",
    });
    if (shape.archives)
        sql.push_back(n + "INSERT INTO sqlArchiveSet (tesselId, sqlBackupSetId, mediaSetId, sequenceNumber,"
                          " archiveGroup, archiveFile, bIsTombstoned) SELECT 1, i, 0, 1, 1, i, 0 FROM s");
    return sql;
}

}  // namespace kel::history
