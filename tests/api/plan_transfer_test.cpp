// The dry run of a transfer (PlanTransfer) and where the library finds itself and its tables:
// what a transfer would do, or why it would be refused, without any engine or link.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "api/api_fixture.h"
#include "dorvex.h"
#include "support/test_directory.h"

namespace {

using dorvex::test::LastError;

constexpr const char* kTables =
    "TABLE;PLU;NAME\r\nArticle;PLU;NAME\r\nart;plu;nam\r\n"
    "TABLE;DEPARTMENT;NAME\r\nDepartment;DEPARTMENT;NAME\r\ndpt;dpt;nam\r\n";

struct Plan {
    int result = 0;
    std::string text;
};

class PlanTransferTest : public ::testing::Test {
  protected:
    void SetUp() override { dir_.Write("table.csv", kTables); }

    Plan Run(const char* file, const char* mode = "", int size = 1 << 16) const {
        const std::string tables = (dir_.Root() / "table.csv").string();
        const std::string input = dir_.In().string();
        std::vector<char> buffer(static_cast<std::size_t>(size), 'x');
        Plan plan;
        plan.result =
            PlanTransfer(tables.c_str(), input.c_str(), file, mode, "0", "|", buffer.data(), size);
        plan.text = buffer.data();
        return plan;
    }

    dorvex::test::TestDirectory dir_{"dorvex-plan"};
};

TEST_F(PlanTransferTest, AWriteShowsItsTableTagsAndFirstRequests) {
    dir_.Write("in/article_w.csv", "PLU;Name\r\n1;A|B\r\n2;x<y\r\n3;c\r\n4;d\r\n");
    const Plan plan = Run("article_w.csv");
    ASSERT_GE(plan.result, 0) << LastError();
    EXPECT_EQ(plan.result, static_cast<int>(plan.text.size()));
    EXPECT_NE(plan.text.find("table: Article (tag art)\n  column PLU -> plu\n"
                             "  column NAME -> nam\nrows: 4\noperation: w\n"
                             "  request: <art m=\"w\"><dvn>0<plu>1<nam>A\\r\\nB\n"
                             "  request: <art m=\"w\"><dvn>0<plu>2<nam>x&lt;y\n"),
              std::string::npos)
        << plan.text;
    EXPECT_EQ(plan.text.find("<plu>4"), std::string::npos) << "three requests shown, not four";

    // The length of the whole plan comes back without a buffer; a short one takes its start.
    EXPECT_EQ(PlanTransfer((dir_.Root() / "table.csv").string().c_str(), dir_.In().string().c_str(),
                           "article_w.csv", "", "0", "|", nullptr, 0),
              plan.result);
    const Plan cut = Run("article_w.csv", "", 20);
    EXPECT_EQ(cut.result, plan.result);
    EXPECT_EQ(cut.text, plan.text.substr(0, 19));
}

TEST_F(PlanTransferTest, RefusalsSayWhyAsATransferWould) {
    dir_.Write("in/article_bad_w.csv", "PLU;COLOUR\r\n1;red\r\n");
    dir_.Write("in/article_empty_w.csv", "PLU;NAME\r\n");
    dir_.Write("in/nothing_w.csv", "PLU\r\n1\r\n");
    const std::vector<std::pair<const char*, const char*>> cases = {
        {"article_w.txt", "must contain \".csv\""},
        {"missing_w.csv", "missing_w.csv: cannot be opened"},
        {"nothing_w.csv", "is named in the file name \"nothing_w.csv\""},
        {"article_bad_w.csv", "column COLOUR of article_bad_w.csv has no tag in table Article"},
        {"article_empty_w.csv", "has a header line but no rows"},
    };
    for (const auto& [file, reason] : cases) {
        const Plan plan = Run(file);
        EXPECT_EQ(plan.result, -1) << file;
        EXPECT_NE(LastError().find(reason), std::string::npos) << file << ": " << LastError();
    }
    // The lines planned up to the refusal stay: every column, its tag or none.
    EXPECT_NE(Run("article_bad_w.csv").text.find("  column COLOUR -> NO TAG\nrows: 1\n"),
              std::string::npos);
}

// A header-only file reads or deletes the whole table by statements: its columns need no tag.
TEST_F(PlanTransferTest, AHeaderOnlyReadNeedsNoTags) {
    dir_.Write("in/article_all_r.csv", "PLU;COLOUR\r\n");
    const Plan read = Run("article_all_r.csv");
    EXPECT_GE(read.result, 0) << LastError();
    EXPECT_NE(read.text.find("rows: 0\noperation: r\nwhole-table read\n"), std::string::npos)
        << read.text;
    EXPECT_NE(Run("article_all_r.csv", "d").text.find("whole-table delete"), std::string::npos);
}

// Where the library and its table definitions are found is what `dorvex --version` shows (the
// command's tests); a file that is nowhere names every place looked in.
TEST_F(PlanTransferTest, AMissingTableFileNamesThePlacesLookedIn) {
    char path[64];
    EXPECT_EQ(FindTableFile("no-such-tables.csv", path, sizeof(path)), -1);
    EXPECT_STREQ(path, "");
    EXPECT_NE(LastError().find("no-such-tables.csv not found; looked in: "), std::string::npos);
}

}  // namespace
