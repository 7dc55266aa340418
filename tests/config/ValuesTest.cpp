#include "config/Clock.h"
#include "config/ConfigKeys.h"
#include "config/ConfigPath.h"
#include "config/ErrorReporter.h"
#include "config/IniFile.h"
#include "config/Messages.h"
#include "config/Scramble.h"
#include "config/Stamp.h"
#include "config/Text.h"
#include "config/Version.h"

#include "EnvGuard.h"
#include "TempDir.h"

#include <gtest/gtest.h>
#include <regex>

using namespace hostaq;
using hostaq::test::TEnvGuard;
using hostaq::test::TTempDir;
using hostaq::test::WriteFileText;

namespace {

TEST(StampTest, EncodesAndDecodesFourteenDigits) {
    const TDateTime t = TDateTime::FromParts(2007, 1, 2, 3, 4, 5);
    EXPECT_EQ(EncodeStamp(t), "20070102030405");
    EXPECT_EQ(DecodeStamp("20070102030405"), t);
    EXPECT_EQ(EncodeStamp(TDateTime::FromParts(2007, 12, 31, 23, 59, 0)), "20071231235900");
}

TEST(StampTest, EmptyIsNowAndMalformedThrowsAConversionError) {
    TManualClock clock(TDateTime::FromParts(2020, 5, 6, 7, 8, 9));
    TClockGuard guard(&clock);
    EXPECT_EQ(DecodeStamp(""), clock.Now());
    for (const char* bad : {"2007010203040", "200701020304050", "2007010203040x", "20070230000000",
                            "20071301000000", "20070101240000", "20070101006000", " 0070101000000"}) {
        EXPECT_THROW(DecodeStamp(bad), EConvertError) << bad;
        TDateTime out;
        EXPECT_FALSE(TryDecodeStamp(bad, out)) << bad;
    }
    EXPECT_NO_THROW(DecodeStamp("20080229235959"));
}

TEST(DateTimeTest, MonthArithmeticKeepsTheDayWhereTheMonthAllows) {
    const TDateTime jan31 = TDateTime::FromParts(2007, 1, 31, 10, 0, 0);
    EXPECT_EQ(jan31.AddMonths(1), TDateTime::FromParts(2007, 2, 28, 10, 0, 0));
    EXPECT_EQ(TDateTime::FromParts(2008, 1, 31).AddMonths(1), TDateTime::FromParts(2008, 2, 29));
    EXPECT_EQ(jan31.AddMonths(-2), TDateTime::FromParts(2006, 11, 30, 10, 0, 0));
    EXPECT_EQ(jan31.AddMonths(12), TDateTime::FromParts(2008, 1, 31, 10, 0, 0));
    EXPECT_EQ(TDateTime::FromParts(2007, 12, 31, 23, 59, 59).AddSecs(1), TDateTime::FromParts(2008, 1, 1));
    EXPECT_EQ(TDateTime::FromParts(2007, 12, 30).DayOfWeek(), 1); // a Sunday
    EXPECT_EQ(TDateTime::FromParts(2007, 12, 31).DayOfYear(), 365);
}

TEST(ScrambleTest, RoundTripsWithFreshTextEachTime) {
    const std::string a = ScramblePassword("pa$$w");
    const std::string b = ScramblePassword("pa$$w");
    EXPECT_EQ(a.size(), 128u);
    EXPECT_TRUE(std::regex_match(a, std::regex("[0-9A-F]{128}")));
    EXPECT_NE(a, b);
    EXPECT_EQ(UnscramblePassword(a), "pa$$w");
    EXPECT_EQ(UnscramblePassword(b), "pa$$w");
    std::string lower = a;
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_EQ(UnscramblePassword(lower), "pa$$w");

    const std::string longPassword(56, 'k');
    EXPECT_EQ(ScramblePassword(longPassword).size(), 128u);
    const std::string longer = "\xC3\xA9t\xC3\xA9 " + std::string(70, 'z');
    EXPECT_EQ(UnscramblePassword(ScramblePassword(longer)), longer);
    EXPECT_EQ(UnscramblePassword(ScramblePassword("")), "");
}

// Stored texts written by this version: every later version must read them back, or every
// stored password would stop working after an upgrade (a key or format change shows here).
TEST(ScrambleTest, KnownStoredTextsUnscrambleToTheirPasswords) {
    const struct {
        const char* Stored;
        std::string Password;
    } known[] = {
        {"E9E96AD5AFFE73CFD23CA4B537AFBBD4A5A96CE01EB67E199C6CAEF80664824293D8EC7A303D5A9CD851733FCD8BB651E4F"
         "72252EAD1"
         "EC63C95F6454880246AD",
         "pa$$w"},
        {"1B119DC1F4ACFD6E6A299524218BC2244A4269C7E5EB9F24BAFE712993B4159A3ECE82D24B5F4FDD0DB5231903749BD48E2"
         "CA5CF939A"
         "606F1BBE8A0086D731DA",
         "secret"},
        {"916479CFCA7128B2549FA565E834FD370AC8C72015362C6FB5300F59E8118244BE295062E8C75BEE6B85DEFC80CB14130D3"
         "E432B3215"
         "E5D6C0203F4E2B7B9088",
         ""},
        {"262342BAE2E5215A520895CED265480A3F974DD1CC9BC29CF18CBC4146E77EAA73D88B4B4E71EBFEF43E883287673858706"
         "8A860A167"
         "0F454FBB5F58A8DA5103",
         "Gr\xC3\xBC\xC3\x9F"
         "e \xE2\x82\xAC!"},
        {"1992BCB4FBD65192A39F528ACE2C8C02A39F528ACE2C8C02A39F528ACE2C8C02A39F528ACE2C8C02A39F528ACE2C8C02A39"
         "F528ACE2C"
         "8C02A39F528ACE2C8C02",
         std::string(56, 'k')},
    };
    for (const auto& k : known) {
        bool malformed = true;
        EXPECT_EQ(UnscramblePassword(k.Stored, &malformed), k.Password) << k.Stored;
        EXPECT_FALSE(malformed);
    }
}

TEST(ScrambleTest, MalformedStoredTextsGiveEmptyAndSaySo) {
    bool malformed = false;
    EXPECT_EQ(UnscramblePassword("not hexadecimal at all", &malformed), "");
    EXPECT_TRUE(malformed);
    EXPECT_EQ(UnscramblePassword("ABCD", &malformed), "");
    EXPECT_TRUE(malformed);
    // Hexadecimal, but what it deciphers to has no hexadecimal length prefix.
    EXPECT_EQ(UnscramblePassword(std::string(128, '0'), &malformed), "");
    EXPECT_TRUE(malformed);
    UnscramblePassword(ScramblePassword("x"), &malformed);
    EXPECT_FALSE(malformed);
}

TEST(MessagesTest, BuiltInTableLanguageFileAndFormatting) {
    ResetMessages();
    EXPECT_EQ(Msg(10449), "Cannot create Hostaq.ini file.");
    EXPECT_EQ(Msg(10033), "Your public IP address is %s.");
    EXPECT_EQ(Msg(10000), "");
    EXPECT_EQ(Msg(10450), "");
    EXPECT_EQ(Msg(10800), "");
    EXPECT_EQ(Msg(10660), "Network change on %s: checking the address now");
    EXPECT_EQ(FormatMsg(10033, {"203.0.113.7"}), "Your public IP address is 203.0.113.7.");
    EXPECT_EQ(FormatText("%s has %d hosts, 100%% sure%s", {"Home", "3"}), "Home has 3 hosts, 100% sure");

    TTempDir dir;
    EXPECT_FALSE(LoadMessages(dir.File("HostaqLang.ini")));
    WriteFileText(dir.File("HostaqLang.ini"),
                  "[Messages]\n10449=Kann Hostaq.ini nicht anlegen.\n10201=" + std::string(400, 'x') +
                      "\n10661=Netzwerk geändert: die Adresse wird geprüft\n");
    EXPECT_TRUE(LoadMessages(dir.File("HostaqLang.ini")));
    EXPECT_EQ(Msg(10449), "Kann Hostaq.ini nicht anlegen.");
    EXPECT_EQ(Msg(10200), "");
    // The program's own additions keep their wording unless the file has them.
    EXPECT_EQ(Msg(10660), "Network change on %s: checking the address now");
    EXPECT_EQ(Msg(10661), "Netzwerk geändert: die Adresse wird geprüft");
    EXPECT_EQ(Msg(10201).size(), 349u);
    ResetMessages();
    EXPECT_EQ(Msg(10449), "Cannot create Hostaq.ini file.");
}

TEST(VersionTest, TitleCarriesTheVersion) {
    EXPECT_EQ(BuildUserAgent(), "Hostaq Updater - Version 1.0.0 (Build 1) - Beta");
}

class ConfigAccessTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetConfigPath(dir.File("hostaq.ini"));
        ResetReportedWarnings();
        SetWarningReporter([this](const std::string& text) { warnings.push_back(text); });
    }
    void TearDown() override {
        SetWarningReporter({});
        SetConfigPath("");
    }
    TTempDir dir;
    std::vector<std::string> warnings;
};

