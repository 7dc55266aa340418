#include "config/IniFile.h"

#include "config/ErrorReporter.h"
#include "config/Messages.h"

#include <cerrno>
#include <charconv>
#include <climits>
#include <csignal>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <optional>
#include <strings.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace hostaq {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
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

std::string LowerName(std::string_view name) {
    std::string out(name);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

// ---- the file's identity ----

struct TFileId {
    dev_t Dev = 0;
    ino_t Ino = 0;
    off_t Size = -1;
    long long MtimeNs = 0;
    long long CtimeNs = 0;
    bool operator==(const TFileId&) const = default;
};

TFileId IdOf(const struct stat& st) {
    TFileId id;
    id.Dev = st.st_dev;
    id.Ino = st.st_ino;
    id.Size = st.st_size;
    id.MtimeNs = static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
    id.CtimeNs = static_cast<long long>(st.st_ctim.tv_sec) * 1000000000LL + st.st_ctim.tv_nsec;
    return id;
}

// Reads all of an open file from its start.
bool ReadAll(int fd, std::string& out) {
    out.clear();
    char buf[65536];
    off_t at = 0;
    for (;;) {
        const ssize_t n = ::pread(fd, buf, sizeof buf, at);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0)
            return true;
        out.append(buf, static_cast<std::size_t>(n));
        at += n;
    }
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
int LockWaitMs = 5000;

std::string DirName(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string BaseName(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The file a path names once symbolic links are followed (the path itself when it is no link or
// names nothing yet); empty for a loop of links.
std::string FollowLinks(std::string path) {
    for (int depth = 0; depth < 40; ++depth) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return path;
        std::string target(PATH_MAX, '\0');
        const ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
        if (n <= 0)
            return path;
        target.resize(static_cast<std::size_t>(n));
        path = target.front() == '/' ? target : DirName(path) + "/" + target;
    }
    errno = ELOOP;
    return {};
}

bool StopSignalPending() {
    sigset_t pending;
    sigemptyset(&pending);
    return ::sigpending(&pending) == 0 &&
           (sigismember(&pending, SIGTERM) == 1 || sigismember(&pending, SIGINT) == 1);
}

// The lock that serialises read-modify-write between processes: an advisory lock on a private
// file beside the target, never on anything others may open. The file is removed when the lock
// is released; a waiter that got the lock on a removed file tries again.
class TStoreLock {
public:
    explicit TStoreLock(const std::string& target) {
        const std::string name = DirName(target) + "/." + BaseName(target) + ".lock";
        struct stat owner {};
        const bool haveOwner = ::stat(target.c_str(), &owner) == 0;
        timespec start{};
        ::clock_gettime(CLOCK_MONOTONIC, &start);
        for (;;) {
            const int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
            if (fd < 0)
                return;
            if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
                struct stat held {
                }, named{};
                if (::fstat(fd, &held) == 0 && ::stat(name.c_str(), &named) == 0 &&
                    held.st_ino == named.st_ino && held.st_dev == named.st_dev && S_ISREG(held.st_mode)) {
                    // Owned like the file it guards, so the file's owner can always take it.
                    if (haveOwner && ::geteuid() == 0 && held.st_uid != owner.st_uid) {
                        [[maybe_unused]] const int r = ::fchown(fd, owner.st_uid, owner.st_gid);
                    }
                    fd_ = fd;
                    name_ = name;
                    return;
                }
                ::close(fd); // removed by the holder we waited for: take the new one
                continue;
            }
            const int error = errno;
            ::close(fd);
            if (error != EWOULDBLOCK && error != EINTR)
                return;
            timespec now{};
            ::clock_gettime(CLOCK_MONOTONIC, &now);
            const long long waited =
                (now.tv_sec - start.tv_sec) * 1000LL + (now.tv_nsec - start.tv_nsec) / 1000000;
            // A stop request is not kept waiting: the write fails and the program can end.
            if (waited >= LockWaitMs || StopSignalPending()) {
                errno = EWOULDBLOCK;
                return;
            }
            const timespec pause{0, 5 * 1000 * 1000};
            ::nanosleep(&pause, nullptr);
        }
    }
    ~TStoreLock() {
        if (fd_ >= 0) {
            ::unlink(name_.c_str());
            ::close(fd_); // closing releases the lock
        }
    }
    TStoreLock(const TStoreLock&) = delete;
    TStoreLock& operator=(const TStoreLock&) = delete;
    bool Ok() const { return fd_ >= 0; }

private:
    int fd_ = -1;
    std::string name_;
};

// Rewrites an existing file in place: same inode, owner and mode. Space for a longer text is
// reserved first; a write that fails all the same puts the old bytes back.
bool RewriteInPlace(const std::string& target, const std::string& text, TFileId& id) {
    const int fd = ::open(target.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return false;
    std::string old;
    bool ok = ReadAll(fd, old);
    if (ok && text.size() > old.size()) {
        const int r = ::posix_fallocate(fd, 0, static_cast<off_t>(text.size()));
        ok = r == 0 || r == EOPNOTSUPP || r == EINVAL;
        if (!ok)
            errno = r;
    }
    if (ok) {
        ok = ::lseek(fd, 0, SEEK_SET) == 0 && WriteFn(fd, text.data(), text.size()) &&
             ::ftruncate(fd, static_cast<off_t>(text.size())) == 0 && ::fsync(fd) == 0;
        if (!ok) {
            const int saved = errno;
            if (::lseek(fd, 0, SEEK_SET) == 0 && DefaultWrite(fd, old.data(), old.size())) {
                [[maybe_unused]] const int r = ::ftruncate(fd, static_cast<off_t>(old.size()));
            }
            errno = saved;
        }
    }
    struct stat st {};
    ok = ok && ::fstat(fd, &st) == 0;
    if (ok)
        id = IdOf(st);
    ::close(fd);
    return ok;
}

// Writes text as the file target names: a new file renamed over the old one, with the old file's
// owner, group and mode; in place where the owner cannot be kept or inPlace asks for it.
bool WriteTarget(const std::string& target, const std::string& text, bool inPlace, TFileId& id) {
    struct stat st {};
    const bool exists = ::stat(target.c_str(), &st) == 0;
    if (exists && (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
        errno = EACCES; // a read-only file stays as it is, even for root
        return false;
    }
    if (exists && inPlace)
        return RewriteInPlace(target, text, id);
    std::string tmpl = DirName(target) + "/.hostaq-XXXXXX";
    const int fd = ::mkstemp(tmpl.data());
    if (fd < 0)
        return false;
    if (exists && (st.st_uid != ::geteuid() || st.st_gid != ::getegid()) &&
        ::fchown(fd, st.st_uid, st.st_gid) != 0) {
        // Another user's file that this user may write: replacing it would take it over.
        ::close(fd);
        ::unlink(tmpl.c_str());
        return RewriteInPlace(target, text, id);
    }
    bool ok = ::fchmod(fd, exists ? (st.st_mode & 07777) : 0600) == 0;
    ok = ok && WriteFn(fd, text.data(), text.size());
    ok = ok && ::fsync(fd) == 0;
    ok = ok && ::rename(tmpl.c_str(), target.c_str()) == 0;
    struct stat written {};
    ok = ok && ::fstat(fd, &written) == 0; // after the rename, which may change the times
    if (ok)
        id = IdOf(written);
    const int saved = errno;
    ::close(fd);
    if (!ok)
        ::unlink(tmpl.c_str());
    errno = saved;
    return ok;
}

// ---- kept parses ----

// The parse of one file as last read or written, and the changes of an open batch that are not
// in the file yet (already applied to Doc).
struct TKept {
    bool Valid = false; // Doc mirrors the file Id names (or no file, when !Exists)
    bool Exists = false;
    TFileId Id;
    TIniDocument Doc;
    std::vector<TIniChange> Pending;
};

std::recursive_mutex StoreMutex;
std::map<std::string, TKept> Kept;
int BatchDepth = 0;
constexpr std::size_t MaxKept = 8;

TKept& KeptFor(const std::string& path) {
    if (Kept.size() >= MaxKept && Kept.find(path) == Kept.end())
        std::erase_if(Kept, [](const auto& entry) { return entry.second.Pending.empty(); });
    return Kept[path];
}

enum class TLoad { Ok, Missing, Unreadable };

// Brings the kept parse of path up to date with the file: kept while the file is the one it was
// read from, read again at once when anything of its identity differs. Pending batch changes are
// applied again to a file read afresh.
TLoad Load(const std::string& path, TKept*& out) {
    out = nullptr;
    if (path.empty())
        return TLoad::Missing;
    struct stat st {};
    const bool exists = ::stat(path.c_str(), &st) == 0;
    if (!exists && errno != ENOENT && errno != ENOTDIR)
        return TLoad::Unreadable;
    TKept& k = KeptFor(path);
    if (k.Valid && k.Exists == exists && (!exists || k.Id == IdOf(st))) {
        out = &k;
        return exists || !k.Pending.empty() ? TLoad::Ok : TLoad::Missing;
    }
    k.Valid = false;
    std::string text;
    if (exists) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0 && errno != ENOENT)
            return TLoad::Unreadable;
        if (fd >= 0) {
            struct stat opened {};
            const bool ok = ::fstat(fd, &opened) == 0 && ReadAll(fd, text);
            ::close(fd);
            if (!ok)
                return TLoad::Unreadable;
            k.Id = IdOf(opened);
            k.Exists = true;
        } else {
            k.Exists = false;
        }
    } else {
        k.Exists = false;
    }
    k.Doc = TIniDocument(text);
    for (const TIniChange& change : k.Pending)
        k.Doc.Apply(change);
    k.Valid = true;
    out = &k;
    return k.Exists || !k.Pending.empty() ? TLoad::Ok : TLoad::Missing;
}

// The document to read from, or nullptr when there is none (no file, or one that cannot be read).
const TIniDocument* ReadDoc(const std::string& path) {
    TKept* k = nullptr;
    return Load(path, k) == TLoad::Ok ? &k->Doc : nullptr;
}

// Writes the kept document of path (with its pending changes) to the file under the lock. When
// the file changed since it was read, it is read again and the pending changes applied to it.
bool WriteKept(const std::string& path, TKept& k, bool inPlace) {
    const std::string target = FollowLinks(path);
    if (target.empty())
        return false;
    TStoreLock lock(target);
    if (!lock.Ok())
        return false;
    TKept* fresh = nullptr;
    if (Load(path, fresh) == TLoad::Unreadable || fresh != &k)
        return false;
    TFileId id;
    if (!WriteTarget(target, k.Doc.Text(), inPlace, id))
        return false;
    k.Id = id;
    k.Exists = true;
    k.Pending.clear();
    return true;
}

// One read-modify-write of path; in a batch, the change is kept for the batch's end.
bool UpdateFile(const std::string& path, const std::function<bool(TIniDocument&)>& change, bool report,
                bool inPlace = false) {
    std::lock_guard guard(StoreMutex);
    auto fail = [&](TKept* k) {
        if (k) {
            k->Valid = false;
            k->Pending.clear();
        }
        if (report)
            ReportError(FormatMsg(MsgUnableToWrite, {path}));
        return false;
    };
    if (path.empty())
        return fail(nullptr);
    const bool deferred = BatchDepth > 0 && !inPlace;
    std::optional<TStoreLock> lock;
    std::string target;
    if (!deferred) {
        target = FollowLinks(path);
        if (target.empty())
            return fail(nullptr);
        lock.emplace(target);
        if (!lock->Ok())
            return fail(nullptr);
    }
    TKept* k = nullptr;
    // A file that exists but cannot be read is never replaced by what little was written now:
    // that would lose every other key in it.
    if (Load(path, k) == TLoad::Unreadable)
        return fail(k);
    const std::size_t before = k->Doc.ChangeCount();
    const std::size_t pendingBefore = k->Pending.size();
    k->Doc.RecordChanges(&k->Pending);
    bool write = false;
    try {
        write = change(k->Doc);
    } catch (...) {
        k->Doc.RecordChanges(nullptr);
        k->Valid = false;
        throw;
    }
    k->Doc.RecordChanges(nullptr);
    if (!write) {
        // Whatever change did is not to be written: the kept parse goes back to the file.
        if (k->Doc.ChangeCount() != before) {
            k->Pending.resize(pendingBefore);
            k->Valid = false;
        }
        return true;
    }
    if (deferred)
        return true;
    TFileId id;
    if (!WriteTarget(target, k->Doc.Text(), inPlace, id))
        return fail(k);
    k->Id = id;
    k->Exists = true;
    k->Pending.clear();
    return true;
}

bool FlushAll() {
    std::lock_guard guard(StoreMutex);
    bool ok = true;
    for (auto& [path, k] : Kept) {
        if (k.Pending.empty())
            continue;
        if (!WriteKept(path, k, false)) {
            ok = false;
            k.Valid = false;
            k.Pending.clear();
            ReportError(FormatMsg(MsgUnableToWrite, {path}));
        }
    }
    return ok;
}

} // namespace

TIniWriteFn SetIniWriteFn(TIniWriteFn fn) {
    TIniWriteFn old = WriteFn;
    WriteFn = fn ? fn : &DefaultWrite;
    return old;
}

int SetIniLockWait(int ms) {
    std::lock_guard guard(StoreMutex);
    const int old = LockWaitMs;
    LockWaitMs = ms < 0 ? 0 : ms;
    return old;
}

TIniWriteBatch::TIniWriteBatch() {
    std::lock_guard guard(StoreMutex);
    ++BatchDepth;
}

TIniWriteBatch::~TIniWriteBatch() {
    std::lock_guard guard(StoreMutex);
    if (--BatchDepth == 0)
        FlushAll();
}

bool IniFlush() {
    return FlushAll();
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
    std::lock_guard guard(StoreMutex);
    const TIniDocument* doc = ReadDoc(path);
    return doc ? doc->ReadString(section, key, def) : def;
}

int IniReadInteger(const std::string& path, std::string_view section, std::string_view key, int def) {
    std::lock_guard guard(StoreMutex);
    const TIniDocument* doc = ReadDoc(path);
    if (!doc || !doc->ValueExists(section, key))
        return def;
    int result = def;
    ParseIniInteger(doc->ReadString(section, key, ""), result);
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
    std::lock_guard guard(StoreMutex);
    const TIniDocument* doc = ReadDoc(path);
    return doc && doc->SectionExists(section);
}

bool IniValueExists(const std::string& path, std::string_view section, std::string_view key) {
    std::lock_guard guard(StoreMutex);
    const TIniDocument* doc = ReadDoc(path);
    return doc && doc->ValueExists(section, key);
}

std::vector<std::string> IniReadSection(const std::string& path, std::string_view section) {
    std::lock_guard guard(StoreMutex);
    const TIniDocument* doc = ReadDoc(path);
    return doc ? doc->KeyNames(section) : std::vector<std::string>{};
}

std::vector<std::string> IniReadSectionValues(const std::string& path, std::string_view section) {
    std::lock_guard guard(StoreMutex);
    const TIniDocument* doc = ReadDoc(path);
    return doc ? doc->KeyValues(section) : std::vector<std::string>{};
}

std::vector<std::string> IniReadSections(const std::string& path) {
    std::lock_guard guard(StoreMutex);
    const TIniDocument* doc = ReadDoc(path);
    return doc ? doc->SectionNames() : std::vector<std::string>{};
}

bool IniWriteTest(const std::string& path) {
    if (path.empty())
        return false;
    // The probe reaches the file itself, whatever batch is open.
    std::lock_guard guard(StoreMutex);
    const int depth = BatchDepth;
    BatchDepth = 0;
    const bool written = UpdateFile(
        path,
        [](TIniDocument& doc) {
            doc.WriteInteger("Options", "WriteTest", 0);
            return true;
        },
        false);
    if (written)
        UpdateFile(
            path,
            [](TIniDocument& doc) {
                doc.DeleteKey("Options", "WriteTest");
                return true;
            },
            false);
    BatchDepth = depth;
    return written;
}

void IniTidy(const std::string& path) {
    std::lock_guard guard(StoreMutex);
    const TIniDocument* doc = ReadDoc(path);
    if (!doc || doc->Text().empty())
        return;
    IniUpdate(path, [](TIniDocument& d) {
        d.Tidy();
        return true;
    });
}

bool IniUpdate(const std::string& path, const std::function<bool(TIniDocument&)>& change) {
    return UpdateFile(path, change, true);
}

bool IniUpdateInPlace(const std::string& path, const std::function<bool(TIniDocument&)>& change) {
    return UpdateFile(path, change, true, true);
}

// ---- TIniDocument ----

TIniDocument::TIniDocument(std::string_view text) {
    const std::string_view body = StripBom(text);
    bom_ = body.size() != text.size();
    const std::size_t nl = body.find('\n');
    if (nl != std::string_view::npos && nl > 0 && body[nl - 1] == '\r')
        eol_ = "\r\n";
    sections_.emplace_back();
    std::string_view rest = body;
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        const std::size_t len = end == std::string_view::npos ? rest.size() : end + 1;
        const std::string_view line = rest.substr(0, len);
        rest.remove_prefix(len);
        std::string_view name;
        if (Classify(line, name) == TLineKind::Section) {
            TSection s;
            s.Header = std::string(line);
            s.Name = std::string(name);
            sections_.push_back(std::move(s));
        } else {
            sections_.back().Lines.emplace_back(line);
        }
    }
    Reindex();
}

