// Dumps of the removal-detection messages.
#include "KelSQL/KelNetSQLDeleteCheck.h"

#include "platform/util/BoundedCopy.h"

namespace {

void line(const char* fn, const char* name, unsigned long long value) {
    sqlDumpLine(fn, "        %s = %llu", name, value);
}
void text(const char* fn, const char* name, const std::string& value) {
    sqlDumpLine(fn, "        %s = %s", name, value.c_str());
}

}  // namespace

void printSQLDatabaseDeleteCheck(const char* fn, const KelNetSQLDatabaseDeleteCheck_t& r) {
    if (!sqlLogLevel(4)) return;
    sqlDumpLine(fn, "2    %s:%s", "KelNet SqlDatabaseDeleteCheck", " ");
    line(fn, "DatabaseId", r.DatabaseId);
    line(fn, "FileGroupId", r.FileGroupId);
    line(fn, "FileId", r.FileId);
    text(fn, "DatabaseName", kel::fieldText(r.DatabaseName));
    text(fn, "FileGroupName", kel::fieldText(r.FileGroupName));
    text(fn, "FileName", kel::fieldText(r.FileName));
    line(fn, "RemovalTime", r.RemovalTime);
}

void KelNetSQLDatabaseDeletionCheck::dumpRequest(const char* fn, const KelNetSQLDatabaseDeletionCheckReq_t& r) {
    line(fn, "SqlServerId", r.SqlServerId);
    line(fn, "SqlDatabaseId", r.SqlDatabaseId);
    line(fn, "TesselId", r.TesselId);
    text(fn, "ClientName", kel::fieldText(r.ClientName));
}

void KelNetSQLDatabaseDeletionCheck::dumpResponse(const char* fn, const KelNetSQLDatabaseDeletionCheckRsp_t& r) {
    sqlDumpLine(fn, "        %s = %s", "RemovalUpdate", r.RemovalUpdate ? "YES" : "NO");
}
