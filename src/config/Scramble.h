#pragma once

#include <string>

namespace hostaq {

// Stored passwords are scrambled, never kept in plain text: Blowfish (ECB, big-endian halves)
// over the length as 8 hexadecimal digits, the text and random padding, written as upper-case
// hexadecimal. The same password gives a new text on every save.

// The 17-character key, built at run time from a fixed constant.
std::string BuildScrambleKey();
std::string ScramblePassword(const std::string& plain);
// The plain text of a stored value. A value whose length prefix is not hexadecimal gives the
// empty text; malformed (when given) tells the caller so.
std::string UnscramblePassword(const std::string& stored, bool* malformed = nullptr);

} // namespace hostaq
