#pragma once

#include <string>
#include <vector>

namespace hostaq {

// Splits text into lines; a line ends at CR LF or LF, and a last line without an end counts.
std::vector<std::string> SplitTextLines(const std::string& text);

} // namespace hostaq