TEST_F(ConfigAccessTest, TableDefaultsAndTypedAccess) {
    EXPECT_EQ(ReadInteger(Keys::CheckingInt), 5);
    EXPECT_EQ(ReadInteger(Keys::ForceUpdateInt), 25);
    EXPECT_TRUE(ReadBool(Keys::AutoCheck));
    EXPECT_EQ(ReadString(Keys::SMTPPort), "25");
    EXPECT_EQ(ReadString(Keys::UpdateHost), "members.hostaq.example");
    EXPECT_EQ(ReadString(Keys::DateTimeFormat), "MM/dd/yyyy HH:mm:ss");
    EXPECT_EQ(ReadInteger(Keys::Anim3Idx), 8);
    EXPECT_FALSE(ReadStamp(Keys::UpdateLastUpdate).has_value());
    EXPECT_FALSE(std::filesystem::exists(ConfigPath()));

    WriteStamp(Keys::UpdateLastUpdate, TDateTime::FromParts(2007, 12, 31, 23, 59, 0));
    EXPECT_EQ(IniReadString(ConfigPath(), "Update", "LastUpdate", ""), "20071231235900");
    EXPECT_EQ(*ReadStamp(Keys::UpdateLastUpdate), TDateTime::FromParts(2007, 12, 31, 23, 59, 0));

    // An empty password never overwrites the stored one.
    WritePassword(Keys::ProxyPassword, "secret");
    WritePassword(Keys::ProxyPassword, "");
    EXPECT_EQ(ReadPassword(Keys::ProxyPassword), "secret");
    EXPECT_NE(IniReadString(ConfigPath(), "Connection", "ProxyPassword", ""), "secret");

    // Every key of the table has a section and a name.
    for (const TConfigKey* key : AllConfigKeys())
        EXPECT_TRUE(*key->Section && *key->Key);
    EXPECT_TRUE(warnings.empty());
}

