#include "platform/Journal.h"

#include "DatagramListener.h"
#include "EnvGuard.h"
#include "TempDir.h"
#include "log/Log.h"

#include <gmock/gmock.h>
#include <map>
#include <set>
#include <sys/stat.h>

namespace hostaq {
namespace {

using ::testing::ElementsAre;
using ::testing::Pair;
using ::testing::UnorderedElementsAre;

// The fields of one native-protocol datagram, in both of its forms.
std::map<std::string, std::string> ParseDatagram(const std::string& d) {
    std::map<std::string, std::string> fields;
    std::size_t pos = 0;
    while (pos < d.size()) {
        const std::size_t end = d.find('\n', pos);
        const std::size_t eq = d.find('=', pos);
        if (eq != std::string::npos && eq < end) {
            fields[d.substr(pos, eq - pos)] = d.substr(eq + 1, end - eq - 1);
            pos = end + 1;
            continue;
        }
        const std::string key = d.substr(pos, end - pos);
        std::uint64_t size = 0;
        for (int i = 7; i >= 0; --i)
            size = (size << 8) | static_cast<unsigned char>(d[end + 1 + i]);
        fields[key] = d.substr(end + 9, size);
        EXPECT_EQ(d[end + 9 + size], '\n');
        pos = end + 10 + size;
    }
    return fields;
}

TEST(JournalTest, PriorityFollowsTheLogKind) {
    const std::pair<int, int> table[] = {{LogError, 3},  {LogWarning, 4}, {LogProcess, 6},
                                         {LogNormal, 6}, {LogProgram, 6}, {LogMinor, 7}};
    for (const auto& [kind, priority] : table)
        EXPECT_EQ(JournalPriority(kind), priority) << kind;
}

TEST(JournalTest, EveryEventHasItsOwnFixedMessageId) {
    std::set<std::string> ids;
    for (TLogEvent e :
         {TLogEvent::AddressChanged, TLogEvent::UpdateGood, TLogEvent::UpdateFailed, TLogEvent::GroupBlocked,
          TLogEvent::CheckFailed, TLogEvent::MonitorStarted, TLogEvent::MonitorStopped}) {
        const std::string id = JournalMessageId(e);
        EXPECT_EQ(id.size(), 32u);
        EXPECT_EQ(id.find_first_not_of("0123456789abcdef"), std::string::npos) << id;
        ids.insert(id);
    }
    EXPECT_EQ(ids.size(), 7u);
    EXPECT_EQ(JournalMessageId(TLogEvent::None), "");
    // journalctl finds the updates by these; they never change.
    EXPECT_EQ(JournalMessageId(TLogEvent::UpdateGood), "e0ce961a19144d6e85dc4da071347e42");
}

TEST(JournalTest, DatagramHoldsTheFieldsTheEntryHasAndValuesWithLineBreaksInBinaryForm) {
    const std::string d =
        JournalDatagram(LogNormal, "home.example [hostaq.example]: good 203.0.113.7 (ok)",
                        {TLogEvent::UpdateGood, "home", "home.example", "203.0.113.7", "good"});
    EXPECT_THAT(ParseDatagram(d),
                UnorderedElementsAre(Pair("MESSAGE", "home.example [hostaq.example]: good 203.0.113.7 (ok)"),
                                     Pair("PRIORITY", "6"), Pair("SYSLOG_IDENTIFIER", "hostaq"),
                                     Pair("MESSAGE_ID", "e0ce961a19144d6e85dc4da071347e42"),
                                     Pair("HOSTAQ_GROUP", "home"), Pair("HOSTAQ_HOST", "home.example"),
                                     Pair("HOSTAQ_IP", "203.0.113.7"), Pair("HOSTAQ_RESULT", "good")));

    const std::string plain = JournalDatagram(LogMinor, "x", {});
    EXPECT_EQ(plain, "MESSAGE=x\nPRIORITY=7\nSYSLOG_IDENTIFIER=hostaq\n");

    const std::string two = JournalDatagram(LogError, "a\nb=c", {TLogEvent::None, "g\n", "", "", ""});
    EXPECT_EQ(two.substr(0, 8), std::string("MESSAGE\n"));
    EXPECT_THAT(ParseDatagram(two),
                UnorderedElementsAre(Pair("MESSAGE", "a\nb=c"), Pair("PRIORITY", "3"),
                                     Pair("SYSLOG_IDENTIFIER", "hostaq"), Pair("HOSTAQ_GROUP", "g\n")));
}

TEST(JournalTest, EveryLogEntryReachesTheJournalSocketWithItsFields) {
    test::TTempDir dir;
    test::TDatagramListener journal(dir.File("journal"));
    {
        TJournalSink sink(journal.Path());
        AddLog(LogProgram, "Hostaq Updater started...", {TLogEvent::MonitorStarted, "", "", "", ""});
        AddLog(LogError, "Checking failed", {TLogEvent::CheckFailed, "", "", "203.0.113.7", "time-out"});
        AddLog(LogNormal, "plain entry");
    }
    AddLog(LogNormal, "after the sink is gone");
    std::vector<std::map<std::string, std::string>> got;
    for (const std::string& d : journal.Drain())
        got.push_back(ParseDatagram(d));
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[0]["MESSAGE_ID"], JournalMessageId(TLogEvent::MonitorStarted));
    EXPECT_EQ(got[0]["PRIORITY"], "6");
    EXPECT_EQ(got[1]["MESSAGE"], "Checking failed");
    EXPECT_EQ(got[1]["PRIORITY"], "3");
    EXPECT_EQ(got[1]["HOSTAQ_IP"], "203.0.113.7");
    EXPECT_EQ(got[1]["HOSTAQ_RESULT"], "time-out");
    EXPECT_EQ(got[2].count("MESSAGE_ID"), 0u);
}

TEST(JournalTest, AJournalThatIsNotThereCostsOnlyTheEntry) {
    test::TTempDir dir;
    TJournalSink sink(dir.File("no-journal"));
    EXPECT_FALSE(sink.Send(LogNormal, "lost", {}));
    const int before = LogList().Count();
    AddLog(LogNormal, "still logged");
    EXPECT_EQ(LogList().Count(), before + 1);
}

TEST(JournalTest, StandardErrorIsTheJournalOnlyWhenJournalStreamNamesIt) {
    struct stat st {};
    ASSERT_EQ(::fstat(2, &st), 0);
    const std::string mine = std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino);
    const std::pair<std::optional<std::string>, bool> table[] = {
        {std::nullopt, false},
        {"", false},
        {mine, true},
        {mine + "x", false},
        {std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino + 1), false},
        {"garbage", false}};
    for (const auto& [value, expected] : table) {
        test::TEnvGuard env("JOURNAL_STREAM", value);
        EXPECT_EQ(StderrIsJournal(), expected) << value.value_or("(unset)");
    }
}

} // namespace
} // namespace hostaq
