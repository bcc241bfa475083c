// The message catalogue of the library's error numbers. Every text takes its
// arguments through %s in the order the raising code adds them: as a rule the
// failing function's signature first, then details.
#include <cstdint>

#include "platform/events/KelLastError.h"

namespace {

struct ErrorText {
    uint64_t number;
    const char* text;
};

const ErrorText kTexts[] = {
    {0x0A000010, "%s: the machine %s has no registry on this platform."},
    {0x0A000011, "%s: the registry of machine %s could not be written (%s)."},
    {0x0A000012, "%s: the machine %s knows no Ostrel."},
    {0x0A000013, "%s: the machine %s has no Tessel id."},
    {0x0A000014, "%s: the SQL agent is not installed or not active on %s."},
    {0x0A000020, "The library could not be loaded."},
    {0x0A000021, "The library has no such entry point."},
    {0x0A000030, "%s: could not connect to %s."},
    {0x0A000031, "%s: the host %s is not known in the [Hosts] section."},
    {0x0A000032, "%s: the message could not be sent (%s)."},
    {0x0A000033, "%s: the message could not be received (%s)."},
    {0x0A000034, "%s: the peer did not answer in time (%s)."},
    {0x0A000035, "%s: a malformed frame was received (%s)."},
    {0x0A000036, "%s: an unexpected message was received (%s)."},
    {0x0A000037, "%s: the message handler failed (%s)."},
    {0x0A000038, "%s: the message was used before its setup was finished."},
    {0x0A000039, "%s: the message cannot be addressed to %s."},
    {0x0A000040, "%s: the Tessel %s is not known to the application manager."},
    {0x0A000041, "%s: the client %s is not known to the application manager."},
    {0x0A000042, "%s: the client %s has no network host name."},
    {0x0A000043, "%s: the instance %s is not known to the application manager."},
    {0x0A000044, "%s: the application id %s is not known to the application manager."},
    {0x0A000045, "%s: the application type %s is not known."},
    {0x0A000046, "%s: the application manager's tables could not be read or written (%s)."},
    {0x0A000047, "%s: a required name or id is missing."},
    {0x0A000048, "%s: %s is registered already."},
    {0x0A000049, "%s: the backup set %s is not known to the application manager."},
    {0x0A00004A, "%s: the subclient has no property %s."},
    {0x0A00004B, "%s: the installation database could not record the change (%s)."},
    {0x0A00004C, "%s: no operating system with id %s is known."},
    {50209, "%s: the application id %s is registered already."},
    {0x0900003F, "%s: no %s buffer was given."},
    {0x1E000001, "%s: invalid argument."},
    {0x1E000002, "%s: the application number could not be found."},
    {0x1E000003, "%s: the client could not be found in the Tessel or has no host name."},
    {0x1E000004, "%s: the applications of the client could not be listed."},
    {0x1E00000B, "%s: the SQL Server service status could not be read."},
    {0x1E000011, "%s: the catalogue transaction could not be started."},
    {0x1E000012, "%s: the catalogue transaction could not be committed."},
    {0x1E000013, "%s: no catalogue transaction has been started."},
    {0x1E000014, "%s: the catalogue transaction could not be rolled back."},
    {0x1E00002A, "%s: the value has not been loaded."},
    {0x1E000031, "%s: the request was refused by the answering side."},
    {0x1E000032, "%s: the catalogue list could not be read."},
    {0x1E000033, "%s: the catalogue row operation failed."},
    {0x1E000034, "%s: this operation runs only on an agent-side context."},
    {0x1E000035, "%s: this operation runs only on an Ostrel-side context."},
    {0x1E000036, "%s: the request does not carry the ids it needs."},
    {0x1E000037, "The required value %s is not set (%s)."},
    {0x1E000039, "%s: the job manager's restore-task lookup failed."},
    {0x1E00003A, "%s: no SQL Server instance of that name exists on the client."},
    {0x1E00003C, "%s: the password could not be encrypted."},
    {0x1E00003D, "%s: the password could not be decrypted."},
    {0x1E00003E, "%s: the catalogue row could not be inserted."},
    {0x1E000040, "%s: the answering message has no context."},
    {0x1E000041, "%s: a catalogue transaction must be started first."},
    {0x1E000042, "%s: the context is neither agent side nor Ostrel side."},
    {0x1E000043, "%s: the request to the agent host could not be addressed."},
    {0x1E000044, "%s: the SQL Server instance could not be updated."},
    {0x1E000046, "%s: the SQL connection of the instance could not be set up."},
    {0x1E00004A, "%s: the application id could not be created or found."},
    {0x1E00004B, "%s: no SQL login is known for the instance."},
    {0x1E00004F, "%s: the job's restore task could not be found."},
    {0x1E000051, "%s: the backup-set list is too long for one response."},
    {0x1E000057, "%s: the step-restore list could not be read."},
    {0x1E000058, "%s: standby cannot be combined with a point in time."},
    {0x1E000059, "%s: no-recovery cannot be combined with a point in time."},
    {0x1E000060, "%s: the undo file path could not be checked."},
    {0x1E000061, "%s: the catalogue could not be compared and updated."},
    {0x1E000066, "%s: the backup set already exists."},
    {0x1E000068, "%s: the backup file record already exists."},
    {0x1E000069, "%s: the media family record already exists."},
    {0x1E00006C, "%s: unknown browse depth."},
    {0x1E00006D, "%s: the restore-task list is too long."},
    {0x1E00008D, "%s: the state of the step-restored database cannot be told."},
    {0x1E0000A4, "%s: the database may not be deleted."},
    {0x1E0000A7, "%s..%s: the backup must run as a full backup, and automatic conversion is off for the database."},
    {0x1E0000A8, "%s..%s: the differential backup must run as a full backup, and automatic conversion is off for the database."},
    {0x1E0000A9, "%s: the NT account password could not be encrypted."},
    {0x1E0000AA, "%s: the NT account password could not be decrypted."},
    {0x1E0000AD, "%s: the archive file is not a full backup where its cycle needs one."},
    {0x04000154, "The file system agent must be installed on the client first."},
    {0x0400015D, "The instance is registered with a newer SQL Server version; it cannot be downgraded."},
    {0x1E0000B0, "%s: the catalogue is busy with another transaction; try again when it ends."},
    {0x1E0000B1, "%s: the login's user name is empty or longer than 99 characters."},
    {0x1E0000B2, "%s: the login's user name or password contains a NUL character."},
    {0x1E0000B3, "%s: the login's user name and password together are longer than 509 characters."},
    {0x1E0000B4, "%s: the member chain of the file subclient is broken (a row outside it, or a loop)."},
    {0x1E0000C0, "%s: unsupported SQL Server version."},
    {0x1E0000C1, "%s: unknown application type."},
    {0x1E0000C4, "%s: the recovery type of the database could not be read."},
    {0x1E0000CE, "%s: the log mark could not be processed."},
    {0x1E0000D7, "%s: the file subclient layout could not be created."},
    {0x1E0000D8, "%s: the file subclient layout could not be updated."},
    {0x1E000108, "The %s storage policy of database %s of instance %s on client %s does not exist; the default is used."},
    {0x1E0000F1, "%s: the backup files of the log backup could not be recorded."},
    {0x1E0000F4, "%s: no restore chain could be chosen."},
    {0x1E0000F5, "%s: no restore chain could be chosen."},
    {0x1E0000F7, "%s: automatic database discovery failed."},
    {0x1E0000F8, "%s: automatic database discovery found changes."},
    {0x1E0000FA, "%s: database configuration notice."},
    {0x1E000108, "%s: a discovered database of %s on %s of client %s takes the default storage policy."},
    {0x1E00010D, "%s..%s: the agent converted the backup level, and automatic conversion is off for the database."},
    {0x1E0000FF, "%s: this function is not supported on this platform."},
    {0x0A000070, "%s: the machine %s has no entry %s."},
    {0x0A000071, "%s: a value of machine %s does not fit its buffer (%s)."},
    {0x0A000072, "%s: the machine %s has no agent database."},
    {0x0A000073, "%s: invalid argument on machine %s (%s)."},
    {0x0A000074, "%s: the instance list of machine %s is full; %s was not added."},
};

// A number whose error carries more arguments than its plain text takes has
// a text of its own for them: 0x1E000037 with a third argument is a value
// that is there but does not fit its field or column; with a fourth, a value
// that does not match what it is held against (an id and the names sent
// beside it). The first entry that the arguments fill is taken.
struct LongerText {
    uint64_t number;
    int arguments;
    const char* text;
};

const LongerText kLongerTexts[] = {
    {0x1E000037, 4, "The value %s (%s) does not match %s: %s."},
    {0x1E000037, 3, "The value %s is too long (%s): %s."},
};

}  // namespace

namespace kel {

const char* errorText(uint64_t number, int argumentCount) {
    for (const LongerText& e : kLongerTexts)
        if (e.number == number && argumentCount >= e.arguments) return e.text;
    return errorText(number);
}

const char* errorText(uint64_t number) {
    if (number == 0) return "The operation completed successfully.";
    for (const ErrorText& e : kTexts)
        if (e.number == number) return e.text;
    return "%s: the operation failed.";
}

}  // namespace kel
