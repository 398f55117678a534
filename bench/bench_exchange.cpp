// Request-reply exchanges over SendData/ReceiveData with the simulator answering at once:
// the median time per exchange and its excess over the 20 ms of quiet that end a TCP message
// (target: 0.15 ms at most).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "dorvex.h"
#include "support/scale_sim_process.h"

int main(int argc, char** argv) {
    const int exchanges = argc > 1 ? std::atoi(argv[1]) : 2000;
    dorvex::test::ScaleSimProcess sim(
        {"--tables", std::string(DORVEX_SAMPLES_DIR) + "/table.csv", "--log", "/dev/null"});
    if (!sim.Started())
        return 1;
    std::string link = "IPC:" + std::to_string(sim.Port());
    if (OpenDorvex(link.c_str(), "1", "127.0.0.1", 0, 0, "table.csv") != 1)
        return 1;

    std::vector<double> ms;
    std::vector<char> reply(DORVEX_REPLY_MAX);
    for (int i = 0; i < exchanges; ++i) {
        auto start = std::chrono::steady_clock::now();
        if (SendData("<idt m=\"r\"><dvn>1<dpn>1") != 1 || ReceiveData(reply.data()) <= 0) {
            std::fprintf(stderr, "exchange %d failed\n", i);
            return 1;
        }
        ms.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
    }
    CloseDorvex();
    std::sort(ms.begin(), ms.end());
    double median = ms[ms.size() / 2];
    std::printf(
        "exchanges: %d\nmedian: %.3f ms (excess over the 20 ms quiet time: %.3f ms; target <= "
        "0.150 ms)\n"
        "p90: %.3f ms  max: %.3f ms\n",
        exchanges, median, median - 20.0, ms[ms.size() * 9 / 10], ms.back());
    return 0;
}
