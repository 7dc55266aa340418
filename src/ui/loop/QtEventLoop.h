#pragma once

#include "engine/EventLoop.h"

#include <QObject>
#include <QSocketNotifier>
#include <QTimer>
#include <atomic>
#include <functional>
#include <map>

namespace hostaq {

// The engine's event loop inside the Qt application: one precise QTimer armed for the earliest
// engine timer, and a queued call that serves posted functions. Workers' Synchronize calls are
// served by the Qt event loop too, also while a modal dialog runs its own loop. Run is the
// application's exec; Quit ends it with the code given. Watched descriptors are Qt socket
// notifiers.
class TQtEventLoop : public QObject, public TEventLoop {
    Q_OBJECT
public:
    TQtEventLoop();
    ~TQtEventLoop() override;

    std::int64_t NowMs() const override;
    int Run() override;
    void WatchReadable(int fd, std::function<void()> fn) override;
    void Unwatch(int fd) override;

protected:
    void Wake() override;

private:
    void Service();

    QTimer timer_;
    std::atomic<bool> wakePending_{false};
    bool running_ = false;
    std::map<int, QSocketNotifier*> notifiers_;
};

} // namespace hostaq
