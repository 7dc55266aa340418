#include "config/IniFile.h"

#include "config/ErrorReporter.h"
#include "config/Messages.h"

#include <cerrno>
#include <charconv>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <strings.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace hostaq {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && (a.empty() || strncasecmp(a.data(), b.data(), a.size()) == 0);
}

enum class TLineKind { Other, Section, Key };

// Classifies one line; name receives the section or key name, value the trimmed value.
TLineKind Classify(std::string_view line, std::string_view& name, std::string_view* value = nullptr) {
    std::string_view t = Trim(line);
    if (!t.empty() && t.front() == '[') {
        t.remove_prefix(1);
        const std::size_t close = t.find(']');
        name = Trim(close == std::string_view::npos ? t : t.substr(0, close));
        return TLineKind::Section;
    }
    const std::size_t eq = t.find('=');
    if (eq == std::string_view::npos)
        return TLineKind::Other;
    name = Trim(t.substr(0, eq));
    if (value)
        *value = Trim(t.substr(eq + 1));
    return TLineKind::Key;
}

std::string_view StripBom(std::string_view text) {
    if (text.size() >= 3 && static_cast<unsigned char>(text[0]) == 0xEF &&
        static_cast<unsigned char>(text[1]) == 0xBB && static_cast<unsigned char>(text[2]) == 0xBF)
        text.remove_prefix(3);
    return text;
}

// Calls fn(line) for every line (without its end) until fn returns false.
template <typename Fn> void ForEachLine(std::string_view text, Fn&& fn) {
    text = StripBom(text);
    while (!text.empty()) {
        const std::size_t nl = text.find('\n');
        std::string_view line = nl == std::string_view::npos ? text : text.substr(0, nl);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (!fn(line))
            return;
        if (nl == std::string_view::npos)
            break;
        text.remove_prefix(nl + 1);
    }
}

bool ReadWholeFile(const std::string& path, std::string& out) {
    out.clear();
    if (path.empty())
        return false;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && st.st_size > 0)
        out.reserve(static_cast<std::size_t>(st.st_size));
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const int saved = errno;
            ::close(fd);
            errno = saved;
            return false;
        }
        if (n == 0)
            break;
        out.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return true;
}

// Finds the value of the first matching key in the first matching section.
bool FindValue(std::string_view text, std::string_view section, std::string_view key, std::string_view& out) {
    bool inSection = false, seenSection = false, found = false;
    ForEachLine(text, [&](std::string_view line) {
        std::string_view name, value;
        switch (Classify(line, name, &value)) {
        case TLineKind::Section:
            if (inSection)
                return false; // the first matching section alone is read
            inSection = !seenSection && SameName(name, section);
            seenSection = seenSection || inSection;
            return true;
        case TLineKind::Key:
            if (inSection && SameName(name, key)) {
                out = value;
                found = true;
                return false;
            }
            return true;
        default:
            return true;
        }
    });
    return found;
}