TEST_F(ConfigAccessTest, MalformedStoredValuesReadAsDefaultAndAreReportedOnce) {
    WriteFileText(ConfigPath(), "[Options]\nCheckingInt=ten\n[Update]\nLastUpdate=2007-12-31\n"
                                "[Connection]\nProxyPassword=zz\n");
    EXPECT_EQ(ReadInteger(Keys::CheckingInt), 5);
    EXPECT_EQ(ReadInteger(Keys::CheckingInt), 5);
    EXPECT_FALSE(ReadStamp(Keys::UpdateLastUpdate).has_value());
    EXPECT_EQ(ReadPassword(Keys::ProxyPassword), "");
    ASSERT_EQ(warnings.size(), 3u);
    EXPECT_NE(warnings[0].find("Options/CheckingInt"), std::string::npos);
    EXPECT_NE(warnings[1].find("Update/LastUpdate"), std::string::npos);
    EXPECT_NE(warnings[2].find("Connection/ProxyPassword"), std::string::npos);
}

class LocateTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(programDir);
        SetErrorReporter([this](const std::string& text) { errors.push_back(text); });
    }
    void TearDown() override {
        SetErrorReporter({});
        SetConfigPath("");
        SetHostaqEdition(true);
    }
    TTempDir dir;
    TEnvGuard xdg{"XDG_CONFIG_HOME", dir.File("xdg")};
    std::string programDir = dir.File("bin");
    std::string program = programDir + "/hostaq";
    std::vector<std::string> errors;
};

