// Restore tasks as an agent reads them from the Ostrel's dispatcher: the
// three versions of one task, the bounded chain walk, and the job manager's
// lookup through its library.
#include "RestoreFixture.h"

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <thread>

#include "platform/jobmgr/KelJobMgr.h"
#include "platform/net/KelFrame.h"
#include "support/RawPeer.h"
#include "platform/net/KelPI_Library.h"

using kel::test::failure;
using kel::test::refused;

namespace {

class RestoreTaskMessageTest : public kel::test::RestoreTest {
protected:
    // Tasks first..first+length-1 chained in order, the last pointing at last.
    void chain(unsigned long first, int length, unsigned long last, int systemFlags = 0) {
        std::string text;
        for (int i = 0; i < length; ++i) {
            const unsigned long id = first + static_cast<unsigned long>(i);
            text += "INSERT INTO sqlRestoreTask (id, restoreType, sqlDatabaseId, sqlServerId, databaseName, next, "
                    "systemFlags) VALUES (" + std::to_string(id) + ", 5, " + std::to_string(database_) + ", " +
                    std::to_string(instance_) + ", 'pubs', " + std::to_string(i + 1 < length ? id + 1 : last) +
                    ", " + std::to_string(systemFlags) + ");";
        }
        ASSERT_TRUE(kel::test::sql(text));
    }
};

}  // namespace

TEST_F(RestoreTaskMessageTest, EachVersionAnswersItsLayout) {
    KelSQLClassProperties ostrel(KelSQLServerSide);
    KelSQLRestoreTask task(ostrel, false);
    const std::string mark(64, 'm'), undo(1024, 'u');
    task.setSqlDatabaseId(database_);
    task.setSqlServerId(instance_);
    ASSERT_TRUE(task.setRestoreTypeStopAtMark(mark, 1600000000));
    ASSERT_TRUE(task.setRestoreTypeDBBackupSet(backupSetRow("full")));
    ASSERT_TRUE(task.setRestoreFlags(0x40));
    task.setUndoFile(undo);
    task.setNext(31);
    task.setSystemFlags(3);
    task.setArchiveCopyId(9);
    const unsigned long id = storeTask(ostrel, task);
    ASSERT_NE(id, 0u) << task.getLastError().formatLastErrorMessage();

    struct Case {
        unsigned long long type;
        size_t size;
        uint64_t archiveCopyId;
        const char* markName;
    };
    const Case cases[] = {{0x1E000021, 2960, 0, ""}, {0x1E000043, 2968, 9, ""}, {0x1E00004D, 3040, 9, mark.c_str()},
                          {0, 3040, 9, mark.c_str()}};
    KelSQLClassProperties agent(KelSQLClientSide);
    for (const Case& c : cases) {
        KelNetSQLRestoreTask m(agent, false, c.type);
        m.requestMessage(true)->SqlRestoreTaskId = id;
        KelLastError err;
        ASSERT_TRUE(m.exchange(err)) << err.formatLastErrorMessage();
        ASSERT_EQ(m.getResponseMessageLength(), c.size);
        const char* record = m.getResponseMessage() + 560;
        const auto& t = *reinterpret_cast<const KelNetSQLRestoreTask_t*>(record);
        EXPECT_EQ(t.SqlRestoreTaskId, id);
        EXPECT_EQ(t.RestoreType, 4u);
        EXPECT_EQ(t.SqlBackupSetId, task.sqlBackupSetId());
        EXPECT_EQ(t.SqlDatabaseId, database_);
        EXPECT_EQ(t.SqlServerId, instance_);
        EXPECT_EQ(t.RestoreFlags, 0x40u);
        EXPECT_EQ(kel::fieldText(t.ServerName), "ALPHA\\SQL1");
        EXPECT_EQ(kel::fieldText(t.DatabaseName), "pubs");
        EXPECT_EQ(kel::fieldText(t.UndoFile), undo);
        EXPECT_TRUE(std::all_of(t.Reserved, t.Reserved + sizeof t.Reserved, [](char b) { return b == 0; }));
        EXPECT_EQ(t.NextSqlRestoreTaskId, 31u);
        EXPECT_EQ(t.SystemFlags, 3u);

        KelSQLRestoreTask read(agent, false, c.type);
        ASSERT_TRUE(read.querySqlRestoreTask(id)) << read.getLastError().formatLastErrorMessage();
        EXPECT_EQ(read.archiveCopyId(), c.archiveCopyId) << std::hex << c.type;
        EXPECT_EQ(read.stopMarkName(), c.markName) << std::hex << c.type;
        EXPECT_EQ(read.undoFile(), undo);
        EXPECT_TRUE(read.isStandBy());
    }
    KelNetSQLRestoreTask none(agent, false, 0x1E00004D);
    none.requestMessage(true)->SqlRestoreTaskId = 0;
    KelLastError err;
    EXPECT_TRUE(refused(none.exchange(err), err, 0x1E000036,
                        "KelSQLRestoreTask::lookup(reqRestoreTask, rspRestoreTask3)"));
    EXPECT_EQ(kel::test::arguments(err).back(), "1653");
}

