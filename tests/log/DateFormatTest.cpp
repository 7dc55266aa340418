#include "log/DateFormat.h"

#include <gtest/gtest.h>

namespace hostaq {
namespace {

const TDateTime Evening = TDateTime::FromParts(2007, 12, 31, 23, 59, 7, 45); // a Monday
const TDateTime Morning = TDateTime::FromParts(2008, 1, 5, 8, 4, 9, 500);    // a Saturday

// Patterns with their short and long forms, the 12-hour clock only with am/pm, and literals.
TEST(DateFormatTest, Patterns) {
    struct TCase {
        const char* Pattern;
        TDateTime When;
        const char* Expected;
    };
    const TCase cases[] = {
        {"MM/dd/yyyy", Evening, "12/31/2007"},
        {"HH:mm:ss", Evening, "23:59:07"},
        {"M/d/yy", Morning, "1/5/08"},
        {"H:n:s", Morning, "8:4:9"},
        {"hh:nn", Morning, "08:04"},
        {"h.mm", Morning, "8.04"}, // minutes: it follows the hour
        {"yyyy-mm-dd", Morning, "2008-01-05"},
        {"ss.zzz", Evening, "07.045"},
        {"ddd dd mmm yyyy", Evening, "Mon 31 Dec 2007"},
        {"dddd, mmmm d", Morning, "Saturday, January 5"},
        {"hh:nn am/pm", Evening, "11:59 pm"},
        {"h:nn AM/PM", Morning, "8:04 AM"},
        {"h:nn a/p", Evening, "11:59 p"},
        {"h ampm", TDateTime::FromParts(2008, 1, 1, 0, 30), "12 AM"},
        {"h ampm", TDateTime::FromParts(2008, 1, 1, 12, 30), "12 PM"},
        {"dd.MM.yyyy", Evening, "31.12.2007"},
        {"'at' HH\"h\"nn", Evening, "at 23h59"},
        {"[HH]", Evening, "[23]"},
        {"'unterminated", Evening, "unterminated"},
        {"", Evening, ""},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(FormatDateTime(c.Pattern, c.When), c.Expected) << c.Pattern;
}

} // namespace
} // namespace hostaq
