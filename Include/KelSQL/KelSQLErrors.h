// The library's error numbers (family 0x1E000000) and the not-supported line
// every stubbed function writes.
#pragma once

#include <cstdint>

namespace kelsql {

constexpr uint64_t kErrNoBuffer = 0x0900003F;
constexpr uint64_t kErrInvalidArgument = 0x1E000001;
constexpr uint64_t kErrAppNumberLookup = 0x1E000002;
constexpr uint64_t kErrClientNotFound = 0x1E000003;
constexpr uint64_t kErrClientApplications = 0x1E000004;
constexpr uint64_t kErrServiceStatus = 0x1E00000B;
constexpr uint64_t kErrTranStart = 0x1E000011;
constexpr uint64_t kErrTranCommit = 0x1E000012;
constexpr uint64_t kErrTranNotStarted = 0x1E000013;
constexpr uint64_t kErrTranRollback = 0x1E000014;
constexpr uint64_t kErrNotLoaded = 0x1E00002A;
constexpr uint64_t kErrRequestRefused = 0x1E000031;
constexpr uint64_t kErrListRead = 0x1E000032;
constexpr uint64_t kErrRowOperation = 0x1E000033;
constexpr uint64_t kErrAgentSideOnly = 0x1E000034;
constexpr uint64_t kErrOstrelSideOnly = 0x1E000035;
constexpr uint64_t kErrRequestIds = 0x1E000036;
constexpr uint64_t kErrValueNotSet = 0x1E000037;
constexpr uint64_t kErrRestoreTaskLookup = 0x1E000039;
constexpr uint64_t kErrNoSuchInstance = 0x1E00003A;
constexpr uint64_t kErrEncrypt = 0x1E00003C;
constexpr uint64_t kErrDecrypt = 0x1E00003D;
constexpr uint64_t kErrInsert = 0x1E00003E;
constexpr uint64_t kErrNoContext = 0x1E000040;
constexpr uint64_t kErrTranRequired = 0x1E000041;
constexpr uint64_t kErrNoSide = 0x1E000042;
constexpr uint64_t kErrAgentAddress = 0x1E000043;
constexpr uint64_t kErrInstanceUpdate = 0x1E000044;
constexpr uint64_t kErrSqlConnection = 0x1E000046;
constexpr uint64_t kErrApplicationId = 0x1E00004A;
constexpr uint64_t kErrNoLogin = 0x1E00004B;
constexpr uint64_t kErrJobRestoreTask = 0x1E00004F;
constexpr uint64_t kErrBackupSetListFull = 0x1E000051;
constexpr uint64_t kErrStepRestoreList = 0x1E000057;
constexpr uint64_t kErrStandbyPointInTime = 0x1E000058;
constexpr uint64_t kErrNoRecoveryPointInTime = 0x1E000059;
constexpr uint64_t kErrUndoPath = 0x1E000060;
constexpr uint64_t kErrCompareAndUpdate = 0x1E000061;
constexpr uint64_t kErrBackupSetExists = 0x1E000066;
// An agent's answer that the state of a step-restored database cannot be told.
constexpr uint64_t kErrStepStateUnavailable = 0x1E00008D;
constexpr uint64_t kErrBackupFileExists = 0x1E000068;
constexpr uint64_t kErrMediaFamilyExists = 0x1E000069;
constexpr uint64_t kErrBrowseDepth = 0x1E00006C;
constexpr uint64_t kErrRestoreTaskListFull = 0x1E00006D;
constexpr uint64_t kErrDatabaseDeletion = 0x1E0000A4;
constexpr uint64_t kErrLevelConverted = 0x1E0000A7;
constexpr uint64_t kErrLevelConverted2 = 0x1E0000A8;
constexpr uint64_t kErrNTEncrypt = 0x1E0000A9;
constexpr uint64_t kErrNTDecrypt = 0x1E0000AA;
constexpr uint64_t kErrPruneNotFull = 0x1E0000AD;
constexpr uint64_t kErrTranBusy = 0x1E0000B0;
// Refusals of the network credential form, each saying what is wrong.
constexpr uint64_t kErrCredentialUserLength = 0x1E0000B1;
constexpr uint64_t kErrCredentialCharacter = 0x1E0000B2;
constexpr uint64_t kErrCredentialLength = 0x1E0000B3;
// A walk of a file subclient's member chain met a loop or missed its row.
constexpr uint64_t kErrBrokenChain = 0x1E0000B4;
constexpr uint64_t kErrUnsupportedVersion = 0x1E0000C0;
constexpr uint64_t kErrUnknownAppType = 0x1E0000C1;
constexpr uint64_t kErrRecoveryType = 0x1E0000C4;
constexpr uint64_t kErrLogMark = 0x1E0000CE;
constexpr uint64_t kErrSubclientCreate = 0x1E0000D7;
constexpr uint64_t kErrSubclientUpdate = 0x1E0000D8;
// A storage policy without its archGroup row (raised as an event).
constexpr uint64_t kErrStoragePolicyMissing = 0x1E000108;
// Application-id creation: no file system agent on the client; an instance
// registered with a newer type.
constexpr uint64_t kErrFileSystemMissing = 0x04000154;
constexpr uint64_t kErrDowngrade = 0x0400015D;
constexpr uint64_t kErrBackupFileLogUpdate = 0x1E0000F1;
constexpr uint64_t kErrRestoreChain = 0x1E0000F4;
constexpr uint64_t kErrRestoreChain2 = 0x1E0000F5;
constexpr uint64_t kErrDiscoveryFailed = 0x1E0000F7;
constexpr uint64_t kErrDiscoveryNotice = 0x1E0000F8;
constexpr uint64_t kErrDiscoveryPolicy = 0x1E000108;
constexpr uint64_t kErrDatabaseConfigNotice = 0x1E0000FA;
constexpr uint64_t kErrNotSupported = 0x1E0000FF;
// The agent converted a level (or next differential is on) while automatic
// conversion is off for the database.
constexpr uint64_t kErrAgentLevelConverted = 0x1E00010D;

// Written at error level under the stubbed function's own name.
constexpr const char* kNotSupportedText = "This function is not supported by SQLDrover.";

}  // namespace kelsql
