#include "log/LogKind.h"

namespace hostaq {

namespace {
struct TKindRow {
    const char* Marker;
    int ColourCode;
    TLogColours Colours;
};

// Indexed by kind; the last row is "any other".
constexpr TKindRow KindRows[] = {
    {"[004]", ColourCodeError, {ColourWhite, ColourRed}},
    {"[003]", ColourCodeWarning, {ColourBlack, ColourYellow}},
    {"[005]", ColourCodeProcess, {ColourWhite, ColourBlue}},
    {"[002]", ColourCodeNormal, {ColourBlack, ColourWhite}},
    {"[006]", ColourCodeMinor, {ColourWhite, ColourGrey}},
    {"[001]", ColourCodeProgram, {ColourWhite, ColourGreen}},
    {"[007]", ColourCodeOther, {ColourBlack, ColourSilver}},
};
constexpr int OtherRow = 6;

const TKindRow& RowOf(int kind) {
    return KindRows[kind >= 0 && kind < OtherRow ? kind : OtherRow];
}
} // namespace

const char* LogFileMarker(int kind) {
    return RowOf(kind).Marker;
}

int LogColourCode(int kind) {
    return RowOf(kind).ColourCode;
}

int ColourCodeFromMarker(std::string_view marker) {
    // "[007]" (any other kind) is not mapped back: it reloads as an ordinary entry.
    for (int kind = 0; kind < OtherRow; ++kind)
        if (marker == KindRows[kind].Marker)
            return KindRows[kind].ColourCode;
    return ColourCodeNormal;
}

TLogColours LogColoursFor(int colourCode) {
    for (const TKindRow& row : KindRows)
        if (row.ColourCode == colourCode)
            return row.Colours;
    return KindRows[OtherRow].Colours;
}

} // namespace hostaq
