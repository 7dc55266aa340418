// Replays a fuzzing corpus (fuzz/corpus/<name>) as an ordinary test.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

namespace hostaq::test {

// Calls check(fileName, bytes) for every file of the corpus and returns how many there were.
inline int ReplayCorpus(const std::string& name,
                        const std::function<void(const std::string&, const std::string&)>& check) {
    const char* source = std::getenv("HOSTAQ_SOURCE_DIR");
    const std::filesystem::path folder =
        std::filesystem::path(source != nullptr ? source : HOSTAQ_SOURCE_DIR_FALLBACK) / "fuzz" / "corpus" /
        name;
    EXPECT_TRUE(std::filesystem::is_directory(folder)) << folder;
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (!entry.is_regular_file())
            continue;
        std::ifstream in(entry.path(), std::ios::binary);
        const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        SCOPED_TRACE(entry.path().string());
        check(entry.path().filename().string(), bytes);
        ++count;
    }
    return count;
}

} // namespace hostaq::test

// The fuzz target linked into the test (its checks abort on a failure).
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace hostaq::test {

// Every input of the corpus passes the fuzz target's checks.
inline int ReplayCorpusThroughFuzzTarget(const std::string& name) {
    return ReplayCorpus(name, [](const std::string&, const std::string& bytes) {
        EXPECT_EQ(LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()),
                  0);
    });
}

} // namespace hostaq::test