void TIniDocument::Reindex() {
    index_.clear();
    index_.reserve(sections_.size());
    for (std::size_t i = 1; i < sections_.size(); ++i)
        index_.emplace(LowerName(sections_[i].Name), i); // the first of a name stays
}

const TIniDocument::TSection* TIniDocument::Find(std::string_view section) const {
    const auto it = index_.find(LowerName(Trim(section)));
    return it == index_.end() ? nullptr : &sections_[it->second];
}

TIniDocument::TSection* TIniDocument::Find(std::string_view section) {
    return const_cast<TSection*>(std::as_const(*this).Find(section));
}

namespace {
// Index of the first line of lines holding key, or npos.
std::size_t FindKeyLine(const std::vector<std::string>& lines, std::string_view key) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::string_view name;
        if (Classify(lines[i], name) == TLineKind::Key && SameName(name, Trim(key)))
            return i;
    }
    return std::string::npos;
}
} // namespace

void TIniDocument::Note(TIniChange::TKind kind, std::string_view section, std::string_view key,
                        std::string_view value) {
    ++changes_;
    if (record_)
        record_->push_back({kind, std::string(section), std::string(key), std::string(value)});
}

void TIniDocument::EndLastLine() {
    for (auto s = sections_.rbegin(); s != sections_.rend(); ++s) {
        std::string& last = s->Lines.empty() ? s->Header : s->Lines.back();
        if (last.empty())
            continue; // the first section's missing header
        if (last.back() != '\n')
            last += eol_;
        return;
    }
}

