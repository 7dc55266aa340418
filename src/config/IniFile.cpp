#include "config/IniFile.h"

#include "config/ErrorReporter.h"
#include "config/IniLines.h"
#include "config/IniLock.h"
#include "config/IniWrite.h"
#include "config/Messages.h"

#include <cerrno>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace hostaq {

using namespace IniStore;

namespace {

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

} // namespace hostaq
