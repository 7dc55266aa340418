// Preloaded into the program by the crash tests: every fsync takes a few milliseconds more, so
// that a kill at a random moment often falls inside a write of the configuration.
#include <cstdlib>
#include <ctime>
#include <dlfcn.h>

extern "C" int fsync(int fd) {
    using TFsync = int (*)(int);
    static const TFsync real = reinterpret_cast<TFsync>(::dlsym(RTLD_NEXT, "fsync"));
    const char* ms = std::getenv("HOSTAQ_TEST_FSYNC_DELAY_MS");
    const timespec pause{0, (ms ? std::atol(ms) : 3) * 1000000L};
    ::nanosleep(&pause, nullptr);
    return real(fd);
}
