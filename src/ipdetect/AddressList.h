#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hostaq {

// Address lists: text of lines (CR LF, LF or CR separated), each line either a range
// "a.b.c.d-e.f.g.h" (both ends included, compared as unsigned 32-bit numbers) or a single
// address that matches only the identical text. A line that is neither (a hand-edited LocalIP
// value) never matches; callers on the main thread report it once as a warning.

// The number of a dotted quad: the text cut at its first three dots into four decimal numbers
// a, b, c, d gives a*2^24 + b*2^16 + c*2^8 + (d mod 256), modulo 2^32. Nothing when a part is
// not a decimal number (surrounding blanks are allowed).
std::optional<std::uint32_t> AddressToNumber(std::string_view address);

// Calls fn(line) for every line of a list or page; a line ends at CR LF, LF or CR.
template <typename Fn> void ForEachTextLine(std::string_view text, Fn&& fn) {
    std::size_t start = 0;
    const std::size_t size = text.size();
    while (start < size) {
        std::size_t end = start;
        while (end < size && text[end] != '\r' && text[end] != '\n')
            ++end;
        if (!fn(text.substr(start, end - start)))
            return;
        if (end < size && text[end] == '\r' && end + 1 < size && text[end + 1] == '\n')
            ++end;
        start = end + 1;
    }
}

// A list parsed once, for tests of many addresses against the same list (a check-ip page). It
// never reports anything itself, so a worker thread may use it; BadLines() tells the caller
// which lines were unusable.
class TAddressList {
public:
    explicit TAddressList(std::string_view text);

    // IsInLocalList: a range line contains the address or a single-address line equals it.
    bool Contains(std::string_view address) const;
    // FindRange: the first range line that contains the address, else empty.
    std::string FindRange(std::string_view address) const;
    bool Empty() const { return entries_.empty(); }
    // Lines that are neither an address nor a range of two addresses, in list order.
    const std::vector<std::string>& BadLines() const { return badLines_; }

private:
    struct TEntry {
        std::string Line;
        bool IsRange = false;
        std::uint32_t Low = 0;
        std::uint32_t High = 0;
    };
    std::vector<TEntry> entries_;
    std::vector<std::string> badLines_;
};

// The same on list text; for use on the main thread: unusable lines are reported once each as
// a warning (see ReportBadLines). An empty address is taken as "0.0.0.0".
std::string FindRange(std::string_view address, std::string_view list);
bool IsInLocalList(std::string_view address, std::string_view list);

// Reports every unusable line of the list once (ReportWarningOnce, a LogWarning entry). Main
// thread only.
void ReportBadLines(const TAddressList& list);
void ReportBadLines(const std::vector<std::string>& badLines);

// The four non-public ranges, in this order: 10/8, 172.16/12, 192.168/16, 169.254/16.
const std::vector<std::string>& NonPublicRangeLines();
// The same as list text.
const std::string& NonPublicRanges();

// True for an address that is nobody's public address, whatever a local list says: the private
// ranges, loopback (127/8), link-local (169.254/16), shared address space (100.64/10), "this
// network" (0/8), the protocol assignments (192.0.0/24), benchmarking (198.18/15), multicast
// (224/4) and the reserved 240/4 with the broadcast address. Also true for a text that is not a
// dotted quad (and for the empty text).
bool IsNonPublicAddress(std::string_view address);

// The first of the comma-separated addresses that is not in the list, else empty. With an empty
// list and a single address, that address.
std::string FirstNonLocal(std::string_view addresses, std::string_view list);

// Joins lines into list text (CR LF between lines).
std::string JoinLines(const std::vector<std::string>& lines);
// The lines of list text.
std::vector<std::string> SplitLines(std::string_view text);

} // namespace hostaq