TEST_F(RestoreTaskMessageTest, ChainWalkIsBoundedAndEndsOnALoop) {
    struct Case {
        const char* what;
        unsigned long first;
        int length;
        unsigned long last;  // the last task's next
        uint64_t error;
        const char* why;  // the last argument of the error
    };
    const Case cases[] = {
        {"249 tasks", 1000, 249, 0, 0, nullptr},
        {"250 tasks", 2000, 250, 0, 0x1E00006D, nullptr},
        {"a loop of two", 3000, 2, 3000, 0x1E000033, "the chain comes round to id 3000 again"},
        {"a missing task", 4000, 2, 4999, 0x1E000033, nullptr},
    };
    KelSQLClassProperties agent(KelSQLClientSide);
    for (const Case& c : cases) {
        chain(c.first, c.length, c.last);
        KelSQLRestoreTask task(agent, false);
        std::vector<KelNetSQLRestoreTaskInfo_t> list;
        const bool ok = task.queryRestoreTaskList(c.first, list);
        EXPECT_EQ(failure(ok, task.getLastError()), c.error) << c.what;
        EXPECT_EQ(list.size(), ok ? static_cast<size_t>(c.length) : 0u) << c.what;
        // Every failure names the function that raised it.
        if (!ok) {
            EXPECT_EQ(kel::test::firstArgument(task.getLastError()),
                      "KelSQLRestoreTask::lookup(reqRestoreTaskList, rspRestoreTaskList)")
                << c.what;
        }
        if (c.why) {
            EXPECT_EQ(kel::test::arguments(task.getLastError()).back(), c.why) << c.what;
        }
        if (ok) {
            EXPECT_EQ(list.back().Id, c.first + static_cast<unsigned long>(c.length) - 1) << c.what;
        }
    }
    chain(5000, 1, 0, -2);
    KelSQLRestoreTask single(agent, false);
    std::vector<KelNetSQLRestoreTaskInfo_t> list;
    ASSERT_TRUE(single.queryRestoreTaskList(5000, list));
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].SystemFlags, 0xFFFFFFFFFFFFFFFEull);
}

// An Ostrel that answers the list with more entries than the response holds.
TEST_F(RestoreTaskMessageTest, ACountBeyondTheSlotsIsAMalformedAnswer) {
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(0, ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address));
    ASSERT_EQ(0, ::listen(listener, 1));
    ASSERT_EQ(0, ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length));
    ASSERT_TRUE(KelRegistry::set(kMachine, kel::kSectionHosts, kOstrel,
                                 "127.0.0.1:" + std::to_string(ntohs(address.sin_port))));
    std::thread peer([listener] {
        kel::test::RawPeer ostrel = kel::test::RawPeer::accept(listener);
        if (!ostrel.valid()) return;
        const kel::net::FrameHeader asked = ostrel.readFrame(5000).header;
        kel::net::FrameHeader header = kel::net::makeHeader(kel::net::kFrameResponse);
        header.family = asked.family;
        header.type = asked.type + 1;
        header.messageId = asked.messageId;
        KelNetSQLRestoreTaskListRsp_t rsp{};
        rsp.TotalCount = 300;
        ostrel.sendFrame(header, &rsp, sizeof rsp);
    });
    KelSQLClassProperties agent(KelSQLClientSide);
    KelSQLRestoreTask task(agent, false);
    std::vector<KelNetSQLRestoreTaskInfo_t> list;
    EXPECT_TRUE(refused(task.queryRestoreTaskList(7, list), task.getLastError(), 0x1E000032));
    EXPECT_TRUE(list.empty());
    peer.join();
    ::close(listener);
}

