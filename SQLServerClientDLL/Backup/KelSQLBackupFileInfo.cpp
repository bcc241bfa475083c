#include "KelSQL/KelSQLBackupFileInfo.h"

#include <cstring>

#include "Db/Tbl/sqlBackupFile.h"
#include "KelSQL/KelNetSQLRegistry.h"
#include "KelSQL/KelSQLClassProperties.h"
#include "KelSQL/KelSQLErrorStatus.h"
#include "KelSQL/KelSQLErrors.h"
#include "BackupRecords.h"
#include "platform/net/KelFrame.h"

using kelsql::backup::column;

namespace {

const kelsql::MessageRegistration<KelSQLBackupFileInfo, kelsql::AnswerSide::Ostrel> registered;

// The trailing data of one response packet: a u32 entry count, then per
// entry its eight numbers (u64, in record order), the u16 lengths of its
// physical name, logical name and physical drive, and those texts without
// their terminators.
constexpr size_t kNumbers = 8;
constexpr size_t kEntryFixed = kNumbers * sizeof(uint64_t) + 3 * sizeof(uint16_t);
// A text longer than its column never came from the catalogue.
constexpr size_t kTextMax[3] = {260, 128, 260};

void numbersOf(const KelNetSQLBackupFileInfo_t& e, uint64_t (&n)[kNumbers]) {
    const uint64_t v[kNumbers] = {e.SqlBackupFileId, e.TesselId,    e.SqlBackupSetId, e.SqlFileGroupId,
                                  e.Number,          e.PageSize,    e.PageCount,      e.Type};
    std::memcpy(n, v, sizeof n);
}

size_t encodedSize(const KelNetSQLBackupFileInfo_t& e) {
    return kEntryFixed + std::strlen(e.PhysicalName) + std::strlen(e.LogicalName) + std::strlen(e.PhysicalDrive);
}

void append(std::vector<char>& out, const void* data, size_t size) {
    const char* bytes = static_cast<const char*>(data);
    out.insert(out.end(), bytes, bytes + size);
}

void encode(const KelNetSQLBackupFileInfo_t& e, std::vector<char>& out) {
    uint64_t n[kNumbers];
    numbersOf(e, n);
    append(out, n, sizeof n);
    const char* texts[3] = {e.PhysicalName, e.LogicalName, e.PhysicalDrive};
    for (const char* t : texts) {
        const auto length = static_cast<uint16_t>(std::strlen(t));
        append(out, &length, sizeof length);
    }
    for (const char* t : texts) append(out, t, std::strlen(t));
}

// The packets' trailing data, each within the frame's bound; at least one.
std::vector<std::vector<char>> packetsOf(const std::vector<KelNetSQLBackupFileInfo_t>& entries) {
    std::vector<std::vector<char>> packets;
    size_t next = 0;
    do {
        std::vector<char> p(sizeof(uint32_t), 0);
        uint32_t count = 0;
        while (next < entries.size() && p.size() + encodedSize(entries[next]) <= kel::net::kMaxPayloadLength) {
            encode(entries[next++], p);
            ++count;
        }
        std::memcpy(p.data(), &count, sizeof count);
        packets.push_back(std::move(p));
    } while (next < entries.size());
    return packets;
}

// Reads the entries of one packet onto list, at most remaining of them; the
// reason in why when the data does not hold what it announces.
bool decode(const std::vector<char>& data, size_t remaining, std::vector<backupFileInfo_t>& list, const char*& why) {
    if (data.empty() && remaining == 0) return true;
    size_t at = 0;
    auto take = [&](void* into, size_t size) {
        if (data.size() - at < size) return false;
        std::memcpy(into, data.data() + at, size);
        at += size;
        return true;
    };
    auto bad = [&why](const char* reason) {
        why = reason;
        return false;
    };
    uint32_t count = 0;
    if (!take(&count, sizeof count)) return bad("short packet");
    if (remaining == 0 ? count != 0 : (count == 0 || count > remaining)) return bad("bad count");
    for (uint32_t i = 0; i < count; ++i) {
        uint64_t n[kNumbers];
        uint16_t lengths[3];
        if (!take(n, sizeof n) || !take(lengths, sizeof lengths)) return bad("short entry");
        std::string texts[3];
        for (int t = 0; t < 3; ++t) {
            if (lengths[t] > kTextMax[t]) return bad("text beyond its column");
            texts[t].resize(lengths[t]);
            if (!take(&texts[t][0], lengths[t])) return bad("short entry");
        }
        backupFileInfo_t info;
        info.backupFileId = n[0];
        info.tesselId = n[1];
        info.backupSetId = n[2];
        info.fileGroupId = n[3];
        info.fileNumber = n[4];
        info.pageSize = n[5];
        info.pageCount = n[6];
        info.type = n[7];
        info.physicalName = std::move(texts[0]);
        info.logicalName = std::move(texts[1]);
        info.physicalDrive = std::move(texts[2]);
        list.push_back(std::move(info));
    }
    if (at != data.size()) return bad("bytes beyond the entries");
    return true;
}

}  // namespace

