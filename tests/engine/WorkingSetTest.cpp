#include "engine/WorkingSet.h"

#include "config/Scramble.h"

#include <fstream>
#include <gtest/gtest.h>
#include <string>

namespace {

long StatusKiB(const std::string& field) {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(field + ":", 0) == 0)
            return std::stol(line.substr(field.size() + 1));
    return -1;
}

TEST(WorkingSetTest, TrimDropsCodePagesAndEverythingKeepsWorking) {
    // Touch code of the program and of the libraries first.
    const std::string scrambled = hostaq::ScramblePassword("secret");
    const long before = StatusKiB("RssFile");
    hostaq::TrimWorkingSet();
    const long after = StatusKiB("RssFile");
    EXPECT_LT(after, before);
    // Code and data are still there: the pages come back from the files.
    EXPECT_EQ(hostaq::UnscramblePassword(scrambled), "secret");
    EXPECT_EQ(hostaq::UnscramblePassword(hostaq::ScramblePassword("again")), "again");
}

} // namespace
