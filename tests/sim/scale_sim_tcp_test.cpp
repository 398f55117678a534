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

// What the library makes of replies: an error's text, a whole-table read's record.
std::string ErrorText(const std::string& reply) {
    return ToUtf8(ErrorResultText(FromUtf8(reply)));
}
std::string WalkValues(const std::string& reply) {
    return ToUtf8(WholeTableValueOf(FromUtf8(reply)));
}

std::string Write(std::string_view fields) {
    return "<art m=\"w\"><dvn>1" + std::string(fields);
}

class ScaleSimTcp : public ::testing::Test {
  protected:
    std::vector<std::string> Args(std::vector<std::string> extra = {}) const {
        extra.insert(extra.begin(), {"--tables", tables_.TablesPath()});
        return extra;
    }
    TempTables tables_;
};

TEST_F(ScaleSimTcp, AnswersIdentityAndMarksWhatItDoesNotUnderstand) {
    ScaleSimProcess sim(Args());
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

TEST_F(ScaleSimTcp, WritesUpdatesReadsAndDeletesRecords) {
    ScaleSimProcess sim(Args());
    ASSERT_TRUE(sim.Started());
    RawClient client(sim.Port());

    EXPECT_EQ(client.Exchange(Write("<plu>12<nam>A&lt;B\r\nC;D<pri>3")), "<art m=\"w\"><res>OK");
    EXPECT_EQ(client.Exchange("<art m=\"r\"><dvn>fm<plu>12"),
              "<art m=\"r\"><plu>12<nam>A&lt;B\r\nC;D<pri>3");
    // An update changes only the fields it carries; an empty value empties a field.
    EXPECT_EQ(client.Exchange(Write("<plu>12<pri>")), "<art m=\"w\"><res>OK");
    EXPECT_EQ(client.Exchange("<art m=\"r\"><dvn>1<plu>12"),
              "<art m=\"r\"><plu>12<nam>A&lt;B\r\nC;D<pri>");
    EXPECT_EQ(ErrorText(client.Exchange("<art m=\"r\"><dvn>1<plu>99")), "record not found");

    // Deletes by key and of the whole table.
    client.Exchange(Write("<plu>13"));
    EXPECT_EQ(client.Exchange("<art m=\"d\"><dvn>1<plu>12"), "<art m=\"d\"><res>OK");
    EXPECT_EQ(ErrorText(client.Exchange("<art m=\"d\"><dvn>1<plu>12")), "record not found");
    EXPECT_EQ(client.Exchange("<sql m=\"d\"><dvn>0<qry>DELETE FROM Article"),
              "<sql m=\"d\"><res>1");
}

TEST_F(ScaleSimTcp, CountsAndWalksTheTableOneRecordPerRequest) {
    ScaleSimProcess sim(Args());
    ASSERT_TRUE(sim.Started());
    RawClient client(sim.Port());
    for (const char* row : {"<plu>3<nam>c", "<plu>1<nam>a&gt;", "<plu>2<nam>b"})
        ASSERT_EQ(client.Exchange(Write(row)), "<art m=\"w\"><res>OK");

    std::string count = client.Exchange("<sql m=\"r\"><dvn>fm<qry>SELECT COUNT(*) FROM Article");
    EXPECT_NE(count.find("COUNT(*)<val>3"), std::string::npos) << count;

    const std::string select = "<sql m=\"r+\"><dvn>fm<qry>SELECT plu,  NAME FROM Article";
    std::string first = client.Exchange(select);
    EXPECT_EQ(first.substr(first.find("<fld>"), 14), "<fld>PLU;NAME<");
    std::vector<std::string> values = {WalkValues(first)};
    values.push_back(WalkValues(client.Exchange(select)));
    values.push_back(WalkValues(client.Exchange(select)));
    // Insertion order, values escaped as they travel.
    EXPECT_EQ(values, (std::vector<std::string>{"3;c", "1;a&gt;", "2;b"}));
    EXPECT_EQ(ErrorText(client.Exchange(select)), "no more records");

    // A new count starts the walk again.
    client.Exchange("<sql m=\"r\"><dvn>fm<qry>SELECT COUNT(*) FROM Article");
    EXPECT_EQ(WalkValues(client.Exchange(select)), "3;c");
    EXPECT_EQ(WalkValues(client.Exchange("<sql m=\"r+\"><dvn>fm<qry>SELECT * FROM Article")),
              "3;c;");
}

TEST_F(ScaleSimTcp, RefusesRequestsItCannotExecuteWithErrorTexts) {
    ScaleSimProcess sim(Args({"--device", "2"}));
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
    EXPECT_EQ(client.Exchange("<art m=\"w\"><dvn>0<plu>1"), "<art m=\"w\"><res>OK");
    EXPECT_EQ(client.Exchange("<art m=\"r\"><dvn>fm<plu>1"), "<art m=\"r\"><plu>1<nam><pri>");
}

TEST_F(ScaleSimTcp, CarriesTextsInTheDataCodePageOrUtf16) {
    {
        ScaleSimProcess sim(Args());
        ASSERT_TRUE(sim.Started());
        RawClient client(sim.Port());
        client.Exchange(Write("<plu>1<nam>caf\xE9 \x80"));
        EXPECT_EQ(client.Exchange("<art m=\"r\"><dvn>1<plu>1"),
                  "<art m=\"r\"><plu>1<nam>caf\xE9 \x80<pri>");
        ASSERT_TRUE(sim.WaitForRequests(1));
        EXPECT_EQ(sim.Requests()[0].text, "<art m=\"w\"><dvn>1<plu>1<nam>caf\xC3\xA9 \xE2\x82\xAC");
    }
    ScaleSimProcess sim(Args({"--unicode"}));
    ASSERT_TRUE(sim.Started());
    RawClient client(sim.Port());
    std::string write = ToUtf16LeBytes(u"<art m=\"w\"><dvn>1<plu>\u0141\u00F3d\u017A");
    EXPECT_EQ(client.Exchange(write), ToUtf16LeBytes(u"<art m=\"w\"><res>OK"));
    EXPECT_EQ(client.Exchange(ToUtf16LeBytes(u"<art m=\"r\"><dvn>1<plu>\u0141\u00F3d\u017A")),
              ToUtf16LeBytes(u"<art m=\"r\"><plu>\u0141\u00F3d\u017A<nam><pri>"));
}

TEST_F(ScaleSimTcp, InjectsErrorUnknownAndMissingRepliesWithoutExecuting) {
    ScaleSimProcess sim(Args({"--error-nth", "2", "--unknown-nth", "3", "--drop-nth", "5"}));
    ASSERT_TRUE(sim.Started());
    RawClient client(sim.Port());

    EXPECT_EQ(client.Exchange(Write("<plu>1")), "<art m=\"w\"><res>OK");
    EXPECT_EQ(client.Exchange(Write("<plu>2")), "<art m=\"e\"><err>injected error 2");
    EXPECT_EQ(client.Exchange(Write("<plu>3")), "<unt>");
    EXPECT_EQ(ErrorText(client.Exchange(Write("<plu>4"))), "injected error 4");
    client.Send(Write("<plu>5"));
    EXPECT_EQ(client.Receive(Ms(300)), "");
    EXPECT_EQ(client.Exchange(Write("<plu>6")), "<unt>");
    // Request 7 meets no fault; 2 to 6 were not executed.
    EXPECT_NE(
        client.Exchange("<sql m=\"r\"><dvn>1<qry>SELECT COUNT(*) FROM Article").find("<val>1"),
        std::string::npos);
}

TEST_F(ScaleSimTcp, SplitsRepliesIntoPiecesWithGaps) {
    ScaleSimProcess sim(Args({"--split-reply", "3:80"}));
    ASSERT_TRUE(sim.Started());
    RawClient client(sim.Port());
    std::int64_t start = NowMs();
    ASSERT_TRUE(client.Send("<idt m=\"r\"><dvn>1<dpn>1"));
    // With a 30 ms quiet time each piece is a message of its own.
    std::vector<std::string> pieces;
    for (std::string piece; !(piece = client.Receive(Ms(300), Ms(30))).empty();)
        pieces.push_back(piece);
    EXPECT_GE(NowMs() - start, 150);
    ASSERT_EQ(pieces.size(), 3u);
    EXPECT_EQ(pieces[0] + pieces[1] + pieces[2],
              "<idt m=\"r\"><dvn>1<dpn>1<mdl>dorvex-scale-sim<ver>1.0");
}

TEST_F(ScaleSimTcp, ClosesAfterNRequestsAndServesTheNextConnection) {
    ScaleSimProcess sim(Args({"--close-after", "2"}));
    ASSERT_TRUE(sim.Started());
    {
        RawClient client(sim.Port());
        EXPECT_EQ(client.Exchange(Write("<plu>1")), "<art m=\"w\"><res>OK");
        EXPECT_EQ(client.Exchange(Write("<plu>2")), "<art m=\"w\"><res>OK");
        EXPECT_EQ(client.Receive(Ms(2000)), "");
        EXPECT_TRUE(client.Closed());
    }
    RawClient again(sim.Port());
    EXPECT_EQ(again.Exchange("<art m=\"r\"><dvn>1<plu>2"), "<art m=\"r\"><plu>2<nam><pri>");
    EXPECT_TRUE(sim.WaitForLine("accepted connection", 2));
}

TEST_F(ScaleSimTcp, CutsRequestsAtAWholeLeadingTagOrAfterTheQuietTimeWhenAskedTo) {
    for (bool strict : {false, true}) {
        ScaleSimProcess sim(
            Args(strict ? std::vector<std::string>{"--strict-quiet", "--quiet-ms", "400"}
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
