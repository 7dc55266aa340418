#include "engine/EventLoop.h"

#include "config/IniFile.h"
#include "engine/WorkingSet.h"
#include "net/MainThread.h"
#include "net/WorkerThread.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>

namespace hostaq {

TTimer::TTimer(TEventLoop& loop, int intervalMs) : loop_(loop), interval_(intervalMs) {
    loop_.Register(this);
}

TTimer::~TTimer() {
    loop_.Unregister(this);
}

void TTimer::Arm() {
    due_ = loop_.NowMs() + interval_;
}

void TTimer::SetInterval(int ms) {
    if (ms == interval_)
        return;
    interval_ = ms;
    if (enabled_)
        Arm();
    loop_.Wake();
}

void TTimer::SetEnabled(bool enabled) {
    if (enabled == enabled_)
        return;
    enabled_ = enabled;
    if (enabled_)
        Arm();
    loop_.Wake();
}

namespace {
std::atomic<TEventLoop*> mainThreadLoop{nullptr};
std::mutex gateMutex;
TEventLoop* gateLoop = nullptr;

} // namespace

TEventLoop::TEventLoop() : owner_(std::this_thread::get_id()) {}

TEventLoop::~TEventLoop() {
    Close();
    bool installed = false;
    {
        std::lock_guard<std::mutex> lock(gateMutex);
        installed = gateLoop == this;
    }
    if (installed)
        InstallMainThreadLoop(nullptr);
}

struct TEventLoop::TWaitState {
    std::mutex Mutex;
    std::condition_variable Cv;
    bool Done = false;
    bool Closed = false;
    void Finish(bool closed) {
        {
            std::lock_guard<std::mutex> lock(Mutex);
            (closed ? Closed : Done) = true;
        }
        Cv.notify_one();
    }
};

void TEventLoop::Close() {
    std::vector<std::weak_ptr<TWaitState>> waiting;
    {
        std::lock_guard<std::mutex> lock(invokeMutex_);
        closed_ = true;
        waiting.swap(waiting_);
        std::lock_guard<std::mutex> postLock(postMutex_);
        posted_.clear();
    }
    for (const auto& w : waiting)
        if (auto state = w.lock())
            state->Finish(true);
}

void TEventLoop::Register(TTimer* timer) {
    timers_.push_back(timer);
}

void TEventLoop::Unregister(TTimer* timer) {
    timers_.erase(std::remove(timers_.begin(), timers_.end(), timer), timers_.end());
}

void TEventLoop::Post(std::function<void()> fn) {
    // Under the invoke lock, so Close cannot slip in between the check and the wake-up.
    std::lock_guard<std::mutex> lock(invokeMutex_);
    if (closed_)
        return;
    {
        std::lock_guard<std::mutex> postLock(postMutex_);
        posted_.push_back(std::move(fn));
    }
    Wake();
    postedCv_.notify_one();
}

void TEventLoop::Invoke(const std::function<void()>& fn) {
    if (OnLoopThread()) {
        fn();
        return;
    }
    Wait(Enqueue(fn));
}

TEventLoop::TInvokeWait TEventLoop::Enqueue(const std::function<void()>& fn) {
    TInvokeWait wait;
    auto state = std::make_shared<TWaitState>();
    {
        std::lock_guard<std::mutex> lock(invokeMutex_);
        if (closed_)
            return wait;
        std::erase_if(waiting_, [](const std::weak_ptr<TWaitState>& w) { return w.expired(); });
        waiting_.push_back(state);
    }
    wait.State = state;
    Post([fn, state] {
        fn();
        state->Finish(false);
    });
    return wait;
}

void TEventLoop::Wait(const TInvokeWait& wait) {
    if (!wait.State)
        return;
    std::unique_lock<std::mutex> lock(wait.State->Mutex);
    wait.State->Cv.wait(lock, [&] { return wait.State->Done || wait.State->Closed; });
}

bool TEventLoop::HasPosted() const {
    std::lock_guard<std::mutex> lock(postMutex_);
    return !posted_.empty();
}

int TEventLoop::RunPosted() {
    std::vector<std::function<void()>> batch;
    {
        std::lock_guard<std::mutex> lock(postMutex_);
        batch.swap(posted_);
    }
    if (batch.empty())
        return 0;
    {
        // The changes the events make to the configuration reach the file together, before
        // anything else is handled.
        TIniWriteBatch writes;
        for (auto& fn : batch)
            fn();
    }
    return static_cast<int>(batch.size());
}

std::int64_t TEventLoop::NextDue() const {
    std::int64_t next = -1;
    for (const TTimer* t : timers_)
        if (t->enabled_ && t->interval_ > 0 && (next < 0 || t->due_ < next))
            next = t->due_;
    return next;
}

int TEventLoop::FireDueTimers(std::int64_t now) {
    int fired = 0;
    std::vector<TTimer*> due;
    for (TTimer* t : timers_)
        if (t->enabled_ && t->interval_ > 0 && t->due_ <= now)
            due.push_back(t);
    std::stable_sort(due.begin(), due.end(),
                     [](const TTimer* a, const TTimer* b) { return a->due_ < b->due_; });
    for (TTimer* t : due) {
        // An earlier handler may have deleted, disabled or re-armed this timer.
        if (std::find(timers_.begin(), timers_.end(), t) == timers_.end())
            continue;
        if (!t->enabled_ || t->interval_ <= 0 || t->due_ > now)
            continue;
        const std::int64_t next = t->due_ + t->interval_;
        t->due_ = next > now ? next : now + t->interval_;
        ++fired;
        if (t->OnTimer)
            t->OnTimer();
    }
    return fired;
}

void TEventLoop::Quit(int code) {
    quit_ = true;
    quitCode_ = code;
    Wake();
}

bool TEventLoop::QuitRequested() const {
    return quit_;
}

void TEventLoop::ClearQuit() {
    quit_ = false;
}

bool TEventLoop::WaitWhile(const std::function<bool()>& pred, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        RunPosted();
        if (!pred())
            return false;
        if (std::chrono::steady_clock::now() >= deadline)
            return true;
        // A worker that ends posts nothing, so the condition is looked at again every few ms.
        std::unique_lock<std::mutex> lock(postMutex_);
        postedCv_.wait_for(lock, std::chrono::milliseconds(5), [this] { return !posted_.empty(); });
    }
}

