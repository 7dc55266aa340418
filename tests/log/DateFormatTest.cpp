#include "log/DateFormat.h"

#include <gtest/gtest.h>

namespace hostaq {
namespace {

const TDateTime Evening = TDateTime::FromParts(2007, 12, 31, 23, 59, 7, 45); // a Monday
const TDateTime Morning = TDateTime::FromParts(2008, 1, 5, 8, 4, 9, 500);    // a Saturday

TEST(DateFormatTest, DefaultPatternsOfTheSettings) {
    EXPECT_EQ(FormatDateTime("MM/dd/yyyy", Evening), "12/31/2007");
    EXPECT_EQ(FormatDateTime("HH:mm:ss", Evening), "23:59:07");
    EXPECT_EQ(FormatDateTime("MM/dd/yyyy HH:mm:ss", Morning), "01/05/2008 08:04:09");
}

TEST(DateFormatTest, ShortAndLongForms) {
    EXPECT_EQ(FormatDateTime("M/d/yy", Morning), "1/5/08");
    EXPECT_EQ(FormatDateTime("H:n:s", Morning), "8:4:9");
    EXPECT_EQ(FormatDateTime("hh:nn", Morning), "08:04");
    EXPECT_EQ(FormatDateTime("h.mm", Morning), "8.04"); // minutes: it follows the hour
    EXPECT_EQ(FormatDateTime("yyyy-mm-dd", Morning), "2008-01-05");
    EXPECT_EQ(FormatDateTime("ss.zzz", Evening), "07.045");
    EXPECT_EQ(FormatDateTime("ddd dd mmm yyyy", Evening), "Mon 31 Dec 2007");
    EXPECT_EQ(FormatDateTime("dddd, mmmm d", Morning), "Saturday, January 5");
}

TEST(DateFormatTest, TwelveHourClockOnlyWithAmPm) {
    EXPECT_EQ(FormatDateTime("hh:nn am/pm", Evening), "11:59 pm");
    EXPECT_EQ(FormatDateTime("h:nn AM/PM", Morning), "8:04 AM");
    EXPECT_EQ(FormatDateTime("h:nn a/p", Evening), "11:59 p");
    EXPECT_EQ(FormatDateTime("h ampm", TDateTime::FromParts(2008, 1, 1, 0, 30)), "12 AM");
    EXPECT_EQ(FormatDateTime("h ampm", TDateTime::FromParts(2008, 1, 1, 12, 30)), "12 PM");
}

TEST(DateFormatTest, LiteralsAndSeparators) {
    EXPECT_EQ(FormatDateTime("dd.MM.yyyy", Evening), "31.12.2007");
    EXPECT_EQ(FormatDateTime("'at' HH\"h\"nn", Evening), "at 23h59");
    EXPECT_EQ(FormatDateTime("[HH]", Evening), "[23]");
    EXPECT_EQ(FormatDateTime("'unterminated", Evening), "unterminated");
    EXPECT_EQ(FormatDateTime("", Evening), "");
    EXPECT_EQ(FormatDateTime("yyyy/MM/dd HH:nn:ss", Morning), "2008/01/05 08:04:09");
}

} // namespace
} // namespace hostaq
