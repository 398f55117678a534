// The simulator as TCP server, driven byte for byte over loopback.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/text.h"
#include "protocol/reply_markers.h"
#include "support/raw_client.h"
#include "support/scale_sim_process.h"

namespace dorvex::test {
namespace {

// What the library makes of an error reply: its text.
std::string ErrorText(const std::string& reply) {
    return ToUtf8(ErrorResultText(FromUtf8(reply)));
}

class ScaleSimTcp : public ::testing::Test {
  protected:
    TempTables tables_;
};

TEST_F(ScaleSimTcp, AnswersIdentityAndMarksWhatItDoesNotUnderstand) {
    ScaleSimProcess sim(tables_.SimArgs());
    ASSERT_TRUE(sim.Started());
    RawClient client(sim.Port());
    ASSERT_TRUE(client.Connected());

    EXPECT_EQ(client.Exchange("<idt m=\"r\"><dvn>1<dpn>1"),
              "<idt m=\"r\"><dvn>1<dpn>1<mdl>dorvex-scale-sim<ver>1.0");
    EXPECT_EQ(client.Exchange("hello\r\nworld"), "<unt>");
    EXPECT_EQ(client.Exchange("<zzz m=\"w\"><dvn>1<plu>1"), "<unt>");
    EXPECT_EQ(client.Exchange("<art m=\"x\"><dvn>1<plu>1"), "<unt>");

    // The log keeps each request as it came, line breaks included.
    ASSERT_TRUE(sim.WaitForRequests(4));
    EXPECT_EQ(sim.Requests()[1].sequence, 2);
    EXPECT_EQ(sim.Requests()[1].text, "hello\r\nworld");
}

TEST_F(ScaleSimTcp, RefusesRequestsItCannotExecuteWithErrorTexts) {
    ScaleSimProcess sim(tables_.SimArgs({"--device", "2"}));
    ASSERT_TRUE(sim.Started());
    RawClient client(sim.Port());

    const std::pair<const char*, const char*> refused[] = {
        {"<art m=\"w\"><dvn>2<plu>1<zzz>x", "unknown field tag zzz"},
        {"<art m=\"w\"><dvn>2<nam>x", "key field PLU missing"},
        {"<sql m=\"r\"><dvn>2<qry>SELECT COUNT(*) FROM Nope", "no such table: Nope"},
        {"<sql m=\"r+\"><dvn>2<qry>SELECT PLU, BAD FROM Article", "no such column: BAD"},
        {"<sql m=\"r\"><dvn>2<qry>DROP TABLE Article", "unsupported statement"},
        {"<sql m=\"w\"><dvn>2<qry>DELETE FROM Article", "statement does not fit mode w"},
        {"<art m=\"w\"><dvn>3<plu>1", "device 3 is not this scale"}};
    for (const auto& [request, text] : refused)
        EXPECT_EQ(ErrorText(client.Exchange(request)), text) << request;
    // Device 0 ("fm" in reads) reaches every scale.
    EXPECT_EQ(client.Exchange("<art m=\"w\"><dvn>0<plu>1"), kWritten);
    EXPECT_EQ(client.Exchange("<art m=\"r\"><dvn>fm<plu>1"), "<art m=\"r\"><plu>1<nam><pri>");
}

// Errors and missing replies are injected by the export tests; the "not understood" one here.
TEST_F(ScaleSimTcp, InjectsNotUnderstoodRepliesWithoutExecuting) {
    ScaleSimProcess sim(tables_.SimArgs({"--unknown-nth", "2"}));
    ASSERT_TRUE(sim.Started());
    RawClient client(sim.Port());

    EXPECT_EQ(client.Exchange(ArticleWrite("<plu>1")), kWritten);
    EXPECT_EQ(client.Exchange(ArticleWrite("<plu>2")), "<unt>");
    EXPECT_EQ(client.Exchange(ArticleWrite("<plu>3")), kWritten);
    EXPECT_EQ(client.Exchange(ArticleWrite("<plu>4")), "<unt>");
    // Requests 2 and 4 were not executed.
    EXPECT_NE(
        client.Exchange("<sql m=\"r\"><dvn>1<qry>SELECT COUNT(*) FROM Article").find("<val>2"),
        std::string::npos);
}

TEST_F(ScaleSimTcp, CutsRequestsAtAWholeLeadingTagOrAfterTheQuietTimeWhenAskedTo) {
    for (bool strict : {false, true}) {
        ScaleSimProcess sim(
            tables_.SimArgs(strict ? std::vector<std::string>{"--strict-quiet", "--quiet-ms", "400"}
                                   : std::vector<std::string>{}));
        ASSERT_TRUE(sim.Started());
        RawClient client(sim.Port());
        // An incomplete leading tag waits for the rest.
        client.Send("<idt m=\"r");
        std::this_thread::sleep_for(Ms(5));
        client.Send("\"><dvn>1<dpn>1");
        EXPECT_EQ(client.Receive(Ms(3000), Ms(200)).substr(0, 11), "<idt m=\"r\">");
        ASSERT_TRUE(sim.WaitForRequests(1));
        EXPECT_EQ(sim.Requests()[0].text, "<idt m=\"r\"><dvn>1<dpn>1");
        // A whole leading tag is a request at once, unless the quiet time is kept.
        client.Send("<idt m=\"r\">");
        std::this_thread::sleep_for(Ms(60));
        client.Send("<dvn>1<dpn>1");
        client.Receive(Ms(3000), Ms(200));
        ASSERT_TRUE(sim.WaitForRequests(2));
        EXPECT_EQ(sim.Requests().size(), strict ? 2u : 3u);
    }
}
}  // namespace
}  // namespace dorvex::test
