// What the Ostrel's own maintenance calls when it removes an application, an
// instance, a backup set or a subclient from the application manager, so
// that the SQL catalogue follows: each builds an Ostrel-side context on the
// machine name given, works inside one catalogue transaction of its own
// (committed whole or rolled back whole) and reports through error.
#pragma once

#include <string>

#include "platform/events/KelLastError.h"

class DBtran;

// A file or file-group subclient marked deleted / removed; any other
// subclient is done at once.
bool sqlAppIdSubClientMarkDelete(const std::string& virtualMachine, unsigned long subClientId, KelLastError& error,
                                 DBtran* tran);
bool sqlAppIdSubClientDelete(const std::string& virtualMachine, unsigned long tesselId, unsigned long clientId,
                             unsigned long subClientId, KelLastError& error);
// A database removed; the whole instance when it was the instance's only one.
bool sqlAppIdBackupSetDelete(const std::string& virtualMachine, unsigned long tesselId, unsigned long clientId,
                             unsigned long instanceId, unsigned long backupSetId, KelLastError& error);
bool sqlAppIdInstanceDelete(const std::string& virtualMachine, unsigned long tesselId, unsigned long clientId,
                            unsigned long instanceId, KelLastError& error);
// Every instance of the application type (0: SQL Server 7) on the client.
bool sqlAppIdDelete(const std::string& virtualMachine, unsigned long tesselId, unsigned long clientId,
                    unsigned long appTypeId, KelLastError& error);
// False for master (by name or SQL Server database id 1) unless it is
// already logically deleted.
bool sqlCheckForDatabaseDeletionAllowed(const std::string& virtualMachine, unsigned long tesselId,
                                        unsigned long clientId, unsigned long backupSetId, KelLastError& error);
