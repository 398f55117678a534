#include "tables/field_split.h"

#include <gtest/gtest.h>

#include <vector>

namespace dorvex {
namespace {

std::vector<Text> TakeAll(Text line, TextView separators = {}) {
    std::vector<Text> fields;
    Text field;
    while (!line.empty())
        fields.push_back(TakeField(field, line, separators));
    return fields;
}

TEST(TakeField, QuotesProtectSeparatorsAndJoinWhatFollows) {
    // Blank, 12, blank; blank, "a;b", blank, x, blank; two blanks, last, two blanks.
    EXPECT_EQ(TakeAll(u" 12 ; \"a;b\" x ;  last  "),
              (std::vector<Text>{u"12", u"\"a;b\"x", u"  last  "}));
    EXPECT_EQ(TakeAll(u"\"a;b\";\" c \""), (std::vector<Text>{u"a;b", u" c "}));
}

TEST(TakeField, DoubledQuotesAreNoEscape) {
    EXPECT_EQ(TakeAll(u"\"a\"\"b\";c"), (std::vector<Text>{u"a\"\"b", u"c"}));
}

TEST(TakeField, UnbalancedOrLateQuotesSplitPlainly) {
    EXPECT_EQ(TakeAll(u"\"open;x"), (std::vector<Text>{u"\"open", u"x"}));
    EXPECT_EQ(TakeAll(u"a;b\"c;d\""), (std::vector<Text>{u"a", u"b\"c;d\""}));
    // Text before the opening quote stays part of the field.
    EXPECT_EQ(TakeAll(u" ab\"c;d\"e;f"), (std::vector<Text>{u"ab\"c;d\"e", u"f"}));
}

TEST(TakeField, EmptyCellsAndTrailingSeparator) {
    EXPECT_EQ(TakeAll(u"a;;b; ;"), (std::vector<Text>{u"a", u"", u"b", u""}));
    Text line;
    Text field = u"stale";
    EXPECT_EQ(TakeField(field, line), u"");
}

TEST(TakeField, OtherSeparatorSets) {
    EXPECT_EQ(TakeAll(u"a,b;c", u",;"), (std::vector<Text>{u"a", u"b", u"c"}));
    EXPECT_EQ(TakeAll(u"a|\"x|y\"|z", u"|"), (std::vector<Text>{u"a", u"x|y", u"z"}));
}

TEST(SplitField, IgnoresQuotesAndKeepsTheLastFieldsBlanks) {
    Text line = u" \"a;b\" ; c ";
    Text field;
    EXPECT_EQ(SplitField(field, line), u"\"a");
    EXPECT_EQ(line, u"b\" ; c ");
    EXPECT_EQ(SplitField(field, line), u"b\"");
    EXPECT_EQ(SplitField(field, line), u" c ");
    EXPECT_TRUE(line.empty());
}

TEST(SplitField, BlankSeparatorSkipsLeadingBlanks) {
    Text line = u"   PLU   >=  100 ";
    Text field;
    EXPECT_EQ(SplitField(field, line, u" "), u"PLU");
    EXPECT_EQ(SplitField(field, line, u" "), u">=");
    EXPECT_EQ(line, u" 100 ");
    EXPECT_EQ(SplitField(field, line, u" "), u"100");
    EXPECT_TRUE(line.empty());
}

TEST(SplitField, ViewFormAdvancesWithoutCopying) {
    const Text text = u"a ; b";
    TextView line = text;
    TextView first = SplitFieldView(line);
    EXPECT_EQ(first, u"a");
    EXPECT_EQ(first.data(), text.data());
    EXPECT_EQ(line, u" b");
}

}  // namespace
}  // namespace dorvex
