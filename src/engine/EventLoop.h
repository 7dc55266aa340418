#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace hostaq {

class TEventLoop;

// A timer of the main thread: an interval in milliseconds, an enabled flag and an OnTimer event.
// Enabling a disabled timer, or changing the interval of an enabled one, starts a new interval
// from the moment of the change. An interval of 0 or less never fires. OnTimer runs on the
// loop's thread; it may change the timer (disable it, set another interval) or delete it.
class TTimer {
public:
    explicit TTimer(TEventLoop& loop, int intervalMs = 1000);
    ~TTimer();
    TTimer(const TTimer&) = delete;
    TTimer& operator=(const TTimer&) = delete;

    int Interval() const { return interval_; }
    void SetInterval(int ms);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);

    std::function<void()> OnTimer;

private:
    friend class TEventLoop;
    void Arm();

    TEventLoop& loop_;
    int interval_;
    bool enabled_ = false;
    std::int64_t due_ = 0; // loop time of the next firing
};

// The main thread's event loop: timers, functions posted from any thread, and the blocking call
// that worker threads use to run an event on the main thread (Synchronize). Timers and posted
// functions run only on the thread that runs the loop.
class TEventLoop {
public:
    TEventLoop();
    virtual ~TEventLoop();
    TEventLoop(const TEventLoop&) = delete;
    TEventLoop& operator=(const TEventLoop&) = delete;

    // The loop's own time in milliseconds (monotonic for a real loop, stepped for the manual one).
    virtual std::int64_t NowMs() const = 0;

    // Queues fn to run on the loop's thread. Safe from any thread, also from within a handler.
    void Post(std::function<void()> fn);
    // Runs fn on the loop's thread and returns when it has run. Called on the loop's thread it
    // runs fn at once. A worker blocks here until the loop (or WaitWhile) serves it, or until
    // the loop is closed (fn is then dropped).
    void Invoke(const std::function<void()>& fn);

    // The two halves of Invoke for a caller on another thread: queue fn, then wait without
    // touching the loop any more (it may be closed and destroyed meanwhile).
    struct TWaitState;
    struct TInvokeWait {
        std::shared_ptr<TWaitState> State; // null: nothing to wait for (the loop is closed)
    };
    TInvokeWait Enqueue(const std::function<void()>& fn);
    static void Wait(const TInvokeWait& wait);

    // Runs due timers and posted functions until Quit. Returns the value given to Quit.
    virtual int Run() = 0;

    // Calls fn on the loop's thread whenever fd is readable (a signalfd, a netlink or bus
    // socket). fn must read what is waiting. Unwatch before closing fd; a handler may unwatch.
    virtual void WatchReadable(int fd, std::function<void()> fn) = 0;
    virtual void Unwatch(int fd) = 0;
    void Quit(int code = 0);
    bool QuitRequested() const;

    // Serves posted functions (not timers) while pred holds, for at most timeoutMs of real time.
    // Used at exit to wait for workers that may still need the main thread. Returns pred's last
    // answer (false: the condition ended in time).
    bool WaitWhile(const std::function<bool()>& pred, int timeoutMs);

    // Ends the loop's service for good: queued functions are dropped and workers waiting in
    // Invoke return without their function having run. The destructor does this too.
    void Close();

    // Marks the calling thread as the loop's thread (the thread that constructed the loop is it).
    void BindToCurrentThread();
    bool OnLoopThread() const;

protected:
    // Runs every posted function queued so far; returns how many ran.
    int RunPosted();
    // Fires every timer that is due at loop time now, in the order of their due times; returns
    // how many fired.
    int FireDueTimers(std::int64_t now);
    // The due time of the earliest enabled timer, or -1.
    std::int64_t NextDue() const;
    bool HasPosted() const;
    // Wakes a thread blocked in Wait (the real loop overrides this with its wake-up file).
    virtual void Wake() {}
    int QuitCode() const { return quitCode_; }
    void ClearQuit();

private:
    friend class TTimer;
    void Register(TTimer* timer);
    void Unregister(TTimer* timer);

    std::vector<TTimer*> timers_;
    bool timersChanged_ = false;

    mutable std::mutex postMutex_;
    std::vector<std::function<void()>> posted_;
    std::thread::id owner_;
    // Guards closed_ and the calls waiting in Invoke; each waiting call is woken on its own.
    std::mutex invokeMutex_;
    bool closed_ = false;
    std::vector<std::weak_ptr<TWaitState>> waiting_;
    // Wakes the exit wait (WaitWhile) when something is posted.
    std::condition_variable postedCv_;
    bool quit_ = false;
    int quitCode_ = 0;
};

// Installs the loop as the process-wide main-thread dispatcher behind the workers' Synchronize
// (nullptr removes it). A loop that is destroyed removes itself; a worker that calls Synchronize
// afterwards has its call dropped.
void InstallMainThreadLoop(TEventLoop* loop);
// The installed loop, or nullptr.
TEventLoop* MainThreadLoop();

} // namespace hostaq
