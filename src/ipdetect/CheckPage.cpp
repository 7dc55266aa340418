#include "ipdetect/CheckPage.h"

#include "ipdetect/IPv6Choice.h"

namespace hostaq {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
bool IsRunChar(char c) {
    return IsDigit(c) || c == '.';
}

// The value of a field of digits, saturated above 255 so long fields cannot overflow.
unsigned FieldValue(std::string_view field) {
    unsigned v = 0;
    for (char c : field) {
        v = v * 10 + static_cast<unsigned>(c - '0');
        if (v > 255)
            return 256;
    }
    return v;
}

// An address the page may not give as the caller's: one of the local list, or one that is
// nobody's public address whatever the list holds.
bool IsLocal(std::string_view address, const TAddressList& localList) {
    return localList.Contains(address) || IsNonPublicAddress(address);
}

bool IsWellFormedRun(std::string_view run, const TAddressList& localList) {
    return !IsBadAddress(run) && !IsLocal(run, localList);
}

} // namespace

bool IsBadAddress(std::string_view text) {
    // 1. Only digits and dots, exactly three dots.
    int dots = 0;
    for (char c : text) {
        if (c == '.') {
            if (++dots > 3)
                return true;
        } else if (!IsDigit(c)) {
            return true;
        }
    }
    if (dots != 3)
        return true;

    // 2. No empty field.
    std::string_view fields[4];
    std::size_t start = 0;
    for (int i = 0; i < 4; ++i) {
        const std::size_t dot = i < 3 ? text.find('.', start) : text.size();
        fields[i] = text.substr(start, dot - start);
        if (fields[i].empty())
            return true;
        start = dot + 1;
    }

    // 3. The first three fields have at most three digits.
    for (int i = 0; i < 3; ++i) {
        if (fields[i].size() > 3)
            return true;
    }

    // 4. The first field: at most 255 and no leading "0" (so never 0).
    if (FieldValue(fields[0]) > 255 || fields[0][0] == '0')
        return true;

    // 5. and 6. The other fields: at most 255; a leading "0" only on a field of zeros.
    for (int i = 1; i < 4; ++i) {
        const unsigned v = FieldValue(fields[i]);
        if (v > 255 || (v != 0 && fields[i][0] == '0'))
            return true;
    }
    return false;
}

std::string ExtractAddress(std::string_view line, const TAddressList& localList) {
    std::size_t runStart = 0, runEnd = 0; // the current run is line[runStart, runEnd)
    bool inRun = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (!IsRunChar(line[i])) {
            inRun = false;
            continue;
        }
        if (!inRun) {
            // A new run begins: the one before it may be the answer.
            if (runEnd > runStart && IsWellFormedRun(line.substr(runStart, runEnd - runStart), localList))
                return std::string(line.substr(runStart, runEnd - runStart));
            runStart = i;
            inRun = true;
        }
        runEnd = i + 1;
    }
    const std::string_view last = line.substr(runStart, runEnd - runStart);
    if (!last.empty() && !IsBadAddress(last))
        return std::string(last);
    return {};
}

std::string ParseCheckPage(std::string_view page, const TAddressList& localList) {
    std::string found;
    ForEachTextLine(page, [&](std::string_view line) {
        found = ExtractAddress(line, localList);
        return found.empty() || IsLocal(found, localList);
    });
    return found;
}

std::string ParseCheckPage6(std::string_view page) {
    auto isRunChar = [](char c) {
        return IsDigit(c) || c == ':' || c == '.' || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    };
    std::size_t i = 0;
    while (i < page.size()) {
        if (!isRunChar(page[i])) {
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < page.size() && isRunChar(page[end]))
            ++end;
        const std::string_view run = page.substr(i, end - i);
        if (run.find(':') != std::string_view::npos) {
            // A trailing "." ends a sentence, and a colon at either end belongs to a caption
            // ("Address:2001:db8::5"), not to the address.
            std::string_view text = run;
            if (text.size() > 1 && text[0] == ':' && text[1] != ':')
                text.remove_prefix(1);
            while (!text.empty() && (text.back() == '.' || text.back() == ':'))
                text.remove_suffix(1);
            if (const auto bytes = ParseIPv6(text); bytes && IsGlobalUnicast(*bytes))
                return FormatIPv6(*bytes);
        }
        i = end;
    }
    return {};
}

std::string ExtractAddress(std::string_view line, std::string_view localList) {
    const TAddressList parsed(localList);
    ReportBadLines(parsed);
    return ExtractAddress(line, parsed);
}

std::string ParseCheckPage(std::string_view page, std::string_view localList) {
    const TAddressList parsed(localList);
    ReportBadLines(parsed);
    return ParseCheckPage(page, parsed);
}

} // namespace hostaq
