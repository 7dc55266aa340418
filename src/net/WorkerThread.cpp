#include "net/WorkerThread.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <pthread.h>
#include <system_error>

namespace hostaq {

namespace {

std::mutex g_mutex;
std::condition_variable g_changed;
std::size_t g_live = 0;

void CountWorker(int delta) {
    std::lock_guard lock(g_mutex);
    g_live = static_cast<std::size_t>(static_cast<long long>(g_live) + delta);
    g_changed.notify_all();
}

} // namespace

void TWorkerThread::Start() {
    CountWorker(+1);
    // A small stack: a run over thousands of groups starts thousands of workers at once, and the
    // default stack would reserve gigabytes of address space for them.
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstacksize(&attr, WorkerStackSize);
    pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
    pthread_t thread;
    const int error = pthread_create(
        &thread, &attr,
        [](void* self) -> void* {
            static_cast<TWorkerThread*>(self)->Run();
            return nullptr;
        },
        this);
    pthread_attr_destroy(&attr);
    if (error != 0) {
        CountWorker(-1);
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
    CountWorker(-1);
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
