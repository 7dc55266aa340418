#include "net/TextLines.h"

namespace hostaq {

std::vector<std::string> SplitTextLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        auto lf = text.find('\n', start);
        std::size_t end = lf == std::string::npos ? text.size() : lf;
        std::size_t len = end - start;
        if (lf != std::string::npos && len > 0 && text[end - 1] == '\r')
            --len;
        lines.push_back(text.substr(start, len));
        if (lf == std::string::npos)
            break;
        start = lf + 1;
    }
    return lines;
}

} // namespace hostaq