bool TIniDocument::SectionExists(std::string_view section) const {
    return Find(section) != nullptr;
}

bool TIniDocument::ValueExists(std::string_view section, std::string_view key) const {
    const TSection* s = Find(section);
    return s && FindKeyLine(s->Lines, key) != std::string::npos;
}

std::string TIniDocument::ReadString(std::string_view section, std::string_view key,
                                     const std::string& def) const {
    const TSection* s = Find(section);
    const std::size_t k = s ? FindKeyLine(s->Lines, key) : std::string::npos;
    if (k == std::string::npos)
        return def;
    std::string_view name, value;
    Classify(s->Lines[k], name, &value);
    return std::string(value.substr(0, IniMaxValueLength));
}

void TIniDocument::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    Note(TIniChange::Write, section, key, value);
    std::string line = std::string(Trim(key)) + "=" + std::string(value);
    // A value cannot hold a line break: it would start a new line of the file.
    for (char& c : line)
        if (c == '\n' || c == '\r')
            c = ' ';
    TSection* s = Find(section);
    if (!s) {
        EndLastLine();
        TSection added;
        added.Header = "[" + std::string(section) + "]" + eol_;
        added.Name = std::string(Trim(section));
        added.Lines.push_back(line + eol_);
        sections_.push_back(std::move(added));
        index_.emplace(LowerName(sections_.back().Name), sections_.size() - 1);
        return;
    }
    const std::size_t k = FindKeyLine(s->Lines, key);
    if (k != std::string::npos) {
        std::string& old = s->Lines[k];
        const std::size_t ending = old.size() >= 2 && old.ends_with("\r\n") ? 2 : old.ends_with('\n') ? 1 : 0;
        line.append(old, old.size() - ending, ending);
        old = std::move(line);
        return;
    }
    // After the section's last line that is not blank; only a section that ends the file can
    // end without a line end.
    std::size_t at = s->Lines.size();
    while (at > 0 && Trim(s->Lines[at - 1]).empty())
        --at;
    if (at == s->Lines.size() && s == &sections_.back())
        EndLastLine();
    s->Lines.insert(s->Lines.begin() + static_cast<std::ptrdiff_t>(at), line + eol_);
}

