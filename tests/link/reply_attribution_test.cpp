// Every reply a wait returns belongs to the request just sent, even when some replies come
// split or after their wait gave up.
#include <gtest/gtest.h>

#include "support/attribution_soak.h"

namespace dorvex {
namespace {

TEST(ReplyAttribution, LateAndSplitRepliesAreNeverTakenForTheNextRequest) {
    test::ScaleSimProcess sim(
        test::AttributionSoakSimArgs(std::string(DORVEX_SAMPLES_DIR) + "/table.csv"));
    ASSERT_TRUE(sim.Started());
    test::SoakResult result = test::RunAttributionSoak(sim.Port(), 200, 20261206);
    EXPECT_EQ(result.exchanges, 200);
    EXPECT_EQ(result.misattributed, 0);
    // Every seventh request is answered late: those waits give up, the others get replies.
    EXPECT_GE(result.timedOut, 200 / 7);
    EXPECT_EQ(result.answered + result.timedOut, 200);
}

}  // namespace
}  // namespace dorvex
