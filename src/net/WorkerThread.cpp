#include "net/WorkerThread.h"

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <link.h>
#include <mutex>
#include <new>
#include <pthread.h>
#include <sys/mman.h>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace hostaq {

namespace {

std::mutex g_mutex;
std::condition_variable g_changed;
std::size_t g_live = 0;

// A worker's stack is this program's own mapping, not one of the C library's: the library keeps
// up to 40 MiB of ended threads' stacks for reuse, each with its top pages still resident, so
// after a run over a hundred groups a hundred small stacks would stay cached for good. Ours are
// unmapped once their thread has been joined.
struct TWorkerStack {
    void* Mapping;
    std::size_t MappingSize;
    pthread_t Thread;
    TWorkerThread* Worker;
};
// Stacks whose thread has ended its work; joined and unmapped by the next Start or
// ReleaseWorkerStacks. Held by value: nothing here is a heap object left behind at exit.
std::mutex g_stackMutex;
std::vector<TWorkerStack> g_ended;

std::size_t PageSize() {
    static const std::size_t size = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    return size;
}

// A thread's static TLS blocks and its descriptor live at the top of a stack the program gives
// it, so they come on top of the stack proper: the TLS segments of the loaded modules, and a
// page or two for the descriptor and the library's surplus.
std::size_t StackReserve() {
    static const std::size_t reserve = [] {
        std::size_t tls = 0;
        ::dl_iterate_phdr(
            [](dl_phdr_info* info, std::size_t, void* data) {
                for (int i = 0; i < info->dlpi_phnum; ++i)
                    if (info->dlpi_phdr[i].p_type == PT_TLS)
                        *static_cast<std::size_t*>(data) +=
                            info->dlpi_phdr[i].p_memsz + info->dlpi_phdr[i].p_align;
                return 0;
            },
            &tls);
        const std::size_t page = PageSize();
        return (tls + 4 * page + page - 1) / page * page;
    }();
    return reserve;
}

std::function<void()> g_endedHook; // guarded by g_mutex

// Returns the number of live workers after the change.
std::size_t CountWorker(int delta) {
    std::lock_guard lock(g_mutex);
    g_live = static_cast<std::size_t>(static_cast<long long>(g_live) + delta);
    g_changed.notify_all();
    return g_live;
}

} // namespace

void SetWorkersEndedHook(std::function<void()> hook) {
    std::lock_guard lock(g_mutex);
    g_endedHook = std::move(hook);
}

void ReleaseWorkerStacks() {
    std::vector<TWorkerStack> ended;
    {
        std::lock_guard lock(g_stackMutex);
        ended.swap(g_ended);
    }
    for (const TWorkerStack& stack : ended) {
        // The thread has handed in its stack and is returning: the join is brief, and after it
        // nothing runs on the stack any more.
        ::pthread_join(stack.Thread, nullptr);
        ::munmap(stack.Mapping, stack.MappingSize);
    }
}

void TWorkerThread::Start() {
    // Workers that ended after the last start are joined at exit too, so no ended thread is left
    // unjoined when the program ends.
    static const bool joinAtExit = std::atexit([] { ReleaseWorkerStacks(); }) == 0;
    (void)joinAtExit;
    ReleaseWorkerStacks();
    // Layout: a guard page, one page holding the stack's own record, then the stack (small: a run
    // over thousands of groups starts thousands of workers at once).
    const std::size_t page = PageSize();
    const std::size_t stackSize = WorkerStackSize + StackReserve();
    const std::size_t mappingSize = 2 * page + stackSize;
    void* mapping = ::mmap(nullptr, mappingSize, PROT_READ | PROT_WRITE,
                           MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE | MAP_STACK, -1, 0);
    if (mapping == MAP_FAILED)
        throw std::system_error(errno, std::generic_category(), "mmap");
    ::mprotect(mapping, page, PROT_NONE);
    auto* record = new (static_cast<char*>(mapping) + page) TWorkerStack{mapping, mappingSize, {}, this};

    CountWorker(+1);
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstack(&attr, static_cast<char*>(mapping) + 2 * page, stackSize);
    pthread_t thread;
    const int error = pthread_create(
        &thread, &attr,
        [](void* arg) -> void* {
            auto* stack = static_cast<TWorkerStack*>(arg);
            stack->Thread = ::pthread_self();
            stack->Worker->Run();
            {
                std::lock_guard lock(g_stackMutex);
                g_ended.push_back(*stack);
            }
            // Counted out last: once no worker is live, every stack is ready to be released.
            if (CountWorker(-1) == 0) {
                std::function<void()> hook;
                {
                    std::lock_guard lock(g_mutex);
                    hook = g_endedHook;
                }
                if (hook)
                    hook();
            }
            return nullptr;
        },
        record);
    pthread_attr_destroy(&attr);
    if (error != 0) {
        CountWorker(-1);
        ::munmap(mapping, mappingSize);
        throw std::system_error(error, std::generic_category(), "pthread_create");
    }
}

void TWorkerThread::Run() {
    try {
        Execute();
    } catch (...) {
        // A worker never takes the program down; its events say what it achieved.
    }
    delete this;
}

std::size_t LiveWorkers() {
    std::lock_guard lock(g_mutex);
    return g_live;
}

bool WaitForWorkers(int timeoutMs) {
    std::unique_lock lock(g_mutex);
    return g_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [] { return g_live == 0; });
}

} // namespace hostaq