bool DefaultWrite(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

TIniWriteFn WriteFn = &DefaultWrite;

std::string DirName(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Holds an advisory lock on the file's folder for one read-modify-write.
class TFolderLock {
public:
    explicit TFolderLock(const std::string& path) {
        fd_ = ::open(DirName(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd_ >= 0)
            while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
            }
    }
    ~TFolderLock() {
        if (fd_ >= 0)
            ::close(fd_); // closing releases the lock
    }
    TFolderLock(const TFolderLock&) = delete;
    TFolderLock& operator=(const TFolderLock&) = delete;
    bool Ok() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

// Replaces the file with text: temporary file in the same folder, flushed, renamed over the old one.
bool ReplaceFile(const std::string& path, const std::string& text) {
    struct stat st {};
    const bool exists = ::stat(path.c_str(), &st) == 0;
    if (exists && (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
        errno = EACCES; // a read-only file stays as it is, even for root
        return false;
    }
    std::string tmpl = DirName(path) + "/.hostaq-XXXXXX";
    const int fd = ::mkstemp(tmpl.data());
    if (fd < 0)
        return false;
    bool ok = ::fchmod(fd, exists ? (st.st_mode & 07777) : 0600) == 0;
    ok = ok && WriteFn(fd, text.data(), text.size());
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && ::rename(tmpl.c_str(), path.c_str()) == 0;
    if (!ok) {
        const int saved = errno;
        ::unlink(tmpl.c_str());
        errno = saved;
    }
    return ok;
}

bool UpdateFile(const std::string& path, const std::function<bool(TIniDocument&)>& change, bool report) {
    bool ok = false;
    if (!path.empty()) {
        TFolderLock lock(path);
        if (lock.Ok()) {
            std::string text;
            // A file that exists but cannot be read is never replaced by what little was written
            // now: that would lose every other key in it.
            if (!ReadWholeFile(path, text) && errno != ENOENT) {
                if (report)
                    ReportError(FormatMsg(MsgUnableToWrite, {path}));
                return false;
            }
            TIniDocument doc(text);
            if (!change(doc))
                return true;
            ok = ReplaceFile(path, doc.Text());
        }
    }
    if (!ok && report)
        ReportError(FormatMsg(MsgUnableToWrite, {path}));
    return ok;
}

} // namespace

TIniWriteFn SetIniWriteFn(TIniWriteFn fn) {
    TIniWriteFn old = WriteFn;
    WriteFn = fn ? fn : &DefaultWrite;
    return old;
}

bool ParseIniInteger(std::string_view text, int& value) {
    text = Trim(text);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    if (text.empty())
        return false;
    int v = 0;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || ptr != text.data() + text.size())
        return false;
    value = v;
    return true;
}

std::string IniReadString(const std::string& path, std::string_view section, std::string_view key,
                          const std::string& def) {
    std::string text;
    if (!ReadWholeFile(path, text))
        return def;
    std::string_view value;
    if (!FindValue(text, section, key, value))
        return def;
    return std::string(value.substr(0, IniMaxValueLength));
}

int IniReadInteger(const std::string& path, std::string_view section, std::string_view key, int def) {
    std::string text;
    if (!ReadWholeFile(path, text))
        return def;
    std::string_view value;
    int result = def;
    if (FindValue(text, section, key, value))
        ParseIniInteger(value.substr(0, IniMaxValueLength), result);
    return result;
}

bool IniReadBool(const std::string& path, std::string_view section, std::string_view key, bool def) {
    return IniReadInteger(path, section, key, def ? 1 : 0) != 0;
}

bool IniWriteString(const std::string& path, std::string_view section, std::string_view key,
                    std::string_view value) {
    return IniUpdate(path, [&](TIniDocument& doc) {
        doc.WriteString(section, key, value);
        return true;
    });
}

bool IniWriteInteger(const std::string& path, std::string_view section, std::string_view key, int value) {
    return IniWriteString(path, section, key, std::to_string(value));
}

bool IniWriteBool(const std::string& path, std::string_view section, std::string_view key, bool value) {
    return IniWriteString(path, section, key, value ? "1" : "0");
}

bool IniEraseSection(const std::string& path, std::string_view section) {
    if (!IniSectionExists(path, section))
        return true; // nothing to do, and no file is created
    return IniUpdate(path, [&](TIniDocument& doc) {
        if (!doc.SectionExists(section))
            return false;
        doc.EraseSection(section);
        return true;
    });
}

bool IniDeleteKey(const std::string& path, std::string_view section, std::string_view key) {
    if (!IniValueExists(path, section, key))
        return true;
    return IniUpdate(path, [&](TIniDocument& doc) {
        doc.DeleteKey(section, key);
        return true;
    });
}

bool IniSectionExists(const std::string& path, std::string_view section) {
    std::string text;
    if (!ReadWholeFile(path, text))
        return false;
    bool found = false;
    ForEachLine(text, [&](std::string_view line) {
        std::string_view name;
        if (Classify(line, name) == TLineKind::Section && SameName(name, section))
            found = true;
        return !found;
    });
    return found;
}

bool IniValueExists(const std::string& path, std::string_view section, std::string_view key) {
    std::string text;
    std::string_view value;
    return ReadWholeFile(path, text) && FindValue(text, section, key, value);
}

std::vector<std::string> IniReadSection(const std::string& path, std::string_view section) {
    std::string text;
    if (!ReadWholeFile(path, text))
        return {};
    return TIniDocument(text).KeyNames(section);
}

std::vector<std::string> IniReadSectionValues(const std::string& path, std::string_view section) {
    std::vector<std::string> out;
    std::string text;
    if (!ReadWholeFile(path, text))
        return out;
    bool inSection = false, seen = false;
    ForEachLine(text, [&](std::string_view line) {
        std::string_view name, value;
        const TLineKind kind = Classify(line, name, &value);
        if (kind == TLineKind::Section) {
            if (inSection)
                return false;
            inSection = !seen && SameName(name, section);
            seen = seen || inSection;
        } else if (kind == TLineKind::Key && inSection) {
            out.push_back(std::string(name) + "=" + std::string(value));
        }
        return true;
    });
    return out;
}

std::vector<std::string> IniReadSections(const std::string& path) {
    std::string text;
    if (!ReadWholeFile(path, text))
        return {};
    return TIniDocument(text).SectionNames();
}

bool IniWriteTest(const std::string& path) {
    if (path.empty())
        return false;
    const bool written = UpdateFile(
        path,
        [](TIniDocument& doc) {
            doc.WriteInteger("Options", "WriteTest", 0);
            return true;
        },
        false);
    if (!written)
        return false;
    UpdateFile(
        path,
        [](TIniDocument& doc) {
            doc.DeleteKey("Options", "WriteTest");
            return true;
        },
        false);
    return true;
}

void IniTidy(const std::string& path) {
    std::string text;
    if (!ReadWholeFile(path, text) || text.empty())
        return;
    IniUpdate(path, [](TIniDocument& doc) {
        const std::string original = doc.Text();
        std::string tidy;
        bool first = true;
        const std::string eol = original.find("\r\n") != std::string::npos ? "\r\n" : "\n";
        ForEachLine(original, [&](std::string_view line) {
            const std::string_view t = Trim(line);
            if (t.empty())
                return true;
            if (t.front() == '[' && !first)
                tidy += eol;
            tidy.append(t);
            tidy += eol;
            first = false;
            return true;
        });
        doc = TIniDocument(tidy);
        return true;
    });
}

bool IniUpdate(const std::string& path, const std::function<bool(TIniDocument&)>& change) {
    return UpdateFile(path, change, true);
}

// ---- TIniDocument ----

TIniDocument::TIniDocument(std::string_view text) {
    if (StripBom(text).size() != text.size())
        bom_ = true;
    const std::size_t nl = text.find('\n');
    if (nl != std::string_view::npos && nl > 0 && text[nl - 1] == '\r')
        eol_ = "\r\n";
    ForEachLine(text, [&](std::string_view line) {
        lines_.emplace_back(line);
        return true;
    });
}

std::size_t TIniDocument::FindSection(std::string_view section) const {
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        std::string_view name;
        if (Classify(lines_[i], name) == TLineKind::Section && SameName(name, section))
            return i;
    }
    return std::string::npos;
}

std::size_t TIniDocument::SectionEnd(std::size_t h) const {
    std::size_t i = h + 1;
    for (; i < lines_.size(); ++i) {
        std::string_view name;
        if (Classify(lines_[i], name) == TLineKind::Section)
            break;
    }
    return i;
}

std::size_t TIniDocument::FindKey(std::size_t header, std::string_view key) const {
    const std::size_t end = SectionEnd(header);
    for (std::size_t i = header + 1; i < end; ++i) {
        std::string_view name;
        if (Classify(lines_[i], name) == TLineKind::Key && SameName(name, key))
            return i;
    }
    return std::string::npos;
}

bool TIniDocument::SectionExists(std::string_view section) const {
    return FindSection(section) != std::string::npos;
}

bool TIniDocument::ValueExists(std::string_view section, std::string_view key) const {
    const std::size_t h = FindSection(section);
    return h != std::string::npos && FindKey(h, key) != std::string::npos;
}

std::string TIniDocument::ReadString(std::string_view section, std::string_view key,
                                     const std::string& def) const {
    const std::size_t h = FindSection(section);
    const std::size_t k = h == std::string::npos ? h : FindKey(h, key);
    if (k == std::string::npos)
        return def;
    std::string_view name, value;
    Classify(lines_[k], name, &value);
    return std::string(value.substr(0, IniMaxValueLength));
}

void TIniDocument::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    std::string line = std::string(Trim(key)) + "=" + std::string(value);
    // A value cannot hold a line break: it would start a new line of the file.
    for (char& c : line)
        if (c == '\n' || c == '\r')
            c = ' ';
    const std::size_t h = FindSection(section);
    if (h == std::string::npos) {
        std::string header(1, '[');
        header.append(section);
        header += ']';
        lines_.push_back(std::move(header));
        lines_.push_back(std::move(line));
        return;
    }
    const std::size_t k = FindKey(h, key);
    if (k != std::string::npos) {
        lines_[k] = std::move(line);
        return;
    }
    std::size_t at = SectionEnd(h);
    while (at > h + 1 && Trim(lines_[at - 1]).empty())
        --at;
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), std::move(line));
}

