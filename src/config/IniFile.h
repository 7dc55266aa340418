#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace hostaq {

// One-shot access to an INI file with the semantics of the Windows profile functions: section
// and key names match without regard to case, surrounding blanks of a value are dropped, a
// missing file or key reads as the default and reading never creates a file, a write creates
// file and section when missing, the first matching key wins, lines without "=" are ignored,
// CR LF and LF line ends and a UTF-8 byte-order mark are accepted. Every call behaves as if it
// opened the file, did one thing and closed it: the parse of a file is kept only while the file's
// device, inode, size, modification and change times are those it was read with, so a hand edit
// or another process's write is seen by the next read.
//
// Writes happen under a private lock file beside the target ("." + name + ".lock", 0600, owned
// like the file, removed again after each write); the wait for it is bounded and a write that
// cannot get it fails. A write replaces the file atomically (temporary file, flush, rename; the
// old file's owner, group and mode kept; new files are 0600); a symbolic link is followed, so
// the file it names is replaced and the link stays. Where the owner cannot be kept (the writer
// is neither root nor allowed to give the file its owner and group), the file is rewritten in
// place under the lock instead. A failed write reports "Unable to write to %s" through
// ReportError, leaves the old file as it was and returns normally.
//
// While a TIniWriteBatch is open, writes change the kept parse at once (reads see them) and reach
// the file together, in one replace, when the outermost batch ends.

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
// The start-up write probe: true when path can be the configuration file, which it then is (a
// missing file is made, empty and 0600). An existing file is left exactly as it is: the probe
// opens it for writing, takes its lock and makes and removes a temporary beside it. False, with
// the reason in words in *reason, for an empty path, a missing or unwritable folder, a file that
// cannot be written (no permission, read-only, read-only file system), a FIFO, device or folder
// in its place, a file larger than 16 MiB, a link root does not follow, or a lock not had.
bool IniWriteTest(const std::string& path, std::string* reason = nullptr);
void IniTidy(const std::string& path);

// Text conversions the readers use; exposed for callers that hold a value already.
bool ParseIniInteger(std::string_view text, int& value);

// One change of a document, kept while a batch is open so it can be applied again to a file that
// another process changed in the meantime.
struct TIniChange {
    enum TKind { Write, EraseSection, DeleteKey, Tidy };
    TKind Kind = Write;
    std::string Section, Key, Value;
};

// An in-memory copy of a file for changes that belong together: IniUpdate reads the file, lets
// the caller change it and writes the result with one atomic replace. Lines that no change
// touches keep their bytes and line ends.
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
    // Trims every line, drops empty lines and puts one empty line before every section header
    // but the first line; keys and values keep their order, a byte-order mark stays.
    void Tidy();
    std::vector<std::string> SectionNames() const;
    std::vector<std::string> KeyNames(std::string_view section) const;
    // "key=value" lines of the first matching section, names and values trimmed.
    std::vector<std::string> KeyValues(std::string_view section) const;
    void Apply(const TIniChange& change);

    std::string Text() const;

    // Every change from now on is also appended to log (none when null).
    void RecordChanges(std::vector<TIniChange>* log) { record_ = log; }
    // Grows with every change made.
    std::size_t ChangeCount() const { return changes_; }

private:
    // A header line with the lines up to the next header; the first holds the lines before any
    // header and has no header. Every line keeps its own line end ("" for a last line without).
    struct TSection {
        std::string Header;
        std::string Name;
        std::vector<std::string> Lines;
    };

    // The first section of that name, or nullptr.
    const TSection* Find(std::string_view section) const;
    TSection* Find(std::string_view section);
    void Reindex();
    void Note(TIniChange::TKind kind, std::string_view section, std::string_view key = {},
              std::string_view value = {});
    // Makes sure the line that is last in the file ends with a line end.
    void EndLastLine();

    std::vector<TSection> sections_;
    // Lower-case section name to the index of its first section.
    std::unordered_map<std::string, std::size_t> index_;
    std::string eol_ = "\n";
    bool bom_ = false;
    std::vector<TIniChange>* record_ = nullptr;
    std::size_t changes_ = 0;
};

// Reads the file (empty when missing), applies change, and writes the result atomically when
// change returns true. Reports and returns false when the write fails.
bool IniUpdate(const std::string& path, const std::function<bool(TIniDocument&)>& change);
// As IniUpdate, for a file that belongs to another program: the file is rewritten in place (same
// inode, owner and mode; lines no change touches keep their bytes), through a symbolic link the
// file it names. Never part of a batch.
bool IniUpdateInPlace(const std::string& path, const std::function<bool(TIniDocument&)>& change);

// Collects the writes made while it is open into one replace per file, made when the outermost
// batch ends (a failure is reported then). Reads in between see the changes. Main thread only.
class TIniWriteBatch {
public:
    TIniWriteBatch();
    ~TIniWriteBatch();
    TIniWriteBatch(const TIniWriteBatch&) = delete;
    TIniWriteBatch& operator=(const TIniWriteBatch&) = delete;
};
// Writes what open batches hold now; false when a write failed.
bool IniFlush();

// How long a write waits for the lock another process holds, in milliseconds (5000 unless
// changed); returns the previous bound. A pending SIGTERM or SIGINT ends the wait early.
int SetIniLockWait(int ms);

// The write seam: the function that puts the new file's bytes on disk. Tests replace it to
// simulate a full disk. It returns false (with errno set) when not everything was written.
using TIniWriteFn = bool (*)(int fd, const char* data, std::size_t size);
TIniWriteFn SetIniWriteFn(TIniWriteFn fn);

// The resolution of the file system's time stamps the kept parse assumes, in nanoseconds (1, as
// the kernel gives them, unless changed); returns the previous one. Tests set a coarse one to
// stand for a file system whose stamps are coarse, as a second-resolution one is.
long long SetIniStampResolution(long long ns);

} // namespace hostaq
