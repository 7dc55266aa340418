#include "engine/WorkingSet.h"

#include "net/WorkerThread.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <malloc.h>
#include <sys/mman.h>

namespace hostaq {

namespace {
// One mapping of /proc/self/smaps as far as the trim needs it.
struct TMapping {
    std::uintptr_t Start = 0;
    std::uintptr_t End = 0;
    char Perms[5] = {};
    bool File = false;
    long Anonymous = -1; // kB of pages this process has written (copied from the file)
};

// Pages of a read-only file mapping that were never written are the file's own pages: dropping
// them loses nothing, they are read again (from the page cache) when next used. A mapping with a
// written page (relocated data made read-only afterwards) is left alone, since dropping would
// undo what was written.
void DropFilePages(const TMapping& m) {
    const bool readOnly = std::strcmp(m.Perms, "r-xp") == 0 || std::strcmp(m.Perms, "r--p") == 0;
    if (m.File && readOnly && m.Anonymous == 0)
        ::madvise(reinterpret_cast<void*>(m.Start), m.End - m.Start, MADV_DONTNEED);
}
} // namespace

void TrimWorkingSet() {
    // The stacks of ended workers first: they are memory of their own, not the heap's.
    ReleaseWorkerStacks();
    ::malloc_trim(0);
    std::FILE* smaps = std::fopen("/proc/self/smaps", "re");
    if (!smaps)
        return;
    char line[4096];
    TMapping current;
    bool have = false;
    while (std::fgets(line, sizeof line, smaps)) {
        std::uintptr_t start = 0, end = 0;
        char perms[5] = {};
        int pathAt = 0;
        if (std::sscanf(line, "%lx-%lx %4s %*s %*s %*s %n", &start, &end, perms, &pathAt) >= 3 &&
            std::strchr(line, ':') > std::strchr(line, ' ')) {
            if (have)
                DropFilePages(current);
            current = TMapping{};
            current.Start = start;
            current.End = end;
            std::memcpy(current.Perms, perms, sizeof perms);
            current.File = pathAt > 0 && line[pathAt] == '/';
            have = true;
            continue;
        }
        long kb = 0;
        if (std::sscanf(line, "Anonymous: %ld kB", &kb) == 1)
            current.Anonymous = kb;
    }
    if (have)
        DropFilePages(current);
    std::fclose(smaps);
}

} // namespace hostaq
