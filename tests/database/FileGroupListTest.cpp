// The two file-group lists: names from an agent host's live instance, rows
// from the Ostrel's catalogue, whole and in order whatever their length; the
// wrong side refused; and a peer that breaks the packet rules.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <chrono>
#include <thread>

#include "DatabaseFixture.h"
#include "KelSQL/KelNetSQLFileGroupList.h"
#include "KelSQL/KelNetSQLFileGroupNameList.h"
#include "platform/net/KelFrame.h"
#include "support/RawPeer.h"
#include "support/LiveInstance.h"

using kel::test::failure;

namespace {

class FileGroupListTest : public kel::test::DatabaseTest {
protected:
    // n file-group rows of a new database, names descending so that id order
    // is not name order; some deleted, some removed.
    unsigned long databaseWithGroups(size_t n) {
        const unsigned long db = databaseRow("db" + std::to_string(n));
        std::string batch = "BEGIN;";
        for (size_t i = 0; i < n; ++i)
            batch += "INSERT INTO sqlFileGroup(tesselId, sqlDatabaseId, applicationNumber, groupId, fileGroupName, "
                     "streams, maxStreams, addTime, removalTime, deleteFlag) VALUES (" +
                     std::to_string(tessel_) + ", " + std::to_string(db) + ", 1, 1, " +
                     kel::sql::quoted(kel::test::fileGroupName(n - i)) + ", 1, 1, 1, " +
                     std::to_string(i % 5 == 0 ? 5000 + i : 0) + ", " + std::to_string(i % 7 == 0 ? 1 : 0) + ");";
        EXPECT_TRUE(kel::test::sql(batch + "COMMIT;"));
        return db;
    }

    // Loads the live handler library into the agent host's dispatcher.
    void serveLiveInstance() {
        startAgentHost();
        KelLastError err;
        ASSERT_TRUE(kel::probe::loadHandler(kAgentHost, "sLNSQLLIVE", "sLPSQLLIVEMSG", err))
            << err.formatLastErrorMessage();
    }
};

}  // namespace

TEST_F(FileGroupListTest, ListsArriveWholeAndInOrder) {
    serveLiveInstance();
    KelSQLClassProperties agent(KelSQLClientSide);
    KelSQLClassProperties ostrel(KelSQLServerSide);
    ostrel.setRemoteSqlHostName(kAgentHost);
    for (size_t n : {0, 50, 51, 120}) {
        KelNetSQLFileGroupNameList names(ostrel, false);
        std::vector<std::string> got{"stale"};
        ASSERT_TRUE(names.lookup("fg" + std::to_string(n), got)) << names.getLastError().formatLastErrorMessage();
        EXPECT_EQ(got, kel::test::liveFileGroups("fg" + std::to_string(n))) << n;

        const unsigned long db = databaseWithGroups(n);
        KelNetSQLFileGroupList rows(agent, false);
        std::vector<KelNetSQLFileGroupItem_t> items;
        ASSERT_TRUE(rows.lookup(db, items)) << rows.getLastError().formatLastErrorMessage();
        ASSERT_EQ(items.size(), n);
        for (size_t i = 0; i < n; ++i) {
            EXPECT_EQ(kel::fieldText(items[i].Name), kel::test::fileGroupName(n - i)) << n << ":" << i;
            EXPECT_EQ(items[i].RemovalTime, i % 5 == 0 ? 5000 + i : 0u) << n << ":" << i;
            if (i > 0) {
                EXPECT_GT(items[i].SqlFileGroupId, items[i - 1].SqlFileGroupId);
            }
        }
    }
}

