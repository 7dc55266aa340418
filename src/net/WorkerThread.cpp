#include "net/WorkerThread.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

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
    try {
        std::thread([this] { Run(); }).detach();
    } catch (...) {
        CountWorker(-1);
        throw;
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
