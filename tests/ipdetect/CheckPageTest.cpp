#include "ipdetect/CheckPage.h"

#include "config/ErrorReporter.h"

#include "FuzzCorpus.h"

#include <gtest/gtest.h>

namespace hostaq {
namespace {

const char* const PrivateRanges = "10.0.0.0-10.255.255.255\r\n192.168.0.0-192.168.255.255\r\n127.0.0.1";

TEST(IsBadAddress, RejectsMalformedForms) {
    for (const char* text :
         {"0.1.2.3",    "01.2.3.4",  "1.02.3.4",   "256.1.1.1",  "1.2.3",
          "1.2.3.4.5",  "1..2.3",    ".1.2.3",     "1.2.3.",     "",
          "1.2.3.x",    "1.2.3.4 ",  "1000.2.3.4", "1.2.3.256",  "1.2.3.01",
          "1.2.3.0001", "1.256.3.4", "1.2.300.4",  "1.0001.3.4", "1.2.3.99999999999999999999999"})
        EXPECT_TRUE(IsBadAddress(text)) << text;
}

TEST(IsBadAddress, AcceptsWellFormedForms) {
    for (const char* text : {"1.0.0.0", "1.00.0.1", "1.2.3.0000", "203.0.113.7", "255.255.255.255",
                             "1.000.00.0", "9.9.9.9", "1.2.3.000000000000000000000000"})
        EXPECT_FALSE(IsBadAddress(text)) << text;
}

TEST(ExtractAddress, FindsTheAddressInALine) {
    const TAddressList none("");
    EXPECT_EQ(ExtractAddress("Current IP Address: 203.0.113.7", none), "203.0.113.7");
    EXPECT_EQ(ExtractAddress("<body>203.0.113.7</body>", none), "203.0.113.7");
    EXPECT_EQ(ExtractAddress("no address here", none), "");
    EXPECT_EQ(ExtractAddress("", none), "");
    // The last run is taken only when it is well formed.
    EXPECT_EQ(ExtractAddress("version 1.0 build 1.2.3", none), "");
    EXPECT_EQ(ExtractAddress("203.0.113.7 and then 1.2.3", none), "203.0.113.7");
    EXPECT_EQ(ExtractAddress("1.2.3.4.5", none), "");
}

TEST(ExtractAddress, StopsAtTheFirstWellFormedNonLocalRun) {
    const TAddressList local(PrivateRanges);
    // "1.0" is rejected; 203.0.113.7 is the answer as soon as the next run begins.
    EXPECT_EQ(ExtractAddress("version 1.0 203.0.113.7 10.0.0.1", local), "203.0.113.7");
    // A local run is skipped while a later one exists.
    EXPECT_EQ(ExtractAddress("lan 192.168.1.1 wan 203.0.113.7", local), "203.0.113.7");
    // The last run is returned without consulting the list.
    EXPECT_EQ(ExtractAddress("only 10.1.2.3", local), "10.1.2.3");
    EXPECT_EQ(ExtractAddress("203.0.113.7 10.1.2.3", local), "203.0.113.7");
}

TEST(ParseCheckPage, FirstLineWithANonLocalAddressDecides) {
    const TAddressList local(PrivateRanges);
    EXPECT_EQ(ParseCheckPage("Current IP Address: 203.0.113.7", local), "203.0.113.7");
    EXPECT_EQ(ParseCheckPage("Router 10.1.2.3\r\nPublic 203.0.113.7\r\nOther 198.51.100.1\r\n", local),
              "203.0.113.7");
    EXPECT_EQ(
        ParseCheckPage("Router 10.1.2.3\nPublic 203.0.113.7\n", TAddressList("10.0.0.0-10.255.255.255")),
        "203.0.113.7");
    // Lines without an address are passed over.
    EXPECT_EQ(ParseCheckPage("<html>\n<head>\n\n203.0.113.9\n</html>\n", local), "203.0.113.9");
}

TEST(ParseCheckPage, NonPublicAddressesAreSkippedWhateverTheList) {
    const TAddressList empty("");
    EXPECT_EQ(ParseCheckPage("NAT 100.64.1.1\nGroup 224.0.0.1\nYou 203.0.113.7\n", empty), "203.0.113.7");
    EXPECT_EQ(ExtractAddress("lan 10.1.2.3 wan 203.0.113.7", empty), "203.0.113.7");
    // Nothing better on the page: the last line's address comes back for the caller to refuse.
    EXPECT_EQ(ParseCheckPage("Current IP Address: 10.1.2.3", empty), "10.1.2.3");
}

TEST(ParseCheckPage, WithoutAPublicAddressTheLastLineIsKept) {
    const TAddressList local("192.168.0.0-192.168.255.255");
    EXPECT_EQ(ParseCheckPage("Your address\r\n192.168.1.1", local), "192.168.1.1");
    EXPECT_EQ(ParseCheckPage("192.168.1.1\r\nnothing here", local), "");
    EXPECT_EQ(ParseCheckPage("", local), "");
}

// The fuzz corpus, replayed with warnings silenced.
TEST(CheckPageCorpus, EveryInputPassesTheFuzzChecks) {
    const TErrorReporter old = SetWarningReporter({});
    EXPECT_GE(test::ReplayCorpusThroughFuzzTarget("ipdetect"), 5);
    SetWarningReporter(old);
}

} // namespace
} // namespace hostaq