KelSQLBackupFileInfo::~KelSQLBackupFileInfo() = default;

void KelSQLBackupFileInfo::dumpRequest(const char* fn, const KelNetSQLBkpFileInfoReq_t& req) {
    dumpNumber(fn, "DBCode", req.DBCode);
    const KelNetSQLBackupFileInfo_t& e = req.BackupFile;
    dumpInnerHeader(fn, "KelNetSQLBackupFileInfo_t");
    dumpNumber(fn, "SqlBackupFileId", static_cast<long long>(e.SqlBackupFileId));
    dumpNumber(fn, "TesselId", static_cast<long long>(e.TesselId));
    dumpNumber(fn, "SqlBackupSetId", static_cast<long long>(e.SqlBackupSetId));
    dumpNumber(fn, "SqlFileGroupId", static_cast<long long>(e.SqlFileGroupId));
    dumpNumber(fn, "Number", static_cast<long long>(e.Number));
    // A received request's references point into the sender's memory.
    dumpText(fn, "PhysicalName", "");
    dumpText(fn, "PhysicalDrive", "");
    dumpText(fn, "LogicalName", "");
    dumpNumber(fn, "PageSize", static_cast<long long>(e.PageSize));
    dumpNumber(fn, "PageCount", static_cast<long long>(e.PageCount));
    dumpNumber(fn, "Type", static_cast<long long>(e.Type));
}

bool KelSQLBackupFileInfo::query(unsigned long tesselId, unsigned long sqlBackupSetId) {
    static const char* kFn = "KelSQLBackupFileInfo::query(tesselId, sqlBackupSetId)";
    SqlBackupFile record(kelsql::backup::transactionOf(context()));
    record.setWhere("tesselId = %d and sqlBackupSetId = %d", static_cast<int>(tesselId),
                    static_cast<int>(sqlBackupSetId));
    record.setOrderBy("id");
    list_.clear();
    int rc = record.openCursor();
    // An empty result is no failure: the set has no files.
    if (rc == kDBNoRow) return true;
    KelLastError& err = getLastError();
    if (rc != 0) {
        err.setNumber(kelsql::kErrRowOperation);
        err.addArgument(record.getpDescribe());
        err.addArgument(record.getErrorStr(rc));
        context().log().debug(kFn,
                              "Failed to get BackupFile info. DB error [%s] for \t\t\t\t\t\t\t\t\t\ttesselId=[%ld] "
                              "bkpSetId=[%ld])",
                              err.formatLastErrorMessage().c_str(), static_cast<long>(tesselId),
                              static_cast<long>(sqlBackupSetId));
        return false;
    }
    while ((rc = record.fetchCursor(true)) == 0) {
        const SqlBackupFile_t& row = *record.getDataPtr();
        backupFileInfo_t info;
        info.backupFileId = column(row.id);
        info.tesselId = column(row.tesselId);
        info.backupSetId = column(row.sqlBackupSetId);
        info.fileGroupId = column(row.sqlFileGroupId);
        info.fileNumber = column(row.number);
        info.logicalName = kel::fieldText(row.logicalName);
        info.physicalName = kel::fieldText(row.physicalName);
        info.physicalDrive = kel::fieldText(row.physicalDrive);
        info.pageSize = column(row.pageSize);
        info.pageCount = column(row.pageCount);
        info.type = column(row.type);
        list_.push_back(std::move(info));
    }
    record.closeCursor();
    if (rc == kDBNoRow) return true;
    err.setNumber(kelsql::kErrRowOperation);
    err.addArgument(record.getpDescribe());
    err.addArgument(record.getErrorStr(rc));
    context().log().debug(kFn,
                          "getBackupFileinfo failed. DB error [%s] for \t\t\t\t\t\t\t\t\t\t\t\ttesselId=[%ld] "
                          "bkpSetId=[%ld])",
                          err.formatLastErrorMessage().c_str(), static_cast<long>(tesselId),
                          static_cast<long>(sqlBackupSetId));
    return false;
}

