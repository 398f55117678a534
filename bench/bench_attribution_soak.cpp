// The reply-attribution soak: numbered requests against a simulator that splits some replies
// and answers some late. Prints how many replies were taken for the wrong request (target 0).
#include <cstdio>
#include <cstdlib>

#include "support/attribution_soak.h"

int main(int argc, char** argv) {
    const int exchanges = argc > 1 ? std::atoi(argv[1]) : 10000;
    dorvex::test::ScaleSimProcess sim(
        dorvex::test::AttributionSoakSimArgs(std::string(DORVEX_SAMPLES_DIR) + "/table.csv"));
    if (!sim.Started())
        return 1;
    dorvex::test::SoakResult result = dorvex::test::RunAttributionSoak(sim.Port(), exchanges, 7);
    std::printf("exchanges %d, answered %d, late (timed out) %d, misattributed %d\n",
                result.exchanges, result.answered, result.timedOut, result.misattributed);
    return result.misattributed == 0 ? 0 : 1;
}
