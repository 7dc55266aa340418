// The mail message as it travels: header order, recipients, the charset and transfer encoding
// of the text part, encoded subjects, attachments; and the envelope of a recipient list.
#include "config/Clock.h"
#include "config/DateTime.h"
#include "net/MimeAddress.h"
#include "net/MimeMess.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>

namespace hostaq {
namespace {

using TLines = std::vector<std::string>;

// The header block of a message: every line up to the first empty one.
TLines Head(const TLines& lines) {
    auto end = std::find(lines.begin(), lines.end(), "");
    return TLines(lines.begin(), end);
}

TLines BodyOf(const TLines& lines) {
    auto end = std::find(lines.begin(), lines.end(), "");
    return end == lines.end() ? TLines{} : TLines(end + 1, lines.end());
}

TMimeMess BasicMessage() {
    TMimeMess m;
    m.From = "Updater <updater@example.test>";
    m.Subject = "[Hostaq Updater] Update Result";
    m.ToList = {"a@example.test", "Bob <b@example.test>"};
    m.Date = TDateTime::FromParts(2007, 12, 31, 23, 59, 7);
    m.XMailer = "Hostaq Updater - Version 1.0.0 (Build 1) - Beta";
    m.Body = {"line one", "", "line three"};
    return m;
}

TEST(MailMessage, HeaderFieldsComeInTheirOrder) {
    TMimeMess m = BasicMessage();
    m.ReplyTo = "Desk <desk@example.test>";
    m.CCList = {"c@example.test", "d@example.test"};
    m.InReplyTo = "id-42@example.test";
    ASSERT_TRUE(m.EncodeMessage());
    const TLines head = Head(m.Lines);
    ASSERT_EQ(head.size(), 11u);
    EXPECT_EQ(head[0], "From: Updater <updater@example.test>");
    EXPECT_EQ(head[1], "Reply-To: desk@example.test");
    EXPECT_EQ(head[2], "Subject: [Hostaq Updater] Update Result");
    EXPECT_EQ(head[3], "To: a@example.test, Bob <b@example.test>");
    EXPECT_EQ(head[4], "Cc: c@example.test, d@example.test");
    EXPECT_EQ(head[5].substr(0, 6), "Date: ");
    EXPECT_EQ(head[6], "MIME-Version: 1.0");
    EXPECT_EQ(head[7], "X-Mailer: Hostaq Updater - Version 1.0.0 (Build 1) - Beta");
    EXPECT_EQ(head[8], "In-Reply-To: <id-42@example.test>");
    EXPECT_EQ(head[9], "Content-type: text/plain; charset=us-ascii");
    EXPECT_EQ(head[10], "Content-Transfer-Encoding: 7bit");
    EXPECT_EQ(BodyOf(m.Lines), (TLines{"line one", "", "line three"}));
}

TEST(MailMessage, OptionalFieldsAreLeftOutWhenEmpty) {
    TMimeMess m = BasicMessage();
    ASSERT_TRUE(m.EncodeMessage());
    for (const std::string& line : Head(m.Lines)) {
        EXPECT_NE(line.rfind("Reply-To:", 0), 0u) << line;
        EXPECT_NE(line.rfind("Cc:", 0), 0u) << line;
        EXPECT_NE(line.rfind("In-Reply-To:", 0), 0u) << line;
    }
}

TEST(MailMessage, DateIsRfc822WithTheLocalOffset) {
    const char* oldTz = std::getenv("TZ");
    const std::string saved = oldTz ? oldTz : "";
    ::setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
    ::tzset();
    EXPECT_EQ(FormatRfc822Date(TDateTime::FromParts(2007, 12, 31, 23, 59, 7)),
              "Mon, 31 Dec 2007 23:59:07 +0100");
    EXPECT_EQ(FormatRfc822Date(TDateTime::FromParts(2008, 7, 4, 8, 5, 0)), "Fri, 4 Jul 2008 08:05:00 +0200");
    ::setenv("TZ", "EST5EDT,M3.2.0,M11.1.0", 1);
    ::tzset();
    EXPECT_EQ(FormatRfc822Date(TDateTime::FromParts(2008, 1, 2, 3, 4, 5)), "Wed, 2 Jan 2008 03:04:05 -0500");
    if (oldTz)
        ::setenv("TZ", saved.c_str(), 1);
    else
        ::unsetenv("TZ");
    ::tzset();
}

TEST(MailMessage, NonAsciiTextGoesQuotedPrintableUtf8) {
    TMimeMess m = BasicMessage();
    m.Body = {"Service provider: Dyn\xC3\xA9 M\xC3\xBCnchen", "plain", "a = b", "trailing blank "};
    ASSERT_TRUE(m.EncodeMessage());
    const TLines head = Head(m.Lines);
    EXPECT_EQ(head[head.size() - 2], "Content-type: text/plain; charset=UTF-8");
    EXPECT_EQ(head.back(), "Content-Transfer-Encoding: quoted-printable");
    EXPECT_EQ(BodyOf(m.Lines),
              (TLines{"Service provider: Dyn=C3=A9 M=C3=BCnchen", "plain", "a =3D b", "trailing blank=20"}));
    for (const std::string& line : m.Lines)
        for (char c : line)
            EXPECT_LT(static_cast<unsigned char>(c), 0x80) << line;
}

TEST(MailMessage, BytesThatAreNotUtf8AreLabelledLatin1) {
    TMimeMess m = BasicMessage();
    m.Body = {"M\xFCnchen"};
    ASSERT_TRUE(m.EncodeMessage());
    const TLines head = Head(m.Lines);
    EXPECT_EQ(head[head.size() - 2], "Content-type: text/plain; charset=ISO-8859-1");
    EXPECT_EQ(BodyOf(m.Lines), (TLines{"M=FCnchen"}));
}

TEST(MailMessage, LongLinesAreBrokenSoftly) {
    // An ASCII line longer than SMTP allows cannot go 7bit either.
    TMimeMess m = BasicMessage();
    m.Body = {std::string(1500, 'x') + "=" + std::string(20, 'y')};
    ASSERT_TRUE(m.EncodeMessage());
    EXPECT_EQ(Head(m.Lines).back(), "Content-Transfer-Encoding: quoted-printable");
    std::string joined;
    for (const std::string& line : BodyOf(m.Lines)) {
        EXPECT_LE(line.size(), 76u);
        joined += line.back() == '=' ? line.substr(0, line.size() - 1) : line + "\n";
    }
    EXPECT_EQ(joined, std::string(1500, 'x') + "=3D" + std::string(20, 'y') + "\n");
}

TEST(MailMessage, QuotedPrintableNeverSplitsAnEscape) {
    const std::string line = std::string(74, 'a') + "\xC3\xA9" + "b";
    const TLines out = EncodeQuotedPrintableLine(line);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0], std::string(74, 'a') + "=");
    EXPECT_EQ(out[1], "=C3=A9b");
}

