#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace hostaq {

// One-shot access to an INI file with the semantics of the Windows profile functions: section
// and key names match without regard to case, surrounding blanks of a value are dropped, a
// missing file or key reads as the default and reading never creates a file, a write creates
// file and section when missing, the first matching key wins, lines without "=" are ignored,
// CR LF and LF line ends and a UTF-8 byte-order mark are accepted. Nothing is cached: every call
// opens the file, does one thing and closes it.
//
// Writes replace the file atomically (temporary file, flush, rename, the old file's mode kept;
// new files are 0600) under an advisory lock, so two processes never lose each other's keys. A
// failed write reports "Unable to write to %s" through ReportError, leaves the old file as it
// was and returns normally.

// At most this many characters of a value are seen by a read.
inline constexpr std::size_t IniMaxValueLength = 2047;

std::string IniReadString(const std::string& path, std::string_view section, std::string_view key,
                          const std::string& def);
int IniReadInteger(const std::string& path, std::string_view section, std::string_view key, int def);
bool IniReadBool(const std::string& path, std::string_view section, std::string_view key, bool def);

// Each returns true when the value reached the file.
bool IniWriteString(const std::string& path, std::string_view section, std::string_view key,
                    std::string_view value);
bool IniWriteInteger(const std::string& path, std::string_view section, std::string_view key, int value);
bool IniWriteBool(const std::string& path, std::string_view section, std::string_view key, bool value);

bool IniEraseSection(const std::string& path, std::string_view section);
bool IniDeleteKey(const std::string& path, std::string_view section, std::string_view key);
bool IniSectionExists(const std::string& path, std::string_view section);
bool IniValueExists(const std::string& path, std::string_view section, std::string_view key);
// Key names of a section in file order (never cut short).
std::vector<std::string> IniReadSection(const std::string& path, std::string_view section);
// "key=value" lines of a section in file order, values trimmed.
std::vector<std::string> IniReadSectionValues(const std::string& path, std::string_view section);
// Section names in file order (never cut short).
std::vector<std::string> IniReadSections(const std::string& path);
bool IniWriteTest(const std::string& path);
void IniTidy(const std::string& path);

// Text conversions the readers use; exposed for callers that hold a value already.
bool ParseIniInteger(std::string_view text, int& value);

// An in-memory copy of a file for changes that belong together: IniUpdate reads the file, lets
// the caller change it and writes the result with one atomic replace.
class TIniDocument {
public:
    explicit TIniDocument(std::string_view text = {});

    bool SectionExists(std::string_view section) const;
    bool ValueExists(std::string_view section, std::string_view key) const;
    std::string ReadString(std::string_view section, std::string_view key, const std::string& def) const;
    void WriteString(std::string_view section, std::string_view key, std::string_view value);
    void WriteInteger(std::string_view section, std::string_view key, int value);
    void WriteBool(std::string_view section, std::string_view key, bool value);
    void EraseSection(std::string_view section);
    void DeleteKey(std::string_view section, std::string_view key);
    std::vector<std::string> SectionNames() const;
    std::vector<std::string> KeyNames(std::string_view section) const;

    std::string Text() const;

private:
    // Index of the header line of the first matching section, or npos.
    std::size_t FindSection(std::string_view section) const;
    // One past the last line that belongs to the section whose header is at index h.
    std::size_t SectionEnd(std::size_t h) const;
    std::size_t FindKey(std::size_t header, std::string_view key) const;

    std::vector<std::string> lines_;
    std::string eol_ = "\n";
    bool bom_ = false;
};

// Reads the file (empty when missing), applies change, and writes the result atomically when
// change returns true. Reports and returns false when the write fails.
bool IniUpdate(const std::string& path, const std::function<bool(TIniDocument&)>& change);

// The write seam: the function that puts the new file's bytes on disk. Tests replace it to
// simulate a full disk. It returns false (with errno set) when not everything was written.
using TIniWriteFn = bool (*)(int fd, const char* data, std::size_t size);
TIniWriteFn SetIniWriteFn(TIniWriteFn fn);

} // namespace hostaq
