// Procedure simGetVersionOfClient: the release of the agent software
// installed on a client. One argument, the client's id; one result row.
#pragma once

#include "Db/KelDBRecord.h"

struct SimGetVersionOfClient_t {
    char o_release[33] = {};
    char o_buildId[33] = {};
    int32_t o_releaseID = 0;
};

struct SimGetVersionOfClientDesc {
    using Row = SimGetVersionOfClient_t;
    static constexpr DBColumn columns[] = {
        KEL_DB_COLUMN(Row, o_release, "s33"),
        KEL_DB_COLUMN(Row, o_buildId, "s33"),
        KEL_DB_COLUMN(Row, o_releaseID, "i"),
    };
    static constexpr DBColumnLayout layout = KEL_DB_PROCEDURE_LAYOUT(SimGetVersionOfClient);
    static constexpr KelDBFamily family =
        KEL_DB_PROCEDURE_FAMILY(simGetVersionOfClient, SimGetVersionOfClient, "00010001021000030000", 0);
};
KEL_DB_CHECK_FAMILY(SimGetVersionOfClientDesc);

class SimGetVersionOfClient_t2 : public KelDBSchema<SimGetVersionOfClientDesc> {};

class SimGetVersionOfClient : public KelDBRecord<SimGetVersionOfClientDesc, SimGetVersionOfClient_t2> {
public:
    using KelDBRecord::KelDBRecord;
    int setValues(int clientId) { return setProcedureArguments({clientId}); }
    int setKelDBValues(KelDB_int* clientId) { return bindProcedureValues({clientId}); }
};
