#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace hostaq {

// A list of mail addresses as the user writes it ("a@x; Bob <b@y>, \"Doe, J\" <j@z>") split into
// its entries: at "," or ";" outside double quotes, each entry trimmed, empty entries dropped.
std::vector<std::string> SplitMailList(std::string_view text);

// The bare address of one entry: the text inside "<...>" when there is one, else the whole entry;
// trimmed either way. "Bob <b@y>" gives "b@y".
std::string GetEmailAddr(std::string_view entry);

// The envelope recipients of a mail: To, then CC and BCC (each when not empty) joined by "; " and
// split as SplitMailList does.
std::vector<std::string> BuildEnvelope(const std::string& to, const std::string& cc, const std::string& bcc);

// Removes CR and LF from a header value (each becomes a blank), so no value can start a header
// field of its own.
std::string CleanHeaderValue(std::string_view value);

} // namespace hostaq