TEST_F(FileGroupListTest, WrongSidesAndCursorFailuresAreRefused) {
    startAgentHost();
    KelSQLClassProperties agent(KelSQLClientSide);
    KelSQLClassProperties ostrel(KelSQLServerSide);
    std::vector<std::string> names;
    std::vector<KelNetSQLFileGroupItem_t> items;
    KelNetSQLFileGroupNameList nameList(agent, false);
    EXPECT_EQ(failure(nameList.lookup("fg3", names), nameList.getLastError()), kelsql::kErrOstrelSideOnly);
    KelNetSQLFileGroupList itemList(ostrel, false);
    EXPECT_EQ(failure(itemList.lookup(1, items), itemList.getLastError()), kelsql::kErrAgentSideOnly);

    // Each request sent to the side that does not answer it.
    ostrel.setRemoteSqlHostName(kOstrel);
    KelNetSQLFileGroupNameList atOstrel(ostrel, false);
    EXPECT_EQ(failure(atOstrel.lookup("fg3", names), atOstrel.getLastError()), kelsql::kErrRequestRefused);
    KelNetSQLFileGroupList atAgent(agent, false);
    ASSERT_TRUE(atAgent.setRemoteDataAgent(kAgentHost));
    EXPECT_EQ(failure(atAgent.lookup(1, items), atAgent.getLastError()), kelsql::kErrRequestRefused);

    const unsigned long db = databaseWithGroups(3);
    ASSERT_TRUE(kel::test::sql("ALTER TABLE sqlFileGroup RENAME TO sqlFileGroupGone"));
    KelNetSQLFileGroupList broken(agent, false);
    EXPECT_EQ(failure(broken.lookup(db, items), broken.getLastError()), kelsql::kErrListRead);
    EXPECT_TRUE(items.empty());
}

namespace {

struct Packet {
    uint64_t total;
    uint64_t count;
    bool more;
};

// An Ostrel that answers one request with the packets it is given.
class ScriptedOstrel {
public:
    explicit ScriptedOstrel(std::vector<Packet> script) : script_(std::move(script)) {
        listener_ = kel::net::Socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof sa;
        if (::bind(listener_.fd(), reinterpret_cast<sockaddr*>(&sa), len) != 0 || ::listen(listener_.fd(), 1) != 0 ||
            ::getsockname(listener_.fd(), reinterpret_cast<sockaddr*>(&sa), &len) != 0)
            return;
        port_ = ntohs(sa.sin_port);
        thread_ = std::thread([this] { serve(); });
    }
    ~ScriptedOstrel() {
        if (thread_.joinable()) thread_.join();
    }
    int port() const { return port_; }

private:
    void serve() {
        kel::test::RawPeer peer = kel::test::RawPeer::accept(listener_.fd());
        if (!peer.valid()) return;
        const kel::net::FrameHeader request = peer.readFrame(5000).header;
        if (request.kind != kel::net::kFrameRequest) return;
        uint32_t index = 0;
        for (const Packet& s : script_) {
            KelNetSQLFileGroupListRsp_t packet{};
            packet.TotalCount = s.total;
            packet.Count = s.count;
            kel::net::FrameHeader h = kel::net::makeHeader(kel::net::kFrameResponse);
            h.family = request.family;
            h.type = 0x1E000040;
            h.messageId = request.messageId;
            h.flags = s.more ? uint32_t{kel::net::kFlagMoreFollows} : 0u;
            h.packetIndex = index++;
            if (!peer.sendFrame(h, &packet, sizeof packet)) return;
        }
        char sink[256];
        kel::test::takeBytes(peer.fd(), sink, sizeof sink, 5000);  // until the caller hangs up
    }

    std::vector<Packet> script_;
    kel::net::Socket listener_;
    int port_ = 0;
    std::thread thread_;
};

}  // namespace

TEST_F(FileGroupListTest, PeerBreakingThePacketRulesEndsTheExchange) {
    const std::vector<std::vector<Packet>> scripts = {
        {{120, 50, true}, {120, 0, true}, {120, 50, true}},  // an empty packet before the end
        {{120, 51, true}},                                   // more than a packet holds
        {{10, 20, false}},                                   // more than the total
        {{60, 50, true}, {60, 20, false}},                   // beyond the total
        {{120, 50, true}, {121, 50, true}, {121, 21, false}},  // a changing total
        {{50, 50, true}, {50, 1, false}},                    // packets after the whole list
    };
    for (const std::vector<Packet>& script : scripts) {
        ScriptedOstrel peer(script);
        ASSERT_NE(peer.port(), 0);
        ASSERT_TRUE(KelRegistry::set(kMachine, kel::kSectionHosts, "SCRIPTED", "127.0.0.1:" + std::to_string(peer.port())));
        KelSQLClassProperties agent(KelSQLClientSide);
        KelNetSQLFileGroupList m(agent, false);
        ASSERT_TRUE(m.setRemoteOstrel("SCRIPTED"));
        std::vector<KelNetSQLFileGroupItem_t> items;
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(failure(m.lookup(7, items), m.getLastError()), kelsql::kErrListRead) << script.front().count;
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(4));
        EXPECT_TRUE(items.empty());
    }
}
