// libFuzzer target for the text parsers of the update protocol: the classification of answer
// lines, tag stripping, the placeholder scan of profile templates and the hostname list. Every
// input goes through all of them. The corpus is also replayed by the protocol tests, which call
// this entry point directly.
#include "groups/HostList.h"
#include "groups/Profile.h"
#include "groups/UpdateResult.h"

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

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

bool EndsWith(std::string_view s, std::string_view suffix) {
    return s.size() >= suffix.size() && s.substr(s.size() - suffix.size()) == suffix;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace hostaq;
    const std::string input(reinterpret_cast<const char*>(data), size);

    // A keyword is reported only when the line holds it; no keyword is class 0.
    const TLineResult line = ClassifyReturnLine(input);
    Check(line.Class <= ClassBlocked && line.Class != ClassGood);
    Check(!line.Interpretation.empty());
    if (line.Keyword.empty())
        Check(line.Class == ClassNoError);
    else
        Check(Lower(input).find(Lower(line.Keyword)) != std::string::npos);

    // Stripping leaves no "<", never grows the text and changes nothing a second time.
    const std::string stripped = StripTags(input);
    Check(stripped.size() <= input.size());
    Check(stripped.find('<') == std::string::npos);
    Check(StripTags(stripped) == stripped);

    // Placeholders with empty values: the text never grows by more than "Error!", a text without
    // "%" stays as it is, and every placeholder seen starts and ends with "%".
    bool wellFormed = true;
    const std::string expanded = ExpandPlaceholders(input, [&](const std::string& p) {
        wellFormed = wellFormed && p.size() >= 2 && p.front() == '%' && p.back() == '%';
        return std::string();
    });
    Check(wellFormed);
    Check(expanded.size() <= input.size() + 6);
    if (input.find('%') == std::string::npos)
        Check(expanded == input);

    // Every entry is a non-empty name and one of the three systems.
    for (const std::string& entry : ParseHostList(input)) {
        Check(EndsWith(entry, "|hostaq") || EndsWith(entry, "|statdns") || EndsWith(entry, "|custom"));
        Check(entry.find('|') > 0);
    }
    const THostListOutcome outcome = InterpretHostList(input);
    if (outcome.Kind != THostListOutcome::Hosts)
        Check(outcome.Entries.empty() && !outcome.Message.empty());
    return 0;
}
