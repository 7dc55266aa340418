#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>

#include <functional>

namespace hostaq::test {

// Serves the Qt event loop until done() holds or limitMs have passed; returns done().
inline bool ProcessUntil(const std::function<bool()>& done, int limitMs = 10000) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < limitMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 20);
    return done();
}

} // namespace hostaq::test
