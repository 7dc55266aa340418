#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace hostaq {
namespace {

std::filesystem::path CorpusFolder() {
    const char* source = std::getenv("HOSTAQ_SOURCE_DIR");
    return std::filesystem::path(source != nullptr ? source : HOSTAQ_SOURCE_DIR_FALLBACK) / "fuzz" /
           "corpus" / "groups";
}

// Every input of the fuzzing corpus runs through the fuzz target's checks (a failed check aborts).
TEST(GroupsCorpus, EveryInputPassesTheFuzzChecks) {
    const std::filesystem::path folder = CorpusFolder();
    ASSERT_TRUE(std::filesystem::is_directory(folder)) << folder;
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (!entry.is_regular_file())
            continue;
        std::ifstream in(entry.path(), std::ios::binary);
        const std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        SCOPED_TRACE(entry.path().string());
        EXPECT_EQ(LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()),
                  0);
        ++count;
    }
    EXPECT_GE(count, 5);
}

} // namespace
} // namespace hostaq
