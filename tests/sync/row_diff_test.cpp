// The diff of a data file against a sync state, the filter that selects rows, and the
// comparison verify makes of file and scale values.
#include <gtest/gtest.h>

#include <string>

#include "support/test_directory.h"
#include "sync/row_diff.h"
#include "sync/row_selection.h"
#include "sync/sync_state.h"
#include "sync/value_match.h"

namespace {

using dorvex::DiffResult;
using dorvex::RowDiff;
using dorvex::RowSelection;
using dorvex::SyncState;
using dorvex::Text;
using dorvex::ValueMatch;
using dorvex::test::TestDirectory;

constexpr const char* kRows =
    "PLU;NAME;PRICE;DEPARTMENT\r\n"
    "1;Apples;2.49;1\r\n"
    "2;Pears;3.10;2\r\n"
    "' a comment is no row\r\n"
    "3;Plums;4.00;2\r\n";

class RowDiffTest : public ::testing::Test {
  protected:
    Text Path(const std::string& name) const { return (dir_.Root() / name).u16string(); }

    // The state after every row of `rows` was acknowledged.
    SyncState AcknowledgedState(const std::string& rows) {
        dir_.Write("before_w.csv", rows);
        RowSelection selection;
        Text reason;
        EXPECT_TRUE(selection.Open(Path("before_w.csv"), u"", u"", reason));
        SyncState state(u"Article");
        DiffResult all = RowDiff::Compute(selection, state, false, false);
        std::vector<dorvex::StateEntry> acknowledged;
        for (const auto& row : all.toSend)
            acknowledged.push_back({row.key, row.digest});
        state.Apply(acknowledged, {});
        return state;
    }

    DiffResult Diff(const SyncState& state, const std::string& rows, const Text& filter = u"",
                    bool prune = true) {
        dir_.Write("now_w.csv", rows);
        RowSelection selection;
        Text reason;
        EXPECT_TRUE(selection.Open(Path("now_w.csv"), u"", filter, reason))
            << dorvex::ToUtf8(reason);
        return RowDiff::Compute(selection, state, false, prune);
    }

    TestDirectory dir_{"row-diff"};
};

TEST_F(RowDiffTest, OnlyNewAndChangedRowsAreSentAndVanishedKeysListed) {
    SyncState state = AcknowledgedState(kRows);
    DiffResult same = Diff(state, kRows);
    EXPECT_TRUE(same.toSend.empty());
    EXPECT_EQ(same.unchanged, 3u);
    EXPECT_TRUE(same.toDelete.empty());

    // Blanks around cells do not count; a changed price, a new row and a gone row do.
    DiffResult edited = Diff(state,
                             "PLU;NAME;PRICE;DEPARTMENT\r\n"
                             "1 ; Apples ;2.49;1\r\n"
                             "3;Plums;4.20;2\r\n"
                             "4;Figs;9.90;3\r\n");
    ASSERT_EQ(edited.toSend.size(), 2u);
    EXPECT_EQ(edited.toSend[0].key, "3");
    EXPECT_EQ(edited.toSend[1].line, u"4;Figs;9.90;3");
    EXPECT_EQ(edited.unchanged, 1u);
    ASSERT_EQ(edited.toDelete.size(), 1u);
    EXPECT_EQ(edited.toDelete[0], "2");

    // Another set of columns sends every row again.
    DiffResult reshaped = Diff(state,
                               "PLU;NAME;PRICE;DEPARTMENT;TARE\r\n"
                               "1;Apples;2.49;1;\r\n");
    EXPECT_EQ(reshaped.toSend.size(), 1u);
}

TEST_F(RowDiffTest, AFilterSelectsEachRowByAllItsTermsAndNamesAnUnknownColumn) {
    SyncState empty(u"Article");
    DiffResult second = Diff(empty, kRows, u"DEPARTMENT = 2 & PRICE > 3.5", false);
    ASSERT_EQ(second.toSend.size(), 1u);
    EXPECT_EQ(second.toSend[0].key, "3");
    EXPECT_EQ(second.selected, 1u);
    // Rows after the first match are tested too, not walked unfiltered.
    DiffResult pairs = Diff(empty, kRows, u"DEPARTMENT = 2", false);
    EXPECT_EQ(pairs.toSend.size(), 2u);

    dir_.Write("now_w.csv", kRows);
    RowSelection selection;
    Text reason;
    EXPECT_FALSE(selection.Open(Path("now_w.csv"), u"", u"PRICE > 1 & DEPT = 2", reason));
    EXPECT_NE(dorvex::ToUtf8(reason).find("\"DEPT\""), std::string::npos);
    EXPECT_FALSE(selection.Open(Path("now_w.csv"), u"EAN", u"", reason));
    EXPECT_NE(dorvex::ToUtf8(reason).find("EAN"), std::string::npos);
}

TEST(ValueMatchTest, DecimalsAsNumbersEverythingElseAsExactText) {
    EXPECT_TRUE(ValueMatch::Same(u"2.5", u"2.50", u"|"));
    EXPECT_FALSE(ValueMatch::Same(u"2.5", u"2.51", u"|"));
    EXPECT_FALSE(ValueMatch::Same(u"0012", u"12", u"|"));
    EXPECT_FALSE(ValueMatch::Same(u"12", u"12.0", u"|"));
    EXPECT_FALSE(ValueMatch::Same(u"Pears", u"pears", u"|"));
    EXPECT_FALSE(ValueMatch::Same(u"1.2.3", u"1.2.30", u"|"));
    // Escapes and the line-break marker stand for the same text on both sides.
    EXPECT_TRUE(ValueMatch::Same(u"a&|b", u"a;b", u"|"));
    EXPECT_TRUE(ValueMatch::Same(u"x &lt; y", u"x < y", u"|"));
    EXPECT_TRUE(ValueMatch::Same(u"line 1|line 2", u"line 1\r\nline 2", u"|"));
    EXPECT_FALSE(ValueMatch::Same(u"line 1|line 2", u"line 1 line 2", u"|"));
}

}  // namespace
