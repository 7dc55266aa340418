#include "ipdetect/AddressList.h"

#include "TempConfig.h"

#include <gtest/gtest.h>

namespace hostaq {
namespace {

TEST(AddressToNumber, ConvertsDottedQuads) {
    EXPECT_EQ(AddressToNumber("0.0.0.0"), 0u);
    EXPECT_EQ(AddressToNumber("10.0.0.1"), 0x0A000001u);
    EXPECT_EQ(AddressToNumber("255.255.255.255"), 0xFFFFFFFFu);
    EXPECT_EQ(AddressToNumber("127.0.0.01"), 0x7F000001u);
    // The last part counts modulo 256, the whole modulo 2^32.
    EXPECT_EQ(AddressToNumber("1.2.3.260"), 0x01020304u);
    EXPECT_EQ(AddressToNumber("257.0.0.0"), 0x01000000u);
    EXPECT_EQ(AddressToNumber(" 10.0.0.1 "), 0x0A000001u);
}

TEST(AddressToNumber, FailsOnTextThatIsNotFourNumbers) {
    for (const char* text : {"", "1.2.3", "1.2.3.4.5", "a.b.c.d", "1..2.3", "1.2.3.", "-1.2.3.4", "1.2.3.4x",
                             "99999999999.0.0.0", "::1", "1.2. 3.4"})
        EXPECT_FALSE(AddressToNumber(text).has_value()) << text;
}

TEST(AddressList, RangesAreInclusiveAndNumeric) {
    const std::string ranges = NonPublicRanges();
    EXPECT_FALSE(IsInLocalList("172.15.255.255", ranges));
    EXPECT_TRUE(IsInLocalList("172.16.0.0", ranges));
    EXPECT_TRUE(IsInLocalList("172.31.255.255", ranges));
    EXPECT_FALSE(IsInLocalList("172.32.0.0", ranges));
    EXPECT_EQ(FindRange("172.20.1.1", ranges), "172.16.0.0-172.31.255.255");
    EXPECT_EQ(FindRange("169.254.3.4", ranges), "169.254.0.0-169.254.255.255");
    EXPECT_EQ(FindRange("203.0.113.7", ranges), "");
    // An empty address stands for 0.0.0.0.
    EXPECT_TRUE(IsInLocalList("", "0.0.0.0-0.0.0.255"));
    EXPECT_TRUE(IsInLocalList("", "0.0.0.0"));
}

TEST(AddressList, ReversedRangeMatchesNothing) {
    for (const char* address : {"10.0.0.1", "10.0.0.5", "10.0.0.9"})
        EXPECT_FALSE(IsInLocalList(address, "10.0.0.9-10.0.0.1")) << address;
}

TEST(AddressList, SingleEntriesCompareAsText) {
    EXPECT_TRUE(IsInLocalList("127.0.0.1", "10.0.0.0-10.255.255.255\r\n127.0.0.1"));
    EXPECT_FALSE(IsInLocalList("127.0.0.01", "127.0.0.1"));
    EXPECT_FALSE(IsInLocalList("127.0.0.1", "127.0.0.01"));
    // Single entries are not ranges.
    EXPECT_EQ(FindRange("127.0.0.1", "127.0.0.1"), "");
    // The first containing range is named; LF and CR separate lines too.
    EXPECT_EQ(FindRange("10.1.1.1", "10.1.0.0-10.1.255.255\n10.0.0.0-10.255.255.255"),
              "10.1.0.0-10.1.255.255");
    EXPECT_TRUE(IsInLocalList("10.1.1.1", "1.1.1.1\r10.0.0.0-10.255.255.255"));
}

TEST(AddressList, UnusableLinesNeverMatchAndAreReportedOnce) {
    test::TTempConfig config;
    const std::string list = "10.0.0.0-oops\r\n192.168.1.x\r\n\r\n172.16.0.0-172.31.255.255";
    EXPECT_FALSE(IsInLocalList("10.0.0.1", list));
    EXPECT_FALSE(IsInLocalList("192.168.1.x", list));
    EXPECT_TRUE(IsInLocalList("172.16.0.1", list));
    EXPECT_EQ(FindRange("172.16.0.1", list), "172.16.0.0-172.31.255.255");
    ASSERT_EQ(config.Warnings.size(), 2u);
    EXPECT_NE(config.Warnings[0].find("\"10.0.0.0-oops\""), std::string::npos);
    EXPECT_NE(config.Warnings[1].find("\"192.168.1.x\""), std::string::npos);

    const TAddressList parsed(list);
    EXPECT_EQ(parsed.BadLines(), (std::vector<std::string>{"10.0.0.0-oops", "192.168.1.x"}));
}

TEST(FirstNonLocal, TakesTheFirstAddressOutsideTheList) {
    const std::string ranges = NonPublicRanges();
    EXPECT_EQ(FirstNonLocal("192.168.1.5,203.0.113.7,198.51.100.1", ranges), "203.0.113.7");
    EXPECT_EQ(FirstNonLocal("192.168.1.5,10.0.0.2", ranges), "");
    EXPECT_EQ(FirstNonLocal("", ranges), "");
    // With an empty list a single text is returned as it is.
    EXPECT_EQ(FirstNonLocal("whatever", ""), "whatever");
    EXPECT_EQ(FirstNonLocal("192.168.1.5,203.0.113.7", ""), "192.168.1.5");
}

} // namespace
} // namespace hostaq
