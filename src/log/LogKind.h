#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace hostaq {

// The kinds of log entries. Any other value is drawn and marked like "any other".
enum TLogKind : int {
    LogError = 0,
    LogWarning = 1,
    LogProcess = 2,
    LogNormal = 3,
    LogMinor = 4,
    LogProgram = 5,
};

// Colour codes of list items, one per kind (and one for any other kind).
inline constexpr int ColourCodeError = 32768;
inline constexpr int ColourCodeWarning = 16384;
inline constexpr int ColourCodeProcess = 2048;
inline constexpr int ColourCodeNormal = 128;
inline constexpr int ColourCodeMinor = 64;
inline constexpr int ColourCodeProgram = 8;
inline constexpr int ColourCodeOther = 1;

// Palette values as 24-bit numbers with red in the lowest byte.
inline constexpr std::uint32_t ColourRed = 255;
inline constexpr std::uint32_t ColourYellow = 65535;
inline constexpr std::uint32_t ColourBlue = 16711680;
inline constexpr std::uint32_t ColourWhite = 16777215;
inline constexpr std::uint32_t ColourGrey = 8421504;
inline constexpr std::uint32_t ColourGreen = 32768;
inline constexpr std::uint32_t ColourSilver = 12632256;
inline constexpr std::uint32_t ColourBlack = 0;

// How an item of a colour code is drawn: text colour on background colour.
struct TLogColours {
    std::uint32_t Text;
    std::uint32_t Background;
};

// "[004]" for LogError ... "[007]" for any other kind.
const char* LogFileMarker(int kind);
// 32768 for LogError ... 1 for any other kind.
int LogColourCode(int kind);
// The colour code a file line's marker (its first five characters) stands for when a file is
// reloaded; an unknown marker reads as an ordinary entry (128).
int ColourCodeFromMarker(std::string_view marker);
// The colours of a colour code; an unknown code is drawn like "any other" (black on silver).
TLogColours LogColoursFor(int colourCode);

} // namespace hostaq
