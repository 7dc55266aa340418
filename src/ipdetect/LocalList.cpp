#include "ipdetect/LocalList.h"

#include "config/ConfigKeys.h"
#include "config/ConfigPath.h"
#include "config/IniFile.h"
#include "ipdetect/AddressList.h"
#include "ipdetect/HostNetwork.h"

#include <algorithm>
#include <vector>

namespace hostaq {

namespace {

constexpr const char* Loopback = "127.0.0.1";
constexpr const char* LocalIPSection = "LocalIP";

bool Holds(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

std::vector<std::string> SplitComma(const std::string& text) {
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t comma = text.find(',', start);
        if (comma == std::string::npos)
            comma = text.size();
        if (comma > start)
            out.push_back(text.substr(start, comma - start));
        start = comma + 1;
    }
    return out;
}

} // namespace

std::string BuildLocalList() {
    std::vector<std::string> lines = SplitComma(DnsServers());
    const TAddressList nonPublic(NonPublicRanges());
    for (const std::string& address : SplitComma(AllHostAddresses())) {
        const std::string range = nonPublic.FindRange(address);
        if (range.empty())
            continue;
        lines.push_back(range);
        const std::string mask = InterfaceMask(address);
        if (!mask.empty())
            lines.push_back(mask);
    }
    if (!Holds(lines, Loopback))
        lines.push_back(Loopback);
    return JoinLines(lines);
}

std::string LoadLocalList() {
    std::vector<std::string> lines = SplitLines(BuildLocalList());
    for (const std::string& keyValue : IniReadSectionValues(ConfigPath(), LocalIPSection)) {
        const std::size_t eq = keyValue.find('=');
        const std::string value = eq == std::string::npos ? std::string() : keyValue.substr(eq + 1);
        if (!value.empty() && !Holds(lines, value))
            lines.push_back(value);
    }
    return JoinLines(lines);
}

bool HasPrivateAddress(bool providerEdition) {
    if (providerEdition)
        return true;
    const TAddressList nonPublic(NonPublicRanges());
    for (const std::string& address : SplitComma(AllHostAddresses())) {
        if (!nonPublic.FindRange(address).empty())
            return true;
    }
    return false;
}

bool DefaultDirectConnect() {
    return !HasPrivateAddress(IsHostaqEdition());
}

bool ReadDirectConnect() {
    return ReadBool(Keys::DirectConnect, DefaultDirectConnect());
}

std::string LocalPublicAddress(std::string& localList) {
    localList = LoadLocalList();
    if (ReadBool(Keys::SetIPManual))
        return ReadString(Keys::ManualIP, FirstHostAddress());
    // An interface address in a non-public range never counts as public, whatever the list says.
    const TAddressList list(localList);
    ReportBadLines(list);
    for (const std::string& address : SplitComma(AllHostAddresses())) {
        if (!list.Contains(address) && !IsNonPublicAddress(address))
            return address;
    }
    return FirstHostAddress();
}

} // namespace hostaq
