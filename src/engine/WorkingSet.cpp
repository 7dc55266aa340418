#include "engine/WorkingSet.h"

#include "net/WorkerThread.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <malloc.h>
#include <sys/mman.h>

namespace hostaq {

void TrimWorkingSet() {
    // The stacks of the run's ended workers first: they are memory of their own, not the heap's.
    ReleaseWorkerStacks();
    ::malloc_trim(0);
    // Only read-only executable mappings of files are dropped: their pages never differ from the
    // file, so dropping them loses nothing. Writable or anonymous memory is never touched.
    std::FILE* maps = std::fopen("/proc/self/maps", "re");
    if (!maps)
        return;
    char line[4096];
    while (std::fgets(line, sizeof line, maps)) {
        std::uintptr_t start = 0, end = 0;
        char perms[5] = {};
        int pathAt = 0;
        if (std::sscanf(line, "%lx-%lx %4s %*s %*s %*s %n", &start, &end, perms, &pathAt) < 3)
            continue;
        if (std::strcmp(perms, "r-xp") != 0 || pathAt <= 0 || line[pathAt] != '/')
            continue;
        ::madvise(reinterpret_cast<void*>(start), end - start, MADV_DONTNEED);
    }
    std::fclose(maps);
}

} // namespace hostaq
