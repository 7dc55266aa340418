#pragma once

#include "ipdetect/AddressList.h"

#include <string>
#include <string_view>

namespace hostaq {

// Recognition of the caller's address in the text of a check-ip page.

// False exactly when the text is a well-formed dotted quad: only digits and exactly three dots,
// no empty field, the first three fields of at most three digits, every field at most 255, no
// leading "0" on a field whose value is not 0, and a first field that is not 0. The fourth field
// may be any run of zeros.
bool IsBadAddress(std::string_view text);

// "Local" below means in the local list or nobody's public address (IsNonPublicAddress).

// The address of one line. A run is a maximal stretch of digits and dots; when a new run begins,
// the run before it is the result if it is well formed and not local. Otherwise the last run of
// the line is the result when it is well formed (the list is not consulted for it), else the
// result is empty.
std::string ExtractAddress(std::string_view line, const TAddressList& localList);

// The address of a page: the first line whose address is not empty and not local decides; when
// no line does, what the last line yielded (possibly empty, possibly local).
std::string ParseCheckPage(std::string_view page, const TAddressList& localList);

// The first public IPv6 address of a page (global unicast, IsPublicIPv6), in its canonical
// form; empty when the page shows none. An address may stand in brackets or be followed by a
// zone or prefix length ("2001:db8::5/64"); runs of hexadecimal digits, colons and dots are the
// candidates, so an address inside HTML or after a caption is found.
std::string ParseCheckPage6(std::string_view page);

// The same on list text, for the main thread: unusable list lines are reported once each.
std::string ExtractAddress(std::string_view line, std::string_view localList);
std::string ParseCheckPage(std::string_view page, std::string_view localList);

} // namespace hostaq
