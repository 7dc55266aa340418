#pragma once

#include "engine/EventLoop.h"

#include <QObject>
#include <QTimer>
#include <atomic>

namespace hostaq {

// The engine's event loop inside the Qt application: one precise QTimer armed for the earliest
// engine timer, and a queued call that serves posted functions. Workers' Synchronize calls are
// served by the Qt event loop too, also while a modal dialog runs its own loop. Run is the
// application's exec; Quit ends it with the code given.
class TQtEventLoop : public QObject, public TEventLoop {
    Q_OBJECT
public:
    TQtEventLoop();
    ~TQtEventLoop() override;

    std::int64_t NowMs() const override;
    int Run() override;

protected:
    void Wake() override;

private:
    void Service();

    QTimer timer_;
    std::atomic<bool> wakePending_{false};
    bool running_ = false;
};

} // namespace hostaq