TEST(MailMessage, NonAsciiSubjectIsEncodedWords) {
    TMimeMess m = BasicMessage();
    m.Subject = "[Hostaq Updater] Gr\xC3\xBC\xC3\x9F"
                "e " +
                std::string(60, 'z');
    ASSERT_TRUE(m.EncodeMessage());
    const TLines head = Head(m.Lines);
    ASSERT_EQ(head[1].rfind("Subject: =?UTF-8?B?", 0), 0u);
    EXPECT_EQ(head[2].rfind(" =?UTF-8?B?", 0), 0u) << "a long subject continues on a folded line";
    for (const std::string& line : head)
        EXPECT_LE(line.size(), 78u);
}

TEST(MailMessage, LineBreaksInHeaderValuesCannotAddFields) {
    TMimeMess m = BasicMessage();
    m.Subject = "Hi\r\nBcc: victim@example.test";
    ASSERT_TRUE(m.EncodeMessage());
    const TLines head = Head(m.Lines);
    EXPECT_EQ(head[1], "Subject: Hi  Bcc: victim@example.test");
    EXPECT_EQ(head.size(), 8u);
}

TEST(MailMessage, AttachmentsMakeAMixedMessage) {
    const std::string file = ::testing::TempDir() + "/report-data.bin";
    std::ofstream(file, std::ios::binary) << std::string("\x00\x01\x02hello", 8);
    TMimeMess m = BasicMessage();
    m.Attachments = {file};
    ASSERT_TRUE(m.EncodeMessage());
    const TLines head = Head(m.Lines);
    ASSERT_EQ(head.back().rfind("Content-type: multipart/mixed; boundary=\"", 0), 0u);
    const std::string boundary = head.back().substr(41, head.back().size() - 42);
    const TLines& all = m.Lines;
    EXPECT_EQ(std::count(all.begin(), all.end(), "--" + boundary), 2);
    EXPECT_EQ(all.back(), "--" + boundary + "--");
    EXPECT_NE(std::find(all.begin(), all.end(), "Content-type: text/plain; charset=us-ascii"), all.end());
    EXPECT_NE(
        std::find(all.begin(), all.end(), "Content-Disposition: attachment; filename=\"report-data.bin\""),
        all.end());
    EXPECT_NE(std::find(all.begin(), all.end(), "AAECaGVsbG8="), all.end());

    m.Attachments = {file + ".missing"};
    std::string error;
    EXPECT_FALSE(m.EncodeMessage(&error));
    EXPECT_NE(error.find("report-data.bin.missing"), std::string::npos);
}

