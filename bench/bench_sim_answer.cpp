// The simulator's own share of a write transfer: a bare TCP client sends the simulator write
// requests like the library's, one at a time, and times each from the send to the first byte
// of the reply (the loopback's two wake-ups included). Once with the 30 ms between requests of
// a transfer, so that the simulator answers from cold caches as it does there, and once back to
// back.
//
//   bench_sim_answer [requests]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "support/raw_client.h"
#include "support/scale_sim_process.h"

namespace {

using Clock = std::chrono::steady_clock;

std::string WriteRequest(int plu) {
    const std::string number = std::to_string(plu);
    return "<art m=\"w\"><dvn>1<plu>" + number + "<nam>Article num\xE9ro " + number +
           "<upr>12.5<pmd>KG<tar>0.005<shl>" + std::to_string(plu % 30) + "<dpt>" +
           std::to_string(plu % 9);
}

// Microseconds from each send to its reply; empty when a request got none.
std::vector<double> Exchange(dorvex::test::RawClient& client, int firstPlu, int count,
                             std::chrono::milliseconds gap) {
    std::vector<double> us;
    for (int i = 0; i < count; ++i) {
        std::this_thread::sleep_for(gap);
        const std::string request = WriteRequest(firstPlu + i);
        const auto start = Clock::now();
        // A quiet time of zero: the reply is taken as soon as its first bytes are in.
        if (!client.Send(request) ||
            client.Receive(std::chrono::milliseconds(3000), std::chrono::milliseconds(0)).empty())
            return {};
        us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    std::sort(us.begin(), us.end());
    return us;
}

void Report(const char* what, const std::vector<double>& us) {
    std::printf("%-28s median %6.1f us  p10 %6.1f  p90 %6.1f  (%zu requests)\n", what,
                us[us.size() / 2], us[us.size() / 10], us[us.size() * 9 / 10], us.size());
}

}  // namespace

int main(int argc, char** argv) {
    const int requests = argc > 1 ? std::max(10, std::atoi(argv[1])) : 300;
    dorvex::test::ScaleSimProcess sim(
        {"--tables", std::string(DORVEX_SAMPLES_DIR) + "/table.csv", "--log", "/dev/null"});
    if (!sim.Started())
        return 1;
    dorvex::test::RawClient client(sim.Port());
    if (!client.Connected())
        return 1;
    const std::vector<double> spaced = Exchange(client, 1, requests, std::chrono::milliseconds(30));
    const std::vector<double> packed =
        Exchange(client, requests + 1, requests, std::chrono::milliseconds(0));
    if (spaced.empty() || packed.empty()) {
        std::fprintf(stderr, "a write request got no reply\n");
        return 1;
    }
    Report("write answer, 30 ms apart:", spaced);
    Report("write answer, back to back:", packed);
    return 0;
}
