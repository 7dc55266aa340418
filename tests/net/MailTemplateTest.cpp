// The placeholders of a mail subject: addresses, date and time tokens, the "%" rules.
#include "net/MailTemplate.h"
#include "config/Clock.h"

#include <gtest/gtest.h>

namespace hostaq {
namespace {

class MailTemplate : public ::testing::Test {
protected:
    // Monday, 7 January 2008, 09:05:03.
    TManualClock clock{TDateTime::FromParts(2008, 1, 7, 9, 5, 3)};
    TClockGuard guard{&clock};

    std::string Expand(const std::string& text) {
        return ExpandMailTemplate(text, "1.2.3.4", "5.6.7.8", "C");
    }
};

TEST_F(MailTemplate, AddressesAndShortDate) {
    EXPECT_EQ(Expand("IP %CURRENT_IP% on %SHORTDATE%"), "IP 1.2.3.4 on 01/07/08");
    EXPECT_EQ(Expand("%UPDATED_IP%"), "5.6.7.8");
}

TEST_F(MailTemplate, TokensMatchInAnyLetterCaseAfterTheCapital) {
    EXPECT_EQ(Expand("%Current_Ip%|%YeAr%"), "1.2.3.4|2008");
}

TEST_F(MailTemplate, DateAndTimeTokens) {
    EXPECT_EQ(Expand("%DATE%.%SHORTDAY%.%MONTH%.%SHORTMONTH%.%YEAR%.%SHORTYEAR%"), "07.7.01.1.2008.08");
    EXPECT_EQ(Expand("%HOUR%:%SHORTHOUR%:%MINUTE%:%SHORTMINUTE%:%SECOND%:%SHORTSECOND%"), "09:9:05:5:03:3");
    EXPECT_EQ(Expand("%MONTHSHORTNAME% %MONTHLONGNAME% %DAYSHORTNAME% %DAYLONGNAME%"),
              "Jan January Mon Monday");
    EXPECT_EQ(Expand("%LONGDATE%"), "Monday, 7 January 2008");
    EXPECT_EQ(Expand("%LONGTIME% %SHORTTIME% %AMPM%"), "09:05:03 09:05 AM");
    clock.Set(TDateTime::FromParts(2008, 1, 7, 21, 0, 0));
    EXPECT_EQ(Expand("%AMPM%"), "PM");
}

TEST_F(MailTemplate, LocaleNamesComeFromTheLocale) {
    // Only when the machine has a German locale; the C locale is always there.
    const std::string german = ExpandMailTemplate("%DAYLONGNAME%", "", "", "de_DE.UTF-8");
    if (german == "Monday")
        GTEST_SKIP() << "no de_DE.UTF-8 locale on this machine";
    EXPECT_EQ(german, "Montag");
}

TEST_F(MailTemplate, PercentSignsThatOpenNoToken) {
    EXPECT_EQ(Expand("100% sure"), "100% sure");
    EXPECT_EQ(Expand("50%5 off"), "50%5 off");
    EXPECT_EQ(Expand("ends with %"), "ends with %");
    EXPECT_EQ(Expand("%%"), "%%");
    EXPECT_EQ(Expand("a%\r\nb"), "a%\r\nb");
    EXPECT_EQ(Expand("%lower%"), "%lower%");
}

TEST_F(MailTemplate, UnknownTokensAreDropped) {
    EXPECT_EQ(Expand("[%NOSUCH%] %CURRENT_IP%"), "[] 1.2.3.4");
}

TEST_F(MailTemplate, UnclosedTokenEndsWithError) {
    EXPECT_EQ(Expand("IP %CURRENT_IP is here"), "IP Error!");
    EXPECT_EQ(Expand("%CURRENT_IP% and %Y"), "1.2.3.4 and Error!");
}

TEST_F(MailTemplate, UnknownLocaleFallsBackToC) {
    EXPECT_EQ(ExpandMailTemplate("%SHORTDATE%", "", "", "xx_NOWHERE"), "01/07/08");
}

} // namespace
} // namespace hostaq
