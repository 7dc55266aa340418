#include "ui/loop/QtEventLoop.h"

#include <QCoreApplication>
#include <chrono>

namespace hostaq {

TQtEventLoop::TQtEventLoop() {
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &TQtEventLoop::Service);
}

TQtEventLoop::~TQtEventLoop() {
    Close();
    for (auto& [fd, notifier] : notifiers_)
        delete notifier;
}

void TQtEventLoop::WatchReadable(int fd, std::function<void()> fn) {
    Unwatch(fd);
    auto* notifier = new QSocketNotifier(fd, QSocketNotifier::Read);
    connect(notifier, &QSocketNotifier::activated, this, [fn = std::move(fn)] { fn(); });
    notifiers_[fd] = notifier;
}

void TQtEventLoop::Unwatch(int fd) {
    const auto it = notifiers_.find(fd);
    if (it == notifiers_.end())
        return;
    // The handler that unwatches may run inside this notifier's signal: it goes later.
    it->second->setEnabled(false);
    it->second->deleteLater();
    notifiers_.erase(it);
}

std::int64_t TQtEventLoop::NowMs() const {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void TQtEventLoop::Wake() {
    // Many wakes before the main thread gets round to it make one call.
    if (wakePending_.exchange(true))
        return;
    QMetaObject::invokeMethod(this, &TQtEventLoop::Service, Qt::QueuedConnection);
}

void TQtEventLoop::Service() {
    wakePending_ = false;
    RunPosted();
    FireDueTimers(NowMs());
    RunPosted();
    if (QuitRequested()) {
        timer_.stop();
        if (running_)
            QCoreApplication::exit(QuitCode());
        return;
    }
    const std::int64_t next = NextDue();
    if (next < 0) {
        timer_.stop();
        return;
    }
    const std::int64_t wait = next - NowMs();
    timer_.start(static_cast<int>(wait < 0 ? 0 : wait));
}

int TQtEventLoop::Run() {
    BindToCurrentThread();
    ClearQuit();
    running_ = true;
    Service();
    const int code = QuitRequested() ? QuitCode() : QCoreApplication::exec();
    running_ = false;
    return code;
}

} // namespace hostaq
