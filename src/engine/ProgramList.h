#pragma once

#include <functional>
#include <string>
#include <vector>

namespace hostaq {

// One program of the run list (section Run) or the disconnect list (section DisconnectRun).
struct TProgramEntry {
    std::string CommandLine;
    bool Enabled = true;
    bool OnlyWhenIPChanges = false; // run list only
    bool operator==(const TProgramEntry&) const = default;
};

inline constexpr const char* RunSection = "Run";
inline constexpr const char* DisconnectRunSection = "DisconnectRun";

// The list stored in the section: keys made of digits are command lines, in file order; an
// empty value is skipped; "Enb" + key is Enabled (default 1), "IP" + key OnlyWhenIPChanges
// (default 0, run list only).
std::vector<TProgramEntry> ReadProgramList(const std::string& path, const std::string& section, bool runList);
// Replaces the section with the entries (positions from 1) and writes the delay key, as one
// atomic write. Returns false when the write failed.
bool SaveProgramList(const std::string& path, const std::string& section, bool runList,
                     const std::vector<TProgramEntry>& entries, const std::string& delayKey, int delay);

// A command line taken apart: the program file and the parameter text after it.
struct TProgramCommand {
    std::string Program;
    std::string Parameters; // not yet expanded, leading blank included
};
// When a file of the whole line's name exists it is the program, without parameters. Otherwise
// the first token (blank- or comma-separated, double quotes group) is the program and the
// parameters are the text from the first blank after the program name, quoted or not.
TProgramCommand SplitProgramCommand(const std::string& commandLine,
                                    const std::function<bool(const std::string&)>& fileExists);

// The parameter text as separate arguments: separated by blanks, double quotes group (and are
// dropped), two double quotes inside a quoted argument give one.
std::vector<std::string> SplitArguments(const std::string& parameters);

// True when the path names an existing file that is not a folder.
bool ProgramFileExists(const std::string& path);

} // namespace hostaq
