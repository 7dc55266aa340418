#include "engine/ManualEventLoop.h"

namespace hostaq {

int TManualEventLoop::Run() {
    ClearQuit();
    while (!QuitRequested()) {
        RunPending();
        if (QuitRequested())
            break;
        const std::int64_t next = NextDue();
        if (next < 0)
            break;
        AdvanceMsecs(next - NowMs());
    }
    return QuitCode();
}

void TManualEventLoop::RunPending() {
    for (int guard = 0; guard < 10000; ++guard) {
        const int ran = RunPosted();
        const std::int64_t next = NextDue();
        const bool timerDue = next >= 0 && next <= NowMs();
        if (timerDue)
            FireDueTimers(NowMs());
        if (ran == 0 && !timerDue)
            return;
    }
}

void TManualEventLoop::AdvanceMsecs(std::int64_t ms) {
    const std::int64_t target = NowMs() + ms;
    RunPending();
    for (;;) {
        const std::int64_t next = NextDue();
        if (next < 0 || next > target)
            break;
        if (next > NowMs())
            clock_.Set(TDateTime::FromMsecs(next));
        RunPending();
    }
    clock_.Set(TDateTime::FromMsecs(target));
    RunPending();
}

bool TManualEventLoop::PumpUntil(const std::function<bool()>& done, int timeoutMs) {
    return !WaitWhile([&] { return !done(); }, timeoutMs);
}

} // namespace hostaq
