// The mail message as it travels: header order, recipients, the charset and transfer encoding
// of the text part, encoded subjects, attachments; and the envelope of a recipient list.
#include "EnvGuard.h"
#include "config/DateTime.h"
#include "net/MimeAddress.h"
#include "net/MimeMess.h"
#include "net/SmtpSend.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <optional>

namespace hostaq {
namespace {

using TLines = std::vector<std::string>;

// The header block of a message (up to the first empty line) and the rest.
TLines Head(const TLines& lines) {
    return TLines(lines.begin(), std::find(lines.begin(), lines.end(), ""));
}
TLines BodyOf(const TLines& lines) {
    auto end = std::find(lines.begin(), lines.end(), "");
    return end == lines.end() ? TLines{} : TLines(end + 1, lines.end());
}

TMimeMess Message(TLines body = {"line one", "", "line three"}) {
    TMimeMess m;
    m.From = "Updater <updater@example.test>";
    m.Subject = "[Hostaq Updater] Update Result";
    m.ToList = {"a@example.test", "Bob <b@example.test>"};
    m.Date = TDateTime::FromParts(2007, 12, 31, 23, 59, 7);
    m.XMailer = "Hostaq Updater test";
    m.Body = std::move(body);
    return m;
}

TEST(MailMessage, HeaderFieldsComeInTheirOrder) {
    TMimeMess m = Message();
    ASSERT_TRUE(m.EncodeMessage());
    EXPECT_EQ(Head(m.Lines).size(), 8u) << "no Reply-To, Cc or In-Reply-To unless set";

    m.ReplyTo = "Desk <desk@example.test>";
    m.CCList = {"c@example.test", "d@example.test"};
    m.InReplyTo = "id-42@example.test";
    ASSERT_TRUE(m.EncodeMessage());
    TLines head = Head(m.Lines);
    ASSERT_EQ(head.size(), 11u);
    EXPECT_EQ(head[5].substr(0, 6), "Date: ");
    head[5] = "Date: -";
    EXPECT_EQ(head,
              (TLines{"From: Updater <updater@example.test>", "Reply-To: desk@example.test",
                      "Subject: [Hostaq Updater] Update Result", "To: a@example.test, Bob <b@example.test>",
                      "Cc: c@example.test, d@example.test", "Date: -", "MIME-Version: 1.0",
                      "X-Mailer: Hostaq Updater test", "In-Reply-To: <id-42@example.test>",
                      "Content-type: text/plain; charset=us-ascii", "Content-Transfer-Encoding: 7bit"}));
    EXPECT_EQ(BodyOf(m.Lines), (TLines{"line one", "", "line three"}));
}

TEST(MailMessage, DateIsRfc822WithTheLocalOffset) {
    std::optional<test::TEnvGuard> tz;
    tz.emplace("TZ", "CET-1CEST,M3.5.0,M10.5.0/3");
    ::tzset();
    EXPECT_EQ(FormatRfc822Date(TDateTime::FromParts(2007, 12, 31, 23, 59, 7)),
              "Mon, 31 Dec 2007 23:59:07 +0100");
    EXPECT_EQ(FormatRfc822Date(TDateTime::FromParts(2008, 7, 4, 8, 5, 0)), "Fri, 4 Jul 2008 08:05:00 +0200");
    ::setenv("TZ", "EST5EDT,M3.2.0,M11.1.0", 1);
    ::tzset();
    EXPECT_EQ(FormatRfc822Date(TDateTime::FromParts(2008, 1, 2, 3, 4, 5)), "Wed, 2 Jan 2008 03:04:05 -0500");
    tz.reset();
    ::tzset();
}

TEST(MailMessage, TextThatIsNotPlainAsciiGoesQuotedPrintable) {
    struct TCase {
        TLines Body;
        std::string Charset;
        TLines Encoded;
    };
    const TCase cases[] = {
        {{"Service provider: Dyn\xC3\xA9", "a = b", "trailing blank "},
         "UTF-8",
         {"Service provider: Dyn=C3=A9", "a =3D b", "trailing blank=20"}},
        // Bytes that are not UTF-8 are read as Latin-1.
        {{"M\xFCnchen"}, "ISO-8859-1", {"M=FCnchen"}},
        // Longer than SMTP carries: soft breaks, never through an escape.
        {{std::string(74, 'a') + "\xC3\xA9" + "b"}, "UTF-8", {std::string(74, 'a') + "=", "=C3=A9b"}},
        {{std::string(1000, 'x')}, "UTF-8", {}},
    };
    for (const TCase& c : cases) {
        TMimeMess m = Message(c.Body);
        ASSERT_TRUE(m.EncodeMessage());
        const TLines head = Head(m.Lines);
        EXPECT_EQ(head[head.size() - 2], "Content-type: text/plain; charset=" + c.Charset);
        EXPECT_EQ(head.back(), "Content-Transfer-Encoding: quoted-printable");
        if (!c.Encoded.empty()) {
            EXPECT_EQ(BodyOf(m.Lines), c.Encoded);
        }
        for (const std::string& line : m.Lines) {
            EXPECT_LE(line.size(), 76u);
            for (char ch : line)
                EXPECT_TRUE(ch != 0 && static_cast<unsigned char>(ch) < 0x80) << line;
        }
    }
}

TEST(MailMessage, HeaderValuesAreSafe) {
    TMimeMess m = Message();
    // A line break cannot add a field of its own.
    m.Subject = "Hi\r\nBcc: victim@example.test";
    ASSERT_TRUE(m.EncodeMessage());
    EXPECT_EQ(Head(m.Lines)[1], "Subject: Hi  Bcc: victim@example.test");
    // A subject that is not ASCII becomes encoded words, folded when long.
    m.Subject = "[Hostaq Updater] Gr\xC3\xBC\xC3\x9F"
                "e " +
                std::string(60, 'z');
    ASSERT_TRUE(m.EncodeMessage());
    const TLines head = Head(m.Lines);
    EXPECT_EQ(head[1].rfind("Subject: =?UTF-8?B?", 0), 0u);
    EXPECT_EQ(head[2].rfind(" =?UTF-8?B?", 0), 0u);
    for (const std::string& line : head)
        EXPECT_LE(line.size(), 76u);
}

// Subjects whose 36-byte cut falls inside a two-, three- and four-byte character: every encoded
// word holds whole characters and the words together give the subject back.
TEST(MailMessage, EncodedSubjectWordsNeverSplitACharacter) {
    for (const std::string character : {"\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80"}) {
        SCOPED_TRACE(character.size());
        for (std::size_t lead = 33; lead <= 35; ++lead) {
            TMimeMess m = Message();
            m.Subject = std::string(lead, 'a') + character + character + std::string(50, 'b');
            ASSERT_TRUE(m.EncodeMessage());
            std::string joined;
            for (std::string line : Head(m.Lines)) {
                const std::size_t start = line.find("=?UTF-8?B?");
                if (start == std::string::npos)
                    continue;
                const std::size_t end = line.find("?=", start + 10);
                ASSERT_NE(end, std::string::npos) << line;
                const std::string word = DecodeBase64Lenient(line.substr(start + 10, end - start - 10));
                EXPECT_TRUE(IsValidUtf8(word)) << "lead " << lead;
                joined += word;
            }
            EXPECT_EQ(joined, m.Subject);
        }
    }
}

TEST(MailMessage, AttachmentsMakeAMixedMessage) {
    const std::string file = ::testing::TempDir() + "/report-data.bin";
    std::ofstream(file, std::ios::binary) << std::string("\x00\x01\x02hello", 8);
    TMimeMess m = Message();
    m.Attachments = {file};
    ASSERT_TRUE(m.EncodeMessage());
    const std::string type = Head(m.Lines).back();
    ASSERT_EQ(type.rfind("Content-type: multipart/mixed; boundary=\"", 0), 0u);
    const std::string boundary = type.substr(41, type.size() - 42);
    const TLines& all = m.Lines;
    EXPECT_EQ(std::count(all.begin(), all.end(), "--" + boundary), 2);
    EXPECT_EQ(all.back(), "--" + boundary + "--");
    for (const char* line : {"Content-type: text/plain; charset=us-ascii",
                             "Content-Disposition: attachment; filename=\"report-data.bin\"", "AAECaGVsbG8="})
        EXPECT_NE(std::find(all.begin(), all.end(), line), all.end()) << line;

    m.Attachments = {file + ".missing"};
    std::string error;
    EXPECT_FALSE(m.EncodeMessage(&error));
    EXPECT_NE(error.find("report-data.bin.missing"), std::string::npos);
}

TEST(MailEnvelope, ListsAddressesAndLines) {
    EXPECT_EQ(SplitMailList(" a@x.test ; b@y.test,c@z.test ;; "),
              (TLines{"a@x.test", "b@y.test", "c@z.test"}));
    EXPECT_EQ(SplitMailList("\"Doe, Jane; Dr\" <j@x.test>, k@y.test"),
              (TLines{"\"Doe, Jane; Dr\" <j@x.test>", "k@y.test"}));
    EXPECT_EQ(BuildEnvelope("a@x.test; b@x.test", "c@x.test", "d@x.test"),
              (TLines{"a@x.test", "b@x.test", "c@x.test", "d@x.test"}));
    EXPECT_EQ(BuildEnvelope("", "c@x.test", ""), (TLines{"c@x.test"}));

    EXPECT_EQ(GetEmailAddr("Bob <b@y.test>"), "b@y.test");
    EXPECT_EQ(GetEmailAddr("  plain@x.test "), "plain@x.test");
    EXPECT_EQ(GetEmailAddr("\"A <weird> name\" < q@z.test >"), "q@z.test");
    EXPECT_EQ(GetEmailAddr("Nobody <>"), "");

    // A lone CR ends a line too: it may not travel inside one.
    EXPECT_EQ(SplitMailLines("a\r\nb\nc\rd\r\n\r\n"), (TLines{"a", "b", "c", "d", ""}));
}

TEST(MailEnvelope, Utf8Validation) {
    EXPECT_TRUE(IsValidUtf8("plain \xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80"));
    for (const char* bad : {"\xFC", "\xC0\xAF", "\xED\xA0\x80", "\xE2\x82", "\xF4\x90\x80\x80"})
        EXPECT_FALSE(IsValidUtf8(bad)) << bad;
}

} // namespace
} // namespace hostaq
