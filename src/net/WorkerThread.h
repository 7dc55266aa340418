#pragma once

#include <cstddef>
#include <functional>

namespace hostaq {

// A worker thread that frees itself: create it with new, give it all its inputs, then Start().
// From then on the creator must not touch it; it reports through Synchronize (MainThread.h) and
// deletes itself when Execute returns. Every live worker is counted, so the program can wait
// for them before it tears anything down.
// The stack each worker gets: enough for a request over TLS, small enough for thousands at once.
inline constexpr std::size_t WorkerStackSize = 256 * 1024;

class TWorkerThread {
public:
    TWorkerThread() = default;
    virtual ~TWorkerThread() = default;
    TWorkerThread(const TWorkerThread&) = delete;
    TWorkerThread& operator=(const TWorkerThread&) = delete;

    // Runs Execute on a new thread. Call once.
    void Start();

protected:
    virtual void Execute() = 0;

private:
    void Run();
};

// Joins the threads of ended workers and unmaps their stacks (Start does it too). The memory
// of a run's workers goes back to the system at the end of the run.
void ReleaseWorkerStacks();

// Called on the thread of the worker that ends while no other is live, once its stack is handed
// in (the program's loop posts the release of stacks and heap from here). Empty: nothing.
void SetWorkersEndedHook(std::function<void()> hook);

// Workers started and not yet ended.
std::size_t LiveWorkers();
// Waits until no worker is alive, at most timeoutMs; true when none is. Call it after the
// dispatcher stopped delivering (or from a loop that still pumps), since a worker may be
// waiting for the main thread.
bool WaitForWorkers(int timeoutMs);

} // namespace hostaq
