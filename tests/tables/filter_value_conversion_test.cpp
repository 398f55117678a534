#include "tables/value_conversion.h"

#include <gtest/gtest.h>

namespace dorvex {
namespace {

TEST(FilterValueConversion, NumbersFollowTheDecimalSeparator) {
    const NumberFormat point{u'.'};
    const NumberFormat comma{u','};
    EXPECT_EQ(ToNumber(u" -12.5 ", point), -12.5);
    EXPECT_EQ(ToNumber(u"+.5e2", point), 50.0);
    EXPECT_EQ(ToNumber(u"0,25", comma), 0.25);
    EXPECT_EQ(ToNumber(u"7.", point), 7.0);
    for (const char16_t* bad : {u"", u" ", u"abc", u"1.2.3", u"1 000", u"12kg", u"0,25", u".", u"-",
                                u"1e", u"inf", u"nan", u"1e999"})
        EXPECT_FALSE(ToNumber(bad, point)) << ToUtf8(bad);
    EXPECT_FALSE(ToNumber(u"0.25", comma));
}

TEST(FilterValueConversion, IntegersRoundHalfToEvenWithinRange) {
    const NumberFormat point{u'.'};
    EXPECT_EQ(ToInt16(u"2.5", point), 2);
    EXPECT_EQ(ToInt16(u"3.5", point), 4);
    EXPECT_EQ(ToInt16(u"-32768", point), -32768);
    EXPECT_FALSE(ToInt16(u"32768", point));
    EXPECT_EQ(ToInt32(u"40000", point), 40000);
    EXPECT_FALSE(ToInt32(u"3e9", point));
    EXPECT_FALSE(ToSingle(u"1e39", point));
}

TEST(FilterValueConversion, DatesDayMonthYearAndIso) {
    EXPECT_EQ(ToDate(u"30/12/1899"), 0.0);
    EXPECT_EQ(ToDate(u"1.1.1900"), 2.0);
    EXPECT_EQ(ToDate(u"2024-02-29"), ToDate(u"29-02-2024"));
    EXPECT_EQ(ToDate(u"01/01/30"), ToDate(u"1/1/1930"));
    EXPECT_EQ(ToDate(u"01/01/29"), ToDate(u"1/1/2029"));
    EXPECT_EQ(*ToDate(u"2024-01-01T06:00") - *ToDate(u"2024-01-01"), 0.25);
    EXPECT_EQ(*ToDate(u"31/12/2023 23:59:59") < *ToDate(u"1/1/2024"), true);
    for (const char16_t* bad :
         {u"", u"2023-02-29", u"31/04/2024", u"1/13/2024", u"1/1", u"1/1/2024 24:00",
          u"1/1/2024 12", u"1/1-2024", u"2024/01/01", u"123/1/2024", u"1/1/124"})
        EXPECT_FALSE(ToDate(bad)) << ToUtf8(bad);
}

}  // namespace
}  // namespace dorvex
