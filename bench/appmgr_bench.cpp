// Client host lookups as the Ostrel makes them before each agent-bound
// message: a fresh KelClient by name, on its own connection or on the
// caller's transaction, among 1,000 registered clients.
#include <benchmark/benchmark.h>

#include <stdlib.h>
#include <unistd.h>

#include <string>

#include "platform/appmgr/KelAppAdmin.h"
#include "platform/appmgr/KelClient.h"
#include "platform/db/DBtable.h"
#include "platform/util/KelHome.h"

namespace {

constexpr int kClients = 1000;

unsigned long freshHomeWithClients() {
    std::string home = "/tmp/kel-bench-appmgr-" + std::to_string(getpid());
    std::string cmd = "rm -rf " + home;
    if (std::system(cmd.c_str()) != 0) return 0;
    setenv("KEL_HOME", home.c_str(), 1);
    DBtran tran(false);
    tran.startTran();
    kel::appmgr::Admin admin(&tran);
    unsigned long tessel = 0, client = 0;
    admin.createTessel("bench", tessel);
    for (int i = 0; i < kClients; ++i)
        admin.createClient(tessel, "client" + std::to_string(i), "host" + std::to_string(i), client);
    tran.commitTran();
    return tessel;
}

void BM_ClientHostOwnConnection_vs_ClientHostInTransaction(benchmark::State& state) {
    unsigned long tessel = freshHomeWithClients();
    int i = 0;
    for (auto _ : state) {
        std::string host;
        if (KelClient(tessel, "client" + std::to_string(i++ % kClients), false, 0).getNetworkHostname(host, nullptr))
            state.SkipWithError("lookup failed");
        benchmark::DoNotOptimize(host);
    }
}

void BM_ClientHostInTransaction(benchmark::State& state) {
    unsigned long tessel = freshHomeWithClients();
    DBtran tran(false);
    tran.startTran();
    int i = 0;
    for (auto _ : state) {
        std::string host;
        if (KelClient(tessel, "client" + std::to_string(i++ % kClients), false, 0).getNetworkHostname(host, &tran))
            state.SkipWithError("lookup failed");
        benchmark::DoNotOptimize(host);
    }
    tran.rollbackTran();
}

BENCHMARK(BM_ClientHostInTransaction)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ClientHostOwnConnection_vs_ClientHostInTransaction)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::string cmd = "rm -rf /tmp/kel-bench-appmgr-" + std::to_string(getpid());
    return std::system(cmd.c_str()) == 0 ? 0 : 1;
}
