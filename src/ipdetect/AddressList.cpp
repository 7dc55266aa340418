#include "ipdetect/AddressList.h"

#include "config/ErrorReporter.h"
#include "config/Messages.h"
#include "ipdetect/IpDetectMessages.h"

namespace hostaq {

namespace {

// A decimal number of at most 2^31 - 1, the range of the number conversion.
bool ParseDecimal(std::string_view text, std::uint32_t& value) {
    if (text.empty())
        return false;
    std::uint64_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        v = v * 10 + static_cast<unsigned>(c - '0');
        if (v > 0x7FFFFFFFu)
            return false;
    }
    value = static_cast<std::uint32_t>(v);
    return true;
}

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

constexpr std::string_view EmptyAddress = "0.0.0.0";

} // namespace

std::optional<std::uint32_t> AddressToNumber(std::string_view address) {
    address = TrimBlanks(address);
    std::uint32_t parts[4] = {};
    for (int i = 0; i < 4; ++i) {
        std::string_view part = address;
        if (i < 3) {
            const std::size_t dot = address.find('.');
            if (dot == std::string_view::npos)
                return std::nullopt;
            part = address.substr(0, dot);
            address.remove_prefix(dot + 1);
        }
        if (!ParseDecimal(part, parts[i]))
            return std::nullopt;
    }
    // Unsigned arithmetic wraps modulo 2^32 by itself.
    return (parts[0] << 24) + (parts[1] << 16) + (parts[2] << 8) + (parts[3] % 256);
}

TAddressList::TAddressList(std::string_view text) {
    ForEachTextLine(text, [this](std::string_view line) {
        TEntry entry;
        entry.Line = std::string(line);
        const std::size_t dash = line.find('-');
        if (dash != std::string_view::npos) {
            const auto low = AddressToNumber(line.substr(0, dash));
            const auto high = AddressToNumber(line.substr(dash + 1));
            if (!low || !high) {
                badLines_.push_back(entry.Line);
                return true;
            }
            entry.IsRange = true;
            entry.Low = *low;
            entry.High = *high;
        } else if (!line.empty() && !AddressToNumber(line)) {
            badLines_.push_back(entry.Line);
            return true;
        }
        entries_.push_back(std::move(entry));
        return true;
    });
}

bool TAddressList::Contains(std::string_view address) const {
    if (address.empty())
        address = EmptyAddress;
    const auto number = AddressToNumber(address);
    for (const TEntry& e : entries_) {
        if (e.IsRange) {
            if (number && *number >= e.Low && *number <= e.High)
                return true;
        } else if (e.Line == address) {
            return true;
        }
    }
    return false;
}

std::string TAddressList::FindRange(std::string_view address) const {
    if (address.empty())
        address = EmptyAddress;
    const auto number = AddressToNumber(address);
    if (!number)
        return {};
    for (const TEntry& e : entries_) {
        if (e.IsRange && *number >= e.Low && *number <= e.High)
            return e.Line;
    }
    return {};
}

void ReportBadLines(const std::vector<std::string>& badLines) {
    for (const std::string& line : badLines)
        ReportWarningOnce(FormatMsg(MsgBadLocalListLine, {line}));
}

void ReportBadLines(const TAddressList& list) {
    ReportBadLines(list.BadLines());
}

std::string FindRange(std::string_view address, std::string_view list) {
    const TAddressList parsed(list);
    ReportBadLines(parsed);
    return parsed.FindRange(address);
}

bool IsInLocalList(std::string_view address, std::string_view list) {
    const TAddressList parsed(list);
    ReportBadLines(parsed);
    return parsed.Contains(address);
}

const std::vector<std::string>& NonPublicRangeLines() {
    static const std::vector<std::string> lines = {
        "10.0.0.0-10.255.255.255",
        "172.16.0.0-172.31.255.255",
        "192.168.0.0-192.168.255.255",
        "169.254.0.0-169.254.255.255",
    };
    return lines;
}

const std::string& NonPublicRanges() {
    static const std::string text = JoinLines(NonPublicRangeLines());
    return text;
}

bool IsNonPublicAddress(std::string_view address) {
    struct TRange {
        std::uint32_t Base;
        int Bits;
    };
    static constexpr TRange ranges[] = {
        {0x00000000u, 8},  {0x0A000000u, 8},  {0x64400000u, 10}, {0x7F000000u, 8},
        {0xA9FE0000u, 16}, {0xAC100000u, 12}, {0xC0000000u, 24}, {0xC0A80000u, 16},
        {0xC6120000u, 15}, {0xE0000000u, 4},  {0xF0000000u, 4},
    };
    int dots = 0;
    for (char c : address) {
        if (c == '.')
            ++dots;
        else if (c < '0' || c > '9')
            return true;
    }
    if (dots != 3)
        return true;
    const std::optional<std::uint32_t> number = AddressToNumber(address);
    if (!number)
        return true;
    for (const TRange& r : ranges) {
        const std::uint32_t mask = ~std::uint32_t{0} << (32 - r.Bits);
        if ((*number & mask) == r.Base)
            return true;
    }
    return false;
}

std::string FirstNonLocal(std::string_view addresses, std::string_view list) {
    if (list.empty() && addresses.find(',') == std::string_view::npos)
        return std::string(addresses);
    const TAddressList parsed(list);
    ReportBadLines(parsed);
    while (!addresses.empty()) {
        const std::size_t comma = addresses.find(',');
        const std::string_view one = addresses.substr(0, comma);
        if (!one.empty() && !parsed.Contains(one))
            return std::string(one);
        if (comma == std::string_view::npos)
            break;
        addresses.remove_prefix(comma + 1);
    }
    return {};
}

std::string JoinLines(const std::vector<std::string>& lines) {
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0)
            text += "\r\n";
        text += lines[i];
    }
    return text;
}

std::vector<std::string> SplitLines(std::string_view text) {
    std::vector<std::string> lines;
    ForEachTextLine(text, [&](std::string_view line) {
        lines.emplace_back(line);
        return true;
    });
    return lines;
}

} // namespace hostaq
