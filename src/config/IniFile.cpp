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
    // The file's modification time was at least a second old when it was read: a change made
    // since cannot hide behind an equal time stamp of a coarse-time file system.
    bool Settled = false;
    TFileId Id;
    std::string Text; // the file's bytes Doc was made from
    TIniDocument Doc;
    std::vector<TIniChange> Pending;
    std::string Reported; // why the file could not be read, once said
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

bool SettledAt(const TFileId& id) {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    const long long nowNs = static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
    return nowNs - id.MtimeNs >= 1000000000LL;
}

// Brings the kept parse of path up to date with the file: kept while the file is the one it was
// read from and was already a second old then, read again when anything of its identity differs
// or it was younger (a same-size rewrite within one tick of a coarse clock keeps every stamp).
// Pending batch changes are applied again to a file read afresh.
TLoad Load(const std::string& path, TKept*& out) {
    out = nullptr;
    if (path.empty())
        return TLoad::Missing;
    struct stat st {};
    const bool exists = ::stat(path.c_str(), &st) == 0;
    if (!exists && errno != ENOENT && errno != ENOTDIR)
        return TLoad::Unreadable;
    TKept& k = KeptFor(path);
    const bool same = k.Valid && k.Exists == exists && (!exists || k.Id == IdOf(st));
    if (same && (!exists || k.Settled)) {
        out = &k;
        return exists || !k.Pending.empty() ? TLoad::Ok : TLoad::Missing;
    }
    std::string text;
    struct stat opened {};
    const int read = ReadRegular(path, text, opened);
    if (read < 0) {
        k.Valid = false;
        if (k.Reported != FailureReason()) {
            k.Reported = FailureReason();
            ReportError("Cannot read " + path + ": " + k.Reported);
        }
        return TLoad::Unreadable;
    }
    k.Reported.clear();
    k.Exists = read > 0;
    if (k.Exists) {
        k.Id = IdOf(opened);
        k.Settled = SettledAt(k.Id);
    }
    if (!same || text != k.Text) {
        k.Doc = TIniDocument(text);
        for (const TIniChange& change : k.Pending)
            k.Doc.Apply(change);
        k.Text = std::move(text);
    }
    k.Valid = true;
    out = &k;
    return k.Exists || !k.Pending.empty() ? TLoad::Ok : TLoad::Missing;
}

// The document to read from, or nullptr when there is none (no file, or one that cannot be read).
const TIniDocument* ReadDoc(const std::string& path) {
    TKept* k = nullptr;
    return Load(path, k) == TLoad::Ok ? &k->Doc : nullptr;
}

// "Unable to write to %s", with the link that was not followed when that was the cause.
std::string UnableToWrite(const std::string& path) {
    std::string text = FormatMsg(MsgUnableToWrite, {path});
    if (!RefusedLink().empty())
        text += ": " + FailureReason();
    return text;
}

// Puts the kept document on disk as the file target names; the kept parse then mirrors the file.
bool Written(TKept& k, const std::string& target, bool inPlace) {
    std::string text = k.Doc.Text();
    TFileId id;
    if (!WriteTarget(target, text, inPlace, id))
        return false;
    k.Id = id;
    k.Exists = true;
    k.Settled = SettledAt(id);
    k.Text = std::move(text);
    k.Pending.clear();
    return true;
}

// Writes the kept document of path (with its pending changes) to the file under the lock. When
// the file changed since it was read, it is read again and the pending changes applied to it.
bool WriteKept(const std::string& path, TKept& k, bool inPlace) {
    RefusedLink().clear();
    const std::string target = ResolveForWrite(path);
    if (target.empty())
        return false;
    TStoreLock lock(target);
    if (!lock.Ok())
        return false;
    TKept* fresh = nullptr;
    if (Load(path, fresh) == TLoad::Unreadable || fresh != &k)
        return false;
    return Written(k, target, inPlace);
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
            ReportError(UnableToWrite(path));
        return false;
    };
    RefusedLink().clear();
    if (path.empty())
        return fail(nullptr);
    const bool deferred = BatchDepth > 0 && !inPlace;
    std::optional<TStoreLock> lock;
    std::string target;
    if (!deferred) {
        target = ResolveForWrite(path);
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
    if (!Written(*k, target, inPlace))
        return fail(k);
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
            ReportError(UnableToWrite(path));
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
