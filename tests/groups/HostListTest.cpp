#include "groups/HostList.h"
#include "config/IniFile.h"

#include "FuzzCorpus.h"
#include "TempDir.h"

#include <gtest/gtest.h>

using namespace hostaq;
using Lines = std::vector<std::string>;

namespace {

TEST(ParseHostListTest, PrefixesSwitchTheSystem) {
    EXPECT_EQ(ParseHostList("hostaq:a.example,b.example\r\nstatdns:c.example\r\n"),
              (Lines{"a.example|hostaq", "b.example|hostaq", "c.example|statdns"}));
    // A line without a prefix belongs to the current system; hostaq at the start.
    EXPECT_EQ(ParseHostList("x.example\nstatdns:c.example\nd.example\ncustom:e.example\n"),
              (Lines{"x.example|hostaq", "c.example|statdns", "d.example|statdns", "e.example|custom"}));
    // A prefix line with nothing after it switches without adding.
    EXPECT_EQ(ParseHostList("statdns:\na.example\n"), (Lines{"a.example|statdns"}));
    // Prefixes count only at the start of a line and in lower case.
    EXPECT_EQ(ParseHostList(" statdns:a\nStatdns:b\n"), (Lines{"statdns:a|hostaq", "Statdns:b|hostaq"}));
}

TEST(ParseHostListTest, BlanksCommasAndQuotes) {
    EXPECT_EQ(ParseHostList("hostaq:a.example b.example\tc.example"),
              (Lines{"a.example|hostaq", "b.example|hostaq", "c.example|hostaq"}));
    EXPECT_EQ(ParseHostList("a, b,,c ,"), (Lines{"a|hostaq", "b|hostaq", "c|hostaq"}));
    EXPECT_EQ(ParseHostList("\"my host\",\"x,y\" \"q\"\"q\" \"open end"),
              (Lines{"my host|hostaq", "x,y|hostaq", "q\"q|hostaq", "open end|hostaq"}));
    EXPECT_EQ(ParseHostList("a|b,c"), (Lines{"c|hostaq"}));
    EXPECT_TRUE(ParseHostList("").empty());
    EXPECT_TRUE(ParseHostList("\r\n\r\n").empty());
}

TEST(InterpretHostListTest, WhatTheEditorShows) {
    THostListOutcome o = InterpretHostList("");
    EXPECT_EQ(o.Kind, THostListOutcome::CannotDetect);
    EXPECT_EQ(o.Message, "Hostaq Updater cannot detect hostname associated to your username.\n"
                         "In this case, you need to enter it manually.");

    o = InterpretHostList("badauth\r\n");
    EXPECT_EQ(o.Kind, THostListOutcome::WrongLogin);
    EXPECT_EQ(o.Message, "You have entered either wrong username or password.");
    EXPECT_EQ(InterpretHostList("badauth").Kind, THostListOutcome::WrongLogin);
    EXPECT_EQ(InterpretHostList("badauth\r\n\r\n").Kind, THostListOutcome::CannotDetect);
    EXPECT_EQ(InterpretHostList("nohost\r\n").Kind, THostListOutcome::CannotDetect);

    // Any "." makes it a list, even an error page.
    o = InterpretHostList("<html>Error.</html>\r\n");
    EXPECT_EQ(o.Kind, THostListOutcome::Hosts);
    ASSERT_EQ(o.Entries.size(), 1u);
    EXPECT_EQ(o.Entries[0].Host, "<html>Error.</html>");
}

TEST(GroupsCorpus, EveryInputPassesTheFuzzChecks) {
    EXPECT_GE(test::ReplayCorpusThroughFuzzTarget("groups"), 5);
}

} // namespace
