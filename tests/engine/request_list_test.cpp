// The request store: bodies kept in the encoding they travel in, written straight from the
// record (one pass) or built and encoded, and read back whole across the store's blocks.
#include <gtest/gtest.h>

#include <random>

#include "engine/request_list.h"
#include "platform/code_page.h"
#include "protocol/row_body_builder.h"
#include "tables/data_file.h"
#include "tables/record_cursor.h"
#include "tables/table_catalog.h"
#include "tables/table_test_files.h"

namespace dorvex {
namespace {

using test::TempDir;

std::string Encoded(WireEncoding encoding, TextView text) {
    return encoding == WireEncoding::Utf16Le ? ToUtf16LeBytes(text) : EncodeData(text);
}

class RequestListTest : public ::testing::Test {
  protected:
    void SetUp() override {
        catalog_.Load(dir_.WriteNarrow("table.csv", test::kArticleTableCsv));
        ASSERT_TRUE(catalog_.SelectTable(u"Article"));
    }

    TempDir dir_;
    TableCatalog catalog_;
};

// Whatever the marker and the characters, the stored bytes are the body the builder makes,
// encoded the way the link carries it.
TEST_F(RequestListTest, StoredBodiesAreTheBuiltBodiesAsTheyTravel) {
    std::mt19937 random(11);
    const TextView alphabet = u"a&|<>lt; éŸ€Āz";  // Ā has no byte in Windows-1252
    const TextView markers[] = {u"", u"|", u"&", u"<", u"é", u"Ā", u"|a", u"&|", u"lt"};
    for (int round = 0; round < 120; ++round) {
        Text content = u"PLU;NAME\r\n";
        for (int row = 0; row < 3; ++row) {
            Text values[2];
            for (Text& value : values) {
                for (int k = random() % 10; k > 0; --k)
                    value += alphabet[random() % alphabet.size()];
                value = u"x" + value + u"x";
            }
            content +=
                Replaced(values[0], u";", u"") + u";" + Replaced(values[1], u";", u"") + u"\r\n";
        }
        DataFile file(dir_.WriteWide("article_w.csw", content));
        ASSERT_TRUE(file.Open());
        RowBodyBuilder builder;
        Text missing;
        ASSERT_TRUE(builder.Prepare(catalog_, file, missing));
        for (TextView marker : markers) {
            for (WireEncoding encoding : {WireEncoding::DataCodePage, WireEncoding::Utf16Le}) {
                RequestList requests;
                requests.Clear(encoding);
                std::vector<std::string> expected;
                RecordCursor cursor;
                for (cursor.Open(&file); !cursor.IsEOF(); cursor.MoveNext()) {
                    Text body;
                    builder.AppendBody(cursor, marker, body);
                    expected.push_back(Encoded(encoding, body));
                    requests.AppendRowBody(builder, cursor, marker);
                }
                ASSERT_EQ(requests.Size(), expected.size());
                for (std::size_t i = 0; i < expected.size(); ++i) {
                    EXPECT_EQ(requests.At(i), expected[i])
                        << "marker " << ToUtf8(marker) << " row " << i;
                }
            }
        }
    }
}

TEST_F(RequestListTest, RequestsAreReadBackWholeAcrossBlocks) {
    for (WireEncoding encoding : {WireEncoding::DataCodePage, WireEncoding::Utf16Le}) {
        RequestList requests;
        requests.Clear(encoding);
        EXPECT_EQ(requests.Encoding(), encoding);
        std::vector<Text> bodies;
        std::mt19937 random(3);
        // Enough to fill several blocks, with empty requests and one larger than a block.
        for (int i = 0; bodies.size() < 9000; ++i) {
            std::size_t length = i % 7 == 0 ? 0 : random() % 3000;
            if (i == 4000)
                length = RequestList::kBlockBytes + 17;
            bodies.emplace_back(length, static_cast<char16_t>(u'A' + i % 26));
            if (length > 1)
                bodies.back()[length - 1] = u'é';
            requests.Append(bodies.back());
        }
        ASSERT_EQ(requests.Size(), bodies.size());
        for (std::size_t i = 0; i < bodies.size(); ++i)
            ASSERT_EQ(requests.At(i), Encoded(encoding, bodies[i])) << i;
        EXPECT_TRUE(requests.At(bodies.size()).empty());
        EXPECT_EQ(requests.Encode(u"<idt m=\"w\">"), Encoded(encoding, u"<idt m=\"w\">"));
        requests.Clear();
        EXPECT_TRUE(requests.Empty());
        EXPECT_EQ(requests.Encoding(), WireEncoding::DataCodePage);
    }
}

// A record whose largest possible body would not fit a block is measured first and stored in a
// block of its own size: the longest line a data file may hold, stored as UTF-16.
TEST_F(RequestListTest, AVeryLongRecordIsStoredWhole) {
    Text name(static_cast<std::size_t>(DataFile::kMaxLineLength) - 16, u'n');
    name[7] = u'<';
    DataFile file(dir_.WriteNarrow("article_w.csv", u"PLU;NAME\r\n1;" + name + u"\r\n2;b\r\n"));
    RowBodyBuilder builder;
    Text missing;
    ASSERT_TRUE(file.Open());
    ASSERT_TRUE(builder.Prepare(catalog_, file, missing));
    RequestList requests;
    requests.Clear(WireEncoding::Utf16Le);
    RecordCursor cursor;
    for (cursor.Open(&file); !cursor.IsEOF(); cursor.MoveNext())
        requests.AppendRowBody(builder, cursor, u"|");
    ASSERT_EQ(requests.Size(), 2u);
    EXPECT_EQ(requests.At(0), ToUtf16LeBytes(u"<plu>1<nam>" + Replaced(name, u"<", u"&lt;")));
    EXPECT_EQ(requests.At(1), ToUtf16LeBytes(u"<plu>2<nam>b"));
}

}  // namespace
}  // namespace dorvex