void TEventLoop::BindToCurrentThread() {
    owner_ = std::this_thread::get_id();
}

bool TEventLoop::OnLoopThread() const {
    return std::this_thread::get_id() == owner_;
}

namespace {
// The installed loop as the dispatcher sees it (gateLoop); cleared before the loop goes away.
void Dispatch(const std::function<void()>& fn) {
    TEventLoop::TInvokeWait wait;
    bool onLoopThread = false;
    {
        std::lock_guard<std::mutex> lock(gateMutex);
        if (gateLoop == nullptr)
            return;
        onLoopThread = gateLoop->OnLoopThread();
        if (!onLoopThread)
            wait = gateLoop->Enqueue(fn);
    }
    if (onLoopThread)
        fn();
    else
        TEventLoop::Wait(wait);
}
} // namespace

void InstallMainThreadLoop(TEventLoop* loop) {
    {
        std::lock_guard<std::mutex> lock(gateMutex);
        gateLoop = loop;
    }
    mainThreadLoop.store(loop);
    if (loop) {
        SetMainThreadDispatcher([](std::function<void()> fn) { Dispatch(fn); });
        // A run's workers free most of their memory after their last event, so the trim at the
        // end of the run comes too early for it: once the last worker has ended, the loop trims
        // again (the ended threads joined, their stacks and the freed heap given back).
        SetWorkersEndedHook([] {
            std::lock_guard<std::mutex> lock(gateMutex);
            if (gateLoop != nullptr)
                gateLoop->Post([] { TrimWorkingSet(); });
        });
    } else {
        SetWorkersEndedHook({});
        SetMainThreadDispatcher({});
    }
}

TEventLoop* MainThreadLoop() {
    return mainThreadLoop.load();
}

} // namespace hostaq
