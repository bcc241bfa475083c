#include "KelSQL/KelSQLLogicalDeletion.h"

#include "KelSQL/KelSQLErrors.h"

// The preset number says "not loaded" until an owner reads the marker.
KelSQLLogicalDeletion::KelSQLLogicalDeletion(KelSQLClassProperties& context)
    : context_(context), error_(kelsql::kErrNotLoaded) {}
