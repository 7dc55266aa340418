#include "groups/UpdateAnswer.h"
#include "groups/UpdateReport.h"
#include "groups/UpdateResult.h"

#include <gtest/gtest.h>

using namespace hostaq;

namespace {

TEST(ClassifyReturnLineTest, StandardAnswersTable) {
    struct TCase {
        const char* Line;
        int Class;
        const char* Keyword;
        const char* Interpretation;
    };
    const TCase cases[] = {
        {"badauth", 4, "badauth", "Bad authorization (username or password)"},
        {"badsys", 4, "badsys", "The system parameter given was not valid"},
        {"badagent", 4, "badagent", "The user agent has been blocked"},
        {"good 192.0.2.1", 0, "good", "Update good and successful, IP updated"},
        {"NOCHG 192.0.2.1", 2, "nochg", "No changes, update considered abusive"},
        {"notfqdn", 4, "notfqdn", "A Fully-Qualified Domain Name was not provided"},
        {"nohost", 4, "nohost", "The hostname specified does not exist"},
        {"!donator", 4, "!donator", "You are not donator!"},
        {"!yours", 4, "!yours", "Not your hostname"},
        {"abuse", 4, "abuse", "The hostname is blocked for abuse"},
        {"numhost", 4, "numhost", "Too many or too few hosts found"},
        {"dnserr", 3, "dnserr", "DNS error encountered"},
        {"wait 300", 3, "Wait", "Waiting for update"},
        {"WAIT", 3, "Wait", "Waiting for update"},
        {"911", 3, "911", "Fatal error on server"},
        {"error 999", 3, "999", "Fatal error on server"},
        {"OK", 0, "", "Update successful"},
        {"", 0, "", "Update successful"},
    };
    for (const TCase& c : cases) {
        const TLineResult r = ClassifyReturnLine(c.Line);
        EXPECT_EQ(r.Class, c.Class) << c.Line;
        EXPECT_EQ(r.Keyword, c.Keyword) << c.Line;
        EXPECT_EQ(r.Interpretation, c.Interpretation) << c.Line;
    }
}

TEST(ClassifyReturnLineTest, SubstringsAndTheEarlierRowWin) {
    // "good" is found inside other words, and the table order decides between two keywords.
    EXPECT_EQ(ClassifyReturnLine("goodbye").Keyword, "good");
    EXPECT_EQ(ClassifyReturnLine("nochg but badauth").Keyword, "badauth");
    EXPECT_EQ(ClassifyReturnLine("GOOD nohost").Class, 0);
    EXPECT_EQ(ClassifyReturnLine("nohost GOOD").Keyword, "good");
    EXPECT_EQ(ClassifyReturnLine("code 9110").Keyword, "911");
    EXPECT_EQ(ClassifyReturnLine("!Donator").Class, 4);
}

TEST(StripTagsTest, RemovesTagsAndKeepsTheRest) {
    EXPECT_EQ(StripTags("a<b>c"), "ac");
    EXPECT_EQ(StripTags("x<>y"), "xy");
    EXPECT_EQ(StripTags("<b>good</b>x"), "goodx");
    EXPECT_EQ(StripTags("abc"), "abc");
    EXPECT_EQ(StripTags("a<b"), "ab");
    EXPECT_EQ(StripTags("a>b<c<d>e"), "a>be");
    EXPECT_EQ(StripTags(""), "");
}

TEST(InterpretAnswerTest, HtmlIsStrippedOnlyFromWhatIsReported) {
    TAnswerRules rules;
    rules.StripHtml = true;
    // "<b>nohost</b>" is classified as written; only the reported line loses its tags.
    const TAnswer a = InterpretAnswer({"<i>no</i>chg", "<b>nohost</b>"}, {"a", "b"}, "G", rules);
    EXPECT_EQ(a.Results[0].Line, "nochg");
    EXPECT_EQ(a.Results[0].Keyword, "");
    EXPECT_EQ(a.Results[1].Line, "nohost");
    EXPECT_EQ(a.Results[1].Keyword, "nohost");
}

// The first hit and the nothing-hits retry are checked against a provider in the profile runs;
// here the order within one line: success before warning before error, case-sensitive.
TEST(InterpretAnswerTest, ProfileModeTestsSuccessThenWarningThenError) {
    TAnswerRules rules;
    rules.Standard = false;
    rules.Profile = {"", "W", "E"};
    TAnswer a = InterpretAnswer({"ok", "EW"}, {"a", "b"}, "G", rules);
    ASSERT_EQ(a.Results.size(), 1u);
    EXPECT_EQ(a.Results[0].Host, "a");
    EXPECT_EQ(a.Results[0].Class, 2);
    EXPECT_EQ(a.Results[0].Interpretation, "** Warning result **");
    EXPECT_EQ(a.Results[0].Line, "EW");
    EXPECT_EQ(InterpretAnswer({"w"}, {"a"}, "G", rules).Results[0].Class, 3);
}

TEST(InterpretAnswerTest, StandardServerIsRecognisedByItsHost) {
    EXPECT_TRUE(IsStandardServer("https://members.hostaq.example/nic/update", "members.hostaq.example"));
    EXPECT_TRUE(IsStandardServer("http://members.hostaq.example:80/nic/update", "members.hostaq.example"));
    EXPECT_TRUE(IsStandardServer("http://127.0.0.1:5000/nic/update", "127.0.0.1:5000"));
    EXPECT_FALSE(IsStandardServer("http://Members.hostaq.example/nic/update", "members.hostaq.example"));
    EXPECT_FALSE(IsStandardServer("http://other.example/nic/update", "members.hostaq.example"));
}

TEST(UpdateReportTest, ResultBlocksSetTheFlagAndOtherLinesDoNot) {
    TUpdateReport report;
    report.Start("Header\r\n");
    report.Append("Group G cannot be updated again\r\n\r\n");
    EXPECT_FALSE(report.ReportHasResults());
    report.AppendResult(
        HostResultBlock("a", "hostaq.example", "good", "Update good and successful, IP updated"));
    report.AppendResult(HostResultBlock("b", "p", "x", ""));
    EXPECT_TRUE(report.ReportHasResults());
    EXPECT_EQ(report.Text(), "Header\r\nGroup G cannot be updated again\r\n\r\n"
                             "Hostname: a\r\nService provider: hostaq.example\r\nReturn string: good\r\n"
                             "Intepreted: Update good and successful, IP updated\r\n\r\n"
                             "Hostname: b\r\nService provider: p\r\nReturn string: x\r\n\r\n");
    report.Start("");
    EXPECT_FALSE(report.ReportHasResults());
    EXPECT_EQ(report.Text(), "");
}

} // namespace
