// Throughput of the check-ip page recognition on 1 MiB pages that never end the scan early.
#include "ipdetect/AddressList.h"
#include "ipdetect/CheckPage.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

constexpr std::size_t PageSize = 1 << 20;

const hostaq::TAddressList& LocalList() {
    static const hostaq::TAddressList list(
        hostaq::NonPublicRanges() +
        "\r\n192.168.1.1\r\n255.255.255.0\r\n127.0.0.1\r\n198.51.100.0-198.51.100.255");
    return list;
}

// Lines of text and local addresses; the public address is on the last line.
std::string LocalAddressPage(std::size_t size = PageSize) {
    std::string page;
    int i = 0;
    while (page.size() < size) {
        page += "<tr><td>gateway " + std::to_string(i % 256) + "</td><td>192.168." + std::to_string(i % 256) +
                "." + std::to_string((i / 256) % 256) + "</td><td>10.0.0." + std::to_string(i % 200) +
                "</td></tr>\r\n";
        ++i;
    }
    return page + "Current IP Address: 203.0.113.7\r\n";
}

// One long line of digits and dots that are never an address.
std::string DigitRunPage() {
    std::string page;
    while (page.size() < PageSize)
        page += "1.2.3.4.5 99.. 0.1.2.3 ";
    return page;
}

// Prose without any digits.
std::string TextPage() {
    std::string page;
    while (page.size() < PageSize)
        page += "The quick brown fox jumps over the lazy dog; no address here at all.\n";
    return page;
}

void Run(benchmark::State& state, const std::string& page, const char* expected) {
    for (auto _ : state) {
        std::string found = hostaq::ParseCheckPage(page, LocalList());
        if (found != expected)
            state.SkipWithError("unexpected address");
        benchmark::DoNotOptimize(found);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(page.size()));
}

void BM_LocalAddressPage(benchmark::State& state) {
    Run(state, LocalAddressPage(), "203.0.113.7");
}
void BM_DigitRunPage(benchmark::State& state) {
    Run(state, DigitRunPage(), "");
}
void BM_TextPage(benchmark::State& state) {
    Run(state, TextPage(), "");
}

// The same page at several sizes: the time grows linearly with the page.
void BM_LocalAddressPageScaling(benchmark::State& state) {
    const std::string page = LocalAddressPage(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(hostaq::ParseCheckPage(page, LocalList()));
    state.SetComplexityN(state.range(0));
}

BENCHMARK(BM_LocalAddressPage)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LocalAddressPageScaling)
    ->RangeMultiplier(4)
    ->Range(64 << 10, 4 << 20)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);
BENCHMARK(BM_DigitRunPage)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TextPage)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
