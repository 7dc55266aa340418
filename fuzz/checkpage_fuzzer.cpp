// libFuzzer target for the recognition of a check-ip page against a local address list.
// Input: the local list, a NUL byte, the page. Without a NUL byte the whole input is the page
// and the list is the non-public ranges with loopback. The corpus is also replayed by the
// ipdetect tests, which call this entry point directly.
#include "config/ErrorReporter.h"
#include "ipdetect/AddressList.h"
#include "ipdetect/CheckPage.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void Check(bool condition) {
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace hostaq;
    static const bool silenced = [] {
        SetWarningReporter([](const std::string&) {});
        return true;
    }();
    (void)silenced;

    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t nul = input.find('\0');
    const std::string defaultList = NonPublicRanges() + "\r\n127.0.0.1";
    const std::string_view listText =
        nul == std::string_view::npos ? std::string_view(defaultList) : input.substr(0, nul);
    const std::string_view page = nul == std::string_view::npos ? input : input.substr(nul + 1);

    const TAddressList list(listText);
    const std::string found = ParseCheckPage(page, list);
    // Whatever is found is a well-formed address taken from the page.
    Check(found.empty() || (!IsBadAddress(found) && page.find(found) != std::string_view::npos));
    // The text form of the list test agrees with the parsed one, and bad lines never match.
    Check(IsInLocalList(found, listText) == list.Contains(found));
    for (const std::string& bad : list.BadLines())
        Check(!list.Contains(bad));
    if (!found.empty()) {
        const auto number = AddressToNumber(found);
        Check(number.has_value());
        Check(list.FindRange(found).empty() || list.Contains(found));
    }
    // The page's own lines, taken as a list, never crash the parser either.
    const TAddressList pageAsList(page);
    Check(pageAsList.Contains(found) == IsInLocalList(found, page));
    ResetReportedWarnings();
    return 0;
}