TEST_F(RestoreTaskMessageTest, JobManagerNamesTheCatalogueTask) {
    KelSQLClassProperties ostrel(KelSQLServerSide);
    KelSQLRestoreTask stored(ostrel, false);
    ASSERT_TRUE(stored.setRestoreTypeRecoverOnly());
    const unsigned long taskId = storeTask(ostrel, stored);
    ASSERT_NE(taskId, 0u);
    struct Case {
        const char* what;
        uint64_t tessel;
        uint64_t catalogueTask;
        size_t nameLength;
        uint64_t error;
    };
    const Case cases[] = {
        {"a task", 1, taskId, 8, 0},
        {"a 300-character user", 1, taskId, 300, 0},
        {"no catalogue task", 1, 0, 8, 0x1E00004F},
        {"no Tessel", 0, taskId, 8, 0x1E00004F},
    };
    KelSQLClassProperties agent(KelSQLClientSide);
    for (const Case& c : cases) {
        kel::jobmgr::RestoreTaskEntry entry;
        entry.tesselId = c.tessel;
        entry.jobId = 0x100000002ull;
        entry.guiSequenceNumber = 12;
        entry.sqlRestoreTaskId = c.catalogueTask;
        entry.userId = 4;
        entry.userName = std::string(c.nameLength, 'n');
        uint64_t jobTask = 0;
        KelLastError err;
        ASSERT_EQ(0, kel::jobmgr::registerRestoreTask(entry, jobTask, err)) << err.formatLastErrorMessage();
        KelSQLRestoreTask task(agent, false);
        task.setEvRestoreTaskId(jobTask);
        const bool ok = task.query(0);
        EXPECT_EQ(failure(ok, task.getLastError()), c.error) << c.what;
        if (!ok) {
            EXPECT_EQ(kel::test::firstArgument(task.getLastError()), std::to_string(jobTask)) << c.what;
            EXPECT_FALSE(task.isJobManagerLoaded()) << c.what;
            continue;
        }
        EXPECT_EQ(task.sqlRestoreTaskId(), taskId);
        EXPECT_EQ(task.restoreType(), 5u);
        EXPECT_EQ(task.JobId(), 0x100000002ull);
        EXPECT_EQ(task.GUISequenceNumber(), 12u);
        EXPECT_EQ(task.UserId(), 4u);
        EXPECT_EQ(task.UserName().size(), std::min<size_t>(c.nameLength, 255)) << c.what;
    }
    KelSQLRestoreTask none(agent, false);
    EXPECT_TRUE(refused(none.query(0), none.getLastError(), 0x1E000037, "evRestoreTaskId"));
    KelSQLRestoreTask onOstrel(ostrel, false);
    EXPECT_TRUE(refused(onOstrel.query(1), onOstrel.getLastError(), 0x1E000034));
}

// This test program's folder and platform home hold no job manager library.
TEST_F(RestoreTaskMessageTest, AMissingJobManagerLibraryGivesTheLoadersError) {
    KelSQLClassProperties ostrel(KelSQLServerSide);
    KelNetSQLEvRestoreTaskReq_t req{1};
    KelNetSQLEvRestoreTask answer(ostrel, 1, reinterpret_cast<char*>(&req));
    EXPECT_FALSE(answer.buildReply());
    EXPECT_EQ(answer.getLastError().number(), kel::kErrLibraryNotFound);
    EXPECT_EQ(answer.responseMessage(false)->Status.Status, 1u);
    EXPECT_EQ(answer.responseMessage(false)->Status.LastError, kel::kErrLibraryNotFound);
}