void TIniDocument::WriteInteger(std::string_view section, std::string_view key, int value) {
    WriteString(section, key, std::to_string(value));
}

void TIniDocument::WriteBool(std::string_view section, std::string_view key, bool value) {
    WriteString(section, key, value ? "1" : "0");
}

void TIniDocument::EraseSection(std::string_view section) {
    if (!Find(section))
        return;
    Note(TIniChange::EraseSection, section);
    const std::string lower = LowerName(Trim(section));
    std::erase_if(sections_,
                  [&](const TSection& s) { return !s.Header.empty() && LowerName(s.Name) == lower; });
    // The first section (lines before any header) never goes: it has no header.
    Reindex();
}

void TIniDocument::DeleteKey(std::string_view section, std::string_view key) {
    TSection* s = Find(section);
    const std::size_t k = s ? FindKeyLine(s->Lines, key) : std::string::npos;
    if (k == std::string::npos)
        return;
    Note(TIniChange::DeleteKey, section, key);
    s->Lines.erase(s->Lines.begin() + static_cast<std::ptrdiff_t>(k));
}

void TIniDocument::Tidy() {
    Note(TIniChange::Tidy, {});
    const std::string eol = eol_;
    std::vector<TSection> tidy(1);
    bool first = true;
    auto keep = [&](const std::string& line, std::vector<std::string>& into) {
        const std::string_view t = Trim(line);
        if (t.empty())
            return false;
        if (!first && t.front() == '[')
            into.push_back(eol);
        into.push_back(std::string(t) + eol);
        first = false;
        return true;
    };
    for (const TSection& s : sections_) {
        if (!s.Header.empty()) {
            std::vector<std::string> header;
            keep(s.Header, header);
            TSection next;
            next.Name = s.Name;
            next.Header = header.back();
            if (header.size() == 2)
                tidy.back().Lines.push_back(header.front());
            tidy.push_back(std::move(next));
        }
        for (const std::string& line : s.Lines)
            keep(line, tidy.back().Lines);
    }
    sections_ = std::move(tidy);
    Reindex();
}