void KelSQLBackupFileInfo::buildEntries() {
    freeNetworkMessage();
    entries_.resize(list_.size());
    auto own = [this](const std::string& text) {
        std::unique_ptr<char[]> copy(new char[text.size() + 1]);
        std::memcpy(copy.get(), text.c_str(), text.size() + 1);
        texts_.push_back(std::move(copy));
        return static_cast<const char*>(texts_.back().get());
    };
    for (size_t i = 0; i < list_.size(); ++i) {
        const backupFileInfo_t& info = list_[i];
        KelNetSQLBackupFileInfo_t& e = entries_[i];
        e.SqlBackupFileId = info.backupFileId;
        e.TesselId = info.tesselId;
        e.SqlBackupSetId = info.backupSetId;
        e.SqlFileGroupId = info.fileGroupId;
        e.Number = info.fileNumber;
        e.PhysicalName = own(info.physicalName);
        e.LogicalName = own(info.logicalName);
        e.PhysicalDrive = own(info.physicalDrive);
        e.PageSize = info.pageSize;
        e.PageCount = info.pageCount;
        e.Type = info.type;
    }
}

void KelSQLBackupFileInfo::copyToNetwork(KelNetSQLBkpFileInfoRsp_t& response) {
    buildEntries();
    response.Count = static_cast<uint32_t>(entries_.size());
    response.Entries = entries_.empty() ? nullptr : entries_.data();
}

void KelSQLBackupFileInfo::freeNetworkMessage() {
    if (KelNetSQLBkpFileInfoRsp_t* rsp = responseMessage(false)) rsp->Entries = nullptr;
    entries_.clear();
    entries_.shrink_to_fit();
    texts_.clear();
}

bool KelSQLBackupFileInfo::answer(KelNetSQLBkpFileInfoReq_t& req, KelNetSQLBkpFileInfoRsp_t& rsp) {
    // Only the Ostrel keeps the catalogue.
    if (!context().isServerOperations()) return refuse("KelSQLBackupFileInfo::buildReply()", req.DBCode);
    if (!query(static_cast<unsigned long>(req.BackupFile.TesselId),
               static_cast<unsigned long>(req.BackupFile.SqlBackupSetId)))
        return false;
    copyToNetwork(rsp);
    return true;
}

bool KelSQLBackupFileInfo::reply() {
    const bool built = buildReply();
    KelNetSQLBkpFileInfoRsp_t* rsp = responseMessage(false);
    if (!rsp) {
        freeNetworkMessage();
        return false;
    }
    // A failed answer sends its status and no entries.
    if (!built) entries_.clear();
    rsp->Count = static_cast<uint32_t>(entries_.size());
    // The address of our array means nothing to the requester.
    rsp->Entries = nullptr;
    const std::vector<std::vector<char>> packets = packetsOf(entries_);
    bool sent = true;
    for (size_t i = 0; sent && i < packets.size(); ++i) {
        setSendPayload(packets[i].data(), packets[i].size());
        sent = sendReply(i + 1 < packets.size());
    }
    setSendPayload(nullptr, 0);
    freeNetworkMessage();
    return built && sent;
}

bool KelSQLBackupFileInfo::broken(const char* why) {
    KelLastError& err = getLastError();
    err.setNumber(kelsql::kErrListRead);
    err.addArgument("KelSQLBackupFileInfo::messageOperations()");
    err.addArgument(why);
    list_.clear();
    freeNetworkMessage();
    // The stream may stand inside the answer: it cannot carry another exchange.
    disconnect();
    return false;
}

bool KelSQLBackupFileInfo::messageOperations() {
    list_.clear();
    freeNetworkMessage();
    if (!send() || !receive()) return false;
    KelNetSQLBkpFileInfoRsp_t* first = responseMessage(false);
    if (!first) return broken("no packet");
    const uint32_t total = first->Count;
    if (total > kelsql::kMaxListTotal) return broken("count out of bounds");
    for (;;) {
        KelNetSQLBkpFileInfoRsp_t* p = responseMessage(false);
        if (p->Count != total) return broken("count changed");
        const char* why = nullptr;
        if (!decode(getReceivedPayload(), total - list_.size(), list_, why)) return broken(why);
        if (list_.size() == total) {
            if (moreFollows()) return broken("packets beyond the count");
            break;
        }
        if (!moreFollows()) return broken("list ended early");
        if (!receive()) return false;
    }
    copyToNetwork(*responseMessage(false));
    return true;
}

bool KelSQLBackupFileInfo::networkQuery(unsigned long tesselId, unsigned long sqlBackupSetId) {
    static const char* kFn = "KelSQLBackupFileInfo::networkQuery(tesselId, sqlBackupSetId)";
    if (!idNotSet(getLastError(), tesselId, "tesselId", kFn) ||
        !idNotSet(getLastError(), sqlBackupSetId, "sqlBackupSetId", kFn))
        return false;
    KelNetSQLBkpFileInfoReq_t* req = requestMessage(true);
    if (!req) return fail(kelsql::kErrNoBuffer, kFn);
    req->DBCode = 1;
    req->BackupFile.TesselId = tesselId;
    req->BackupFile.SqlBackupSetId = sqlBackupSetId;
    return exchange(getLastError());
}