TEST_F(LocateTest, CommandLineCandidateRules) {
    EXPECT_EQ(CommandLineCandidate({"-x", "settings.cfg", "/abs/file.cfg"}, program),
              programDir + "/settings.ini");
    EXPECT_EQ(CommandLineCandidate({"conf/my.settings.cfg"}, program), "conf/my.settings.ini");
    EXPECT_EQ(CommandLineCandidate({"./v1.2/hostaq"}, program), "./v1.2/hostaq.ini");
    // An absolute path names the file itself; the service switches are never the file.
    EXPECT_EQ(CommandLineCandidate({"/INSTALL", "\\uninstall", "install", "/etc/hostaq/hostaq.ini"}, program),
              "/etc/hostaq/hostaq.ini");
    EXPECT_EQ(CommandLineCandidate({"-headless", "/srv/x"}, program), "/srv/x.ini");
    EXPECT_EQ(CommandLineCandidate({"-headless", "/Uninstall"}, program), "");
}

TEST_F(LocateTest, CandidatesInOrder) {
    std::vector<std::string> located;
    const int hook = AddConfigLocatedHook([&](const std::string& path) { located.push_back(path); });

    // A bare name is looked for beside the program, where it already is.
    WriteFileText(programDir + "/custom.ini", "");
    EXPECT_TRUE(LocateConfigFile({"custom.cfg"}, program));
    EXPECT_EQ(ConfigPath(), programDir + "/custom.ini");

    // Otherwise the file beside the program; its edition flag is read.
    WriteFileText(programDir + "/hostaq.ini", "[Options]\nIsHostaq=0\n");
    EXPECT_TRUE(LocateConfigFile({"other.cfg"}, program));
    EXPECT_EQ(ConfigPath(), programDir + "/hostaq.ini");
    EXPECT_FALSE(IsHostaqEdition());
    EXPECT_FALSE(IniValueExists(ConfigPath(), "Options", "WriteTest"));
    RemoveConfigLocatedHook(hook);
    EXPECT_EQ(located, (std::vector<std::string>{programDir + "/custom.ini", programDir + "/hostaq.ini"}));
    EXPECT_TRUE(errors.empty());
}

TEST_F(LocateTest, PerUserFolderIsCreatedOneLevelAtATime) {
    const std::string noProgramDir = dir.File("gone/hostaq");
    EXPECT_TRUE(LocateConfigFile({}, noProgramDir));
    EXPECT_EQ(ConfigPath(), dir.File("xdg/Vemo Solution/Hostaq Updater/hostaq.ini"));
    EXPECT_TRUE(std::filesystem::exists(ConfigPath()));
    EXPECT_TRUE(errors.empty());
}

TEST_F(LocateTest, NothingWritableReportsAndUsesThePerUserCandidate) {
    WriteFileText(dir.File("xdg"), "a file where the folder should be");
    EXPECT_FALSE(LocateConfigFile({}, dir.File("gone/hostaq")));
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(errors[0], "Cannot create data folder");
    EXPECT_EQ(errors[1], "Cannot create Hostaq.ini file.");
    EXPECT_EQ(ConfigPath(), dir.File("xdg/Vemo Solution/Hostaq Updater/hostaq.ini"));
}

} // namespace

namespace hostaq {
namespace {

TEST(CleanTextTest, BoundsWithoutSplittingACharacter) {
    EXPECT_EQ(CleanText("a\r\nb\x1b"
                        "c\td\x7f"),
              "a  b c\td ");
    // "é" is two bytes: a cut between them drops the whole character.
    EXPECT_EQ(CleanText("ab\xc3\xa9z", 3), "ab");
    EXPECT_EQ(CleanText("ab\xc3\xa9z", 4), "ab\xc3\xa9");
    EXPECT_EQ(CleanText("\xe2\x82\xac\xe2\x82\xac", 5), "\xe2\x82\xac");
    // Text that already fits is kept whole, even when cleaning shortens it.
    EXPECT_EQ(CleanText("x\xc2\x9by", 3), "x y");
    EXPECT_EQ(CleanText(std::string(5000, 'x'), MaxStoredNetworkText).size(), 2047u);
}

} // namespace
} // namespace hostaq
