#include "KelSQL/KelSQLMediaSet.h"

#include "KelSQL/KelSQLClassProperties.h"
#include "KelSQL/KelSQLErrors.h"

KelSQLMediaSet::KelSQLMediaSet(KelSQLClassProperties& context) : context_(context) { initializeSQLObject(); }

void KelSQLMediaSet::initializeSQLObject() {
    loaded_ = false;
    id_ = streams_ = mtfMajor_ = 0;
}

bool KelSQLMediaSet::query(uint64_t) {
    if (context_.isClientOperations()) return true;
    error_.setNumber(kelsql::kErrAgentSideOnly);
    error_.addArgument("KelSQLMediaSet::query(mediaSetId)");
    return false;
}