void TIniDocument::WriteInteger(std::string_view section, std::string_view key, int value) {
    WriteString(section, key, std::to_string(value));
}

void TIniDocument::WriteBool(std::string_view section, std::string_view key, bool value) {
    WriteString(section, key, value ? "1" : "0");
}

void TIniDocument::EraseSection(std::string_view section) {
    for (;;) {
        const std::size_t h = FindSection(section);
        if (h == std::string::npos)
            return;
        lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(h),
                     lines_.begin() + static_cast<std::ptrdiff_t>(SectionEnd(h)));
    }
}

void TIniDocument::DeleteKey(std::string_view section, std::string_view key) {
    const std::size_t h = FindSection(section);
    const std::size_t k = h == std::string::npos ? h : FindKey(h, key);
    if (k != std::string::npos)
        lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(k));
}

std::vector<std::string> TIniDocument::SectionNames() const {
    std::vector<std::string> out;
    for (const std::string& line : lines_) {
        std::string_view name;
        if (Classify(line, name) == TLineKind::Section)
            out.emplace_back(name);
    }
    return out;
}

std::vector<std::string> TIniDocument::KeyNames(std::string_view section) const {
    std::vector<std::string> out;
    const std::size_t h = FindSection(section);
    if (h == std::string::npos)
        return out;
    const std::size_t end = SectionEnd(h);
    for (std::size_t i = h + 1; i < end; ++i) {
        std::string_view name;
        if (Classify(lines_[i], name) == TLineKind::Key)
            out.emplace_back(name);
    }
    return out;
}

std::string TIniDocument::Text() const {
    std::string out;
    if (bom_)
        out = "\xEF\xBB\xBF";
    for (const std::string& line : lines_) {
        out += line;
        out += eol_;
    }
    return out;
}

} // namespace hostaq
