#pragma once

#include <cstddef>
#include <functional>
#include <memory>

namespace hostaq {

// Runs a function on the main thread and returns once it ran there (or was dropped because the
// loop is ending). The program's event loop installs one at start-up; tests install a
// TPumpedDispatcher.
using TDispatchFn = std::function<void(std::function<void()>)>;

// Installs the process-wide dispatcher; an empty function removes it.
void SetMainThreadDispatcher(TDispatchFn dispatcher);

// Runs fn on the main thread while the calling worker waits. Without a dispatcher the call is
// dropped: the program is ending and nothing may touch its state any more.
void Synchronize(const std::function<void()>& fn);

// A main-thread loop that the owner steps: calls from other threads wait in a queue until the
// owner's thread pumps it. The thread that creates it is its main thread; a call made on that
// thread runs at once. It installs itself as the process-wide dispatcher and removes itself when
// destroyed, releasing waiting calls without running them.
class TPumpedDispatcher {
public:
    explicit TPumpedDispatcher(bool install = true);
    ~TPumpedDispatcher();
    TPumpedDispatcher(const TPumpedDispatcher&) = delete;
    TPumpedDispatcher& operator=(const TPumpedDispatcher&) = delete;

    // The dispatcher function of this loop, for SetMainThreadDispatcher.
    TDispatchFn Dispatcher() const;
    // Calls waiting to be run.
    std::size_t Waiting() const;
    // Runs every waiting call; returns how many ran.
    std::size_t Pump();
    // Pumps until pred() holds or timeoutMs passed; returns pred().
    bool PumpUntil(const std::function<bool()>& pred, int timeoutMs);

private:
    struct TState;
    std::shared_ptr<TState> state_;
    bool installed_;
};

} // namespace hostaq