void TIniDocument::Apply(const TIniChange& change) {
    switch (change.Kind) {
    case TIniChange::Write:
        WriteString(change.Section, change.Key, change.Value);
        break;
    case TIniChange::EraseSection:
        EraseSection(change.Section);
        break;
    case TIniChange::DeleteKey:
        DeleteKey(change.Section, change.Key);
        break;
    case TIniChange::Tidy:
        Tidy();
        break;
    }
}

std::vector<std::string> TIniDocument::SectionNames() const {
    std::vector<std::string> out;
    out.reserve(sections_.size());
    for (std::size_t i = 1; i < sections_.size(); ++i)
        out.push_back(sections_[i].Name);
    return out;
}

std::vector<std::string> TIniDocument::KeyNames(std::string_view section) const {
    std::vector<std::string> out;
    if (const TSection* s = Find(section))
        for (const std::string& line : s->Lines) {
            std::string_view name;
            if (Classify(line, name) == TLineKind::Key)
                out.emplace_back(name);
        }
    return out;
}

std::vector<std::string> TIniDocument::KeyValues(std::string_view section) const {
    std::vector<std::string> out;
    if (const TSection* s = Find(section))
        for (const std::string& line : s->Lines) {
            std::string_view name, value;
            if (Classify(line, name, &value) == TLineKind::Key)
                out.push_back(std::string(name) + "=" + std::string(value));
        }
    return out;
}

std::string TIniDocument::Text() const {
    std::size_t size = bom_ ? 3 : 0;
    for (const TSection& s : sections_) {
        size += s.Header.size();
        for (const std::string& line : s.Lines)
            size += line.size();
    }
    std::string out;
    out.reserve(size);
    if (bom_)
        out = "\xEF\xBB\xBF";
    for (const TSection& s : sections_) {
        out += s.Header;
        for (const std::string& line : s.Lines)
            out += line;
    }
    return out;
}

} // namespace hostaq