TEST(MailMessage, TextSplitsIntoLinesAtEveryLineEnd) {
    EXPECT_EQ(SplitMailLines("a\r\nb\nc\rd\r\n"), (TLines{"a", "b", "c", "d"}));
    EXPECT_EQ(SplitMailLines("a\r\n\r\n"), (TLines{"a", ""}));
    EXPECT_EQ(SplitMailLines(""), TLines{});
}

TEST(MailEnvelope, ListsSplitOutsideQuotesAndTrim) {
    EXPECT_EQ(SplitMailList(" a@x.test ; b@y.test,c@z.test ;; "),
              (TLines{"a@x.test", "b@y.test", "c@z.test"}));
    EXPECT_EQ(SplitMailList("\"Doe, Jane; Dr\" <j@x.test>, k@y.test"),
              (TLines{"\"Doe, Jane; Dr\" <j@x.test>", "k@y.test"}));
    EXPECT_EQ(SplitMailList(""), TLines{});
}

TEST(MailEnvelope, AddressOfAnEntry) {
    EXPECT_EQ(GetEmailAddr("Bob <b@y.test>"), "b@y.test");
    EXPECT_EQ(GetEmailAddr("  plain@x.test "), "plain@x.test");
    EXPECT_EQ(GetEmailAddr("\"A <weird> name\" < q@z.test >"), "q@z.test");
    EXPECT_EQ(GetEmailAddr("Nobody <>"), "");
}

TEST(MailEnvelope, ToThenCcThenBcc) {
    EXPECT_EQ(BuildEnvelope("a@x.test; b@x.test", "c@x.test", "d@x.test"),
              (TLines{"a@x.test", "b@x.test", "c@x.test", "d@x.test"}));
    EXPECT_EQ(BuildEnvelope("", "c@x.test", ""), (TLines{"c@x.test"}));
}

TEST(MailEnvelope, Utf8Validation) {
    EXPECT_TRUE(IsValidUtf8("plain \xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80"));
    EXPECT_FALSE(IsValidUtf8("\xFC"));
    EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));         // overlong
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));     // surrogate
    EXPECT_FALSE(IsValidUtf8("\xE2\x82"));         // cut short
    EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80")); // past U+10FFFF
}

} // namespace
} // namespace hostaq
