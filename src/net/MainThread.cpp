#include "net/MainThread.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace hostaq {

namespace {

std::mutex g_dispatcherMutex;
TDispatchFn g_dispatcher;

} // namespace

void SetMainThreadDispatcher(TDispatchFn dispatcher) {
    std::lock_guard lock(g_dispatcherMutex);
    g_dispatcher = std::move(dispatcher);
}

void Synchronize(const std::function<void()>& fn) {
    TDispatchFn dispatcher;
    {
        std::lock_guard lock(g_dispatcherMutex);
        dispatcher = g_dispatcher;
    }
    if (dispatcher)
        dispatcher(fn);
}

struct TPumpedDispatcher::TState {
    struct TCall {
        std::function<void()> Fn;
        bool Done = false;
    };

    std::mutex Mutex;
    std::condition_variable Changed;
    std::deque<std::shared_ptr<TCall>> Queue;
    bool Closed = false;
    std::thread::id MainThread = std::this_thread::get_id();

    void Dispatch(std::function<void()> fn) {
        if (std::this_thread::get_id() == MainThread) {
            fn();
            return;
        }
        auto call = std::make_shared<TCall>();
        call->Fn = std::move(fn);
        std::unique_lock lock(Mutex);
        if (Closed)
            return;
        Queue.push_back(call);
        Changed.notify_all();
        Changed.wait(lock, [&] { return call->Done || Closed; });
    }
};

TPumpedDispatcher::TPumpedDispatcher(bool install) : state_(std::make_shared<TState>()), installed_(install) {
    if (install)
        SetMainThreadDispatcher(Dispatcher());
}

TPumpedDispatcher::~TPumpedDispatcher() {
    if (installed_)
        SetMainThreadDispatcher({});
    std::lock_guard lock(state_->Mutex);
    state_->Closed = true;
    state_->Queue.clear();
    state_->Changed.notify_all();
}

TDispatchFn TPumpedDispatcher::Dispatcher() const {
    // The function holds the state, so a worker that copied it never outlives what it uses.
    std::shared_ptr<TState> state = state_;
    return [state](std::function<void()> fn) { state->Dispatch(std::move(fn)); };
}

std::size_t TPumpedDispatcher::Waiting() const {
    std::lock_guard lock(state_->Mutex);
    return state_->Queue.size();
}

std::size_t TPumpedDispatcher::Pump() {
    std::size_t ran = 0;
    for (;;) {
        std::shared_ptr<TState::TCall> call;
        {
            std::lock_guard lock(state_->Mutex);
            if (state_->Queue.empty())
                return ran;
            call = state_->Queue.front();
            state_->Queue.pop_front();
        }
        // The waiting worker is released even when the event throws.
        struct TRelease {
            TState& State;
            TState::TCall& Call;
            ~TRelease() {
                std::lock_guard lock(State.Mutex);
                Call.Done = true;
                State.Changed.notify_all();
            }
        } release{*state_, *call};
        call->Fn();
        ++ran;
    }
}

bool TPumpedDispatcher::PumpUntil(const std::function<bool()>& pred, int timeoutMs) {
    using TSteady = std::chrono::steady_clock;
    auto deadline = TSteady::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        Pump();
        if (pred())
            return true;
        if (TSteady::now() >= deadline)
            return false;
        // Short slices: pred may turn true without a queued call (a worker that ended).
        std::unique_lock lock(state_->Mutex);
        state_->Changed.wait_for(lock, std::chrono::milliseconds(10), [&] { return !state_->Queue.empty(); });
    }
}

} // namespace hostaq
