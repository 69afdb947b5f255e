// Lets the event loop run until a condition holds: for tools and tests that
// drive the programs' logic from outside (the screenshots, benchmarks).
#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

#include <functional>

namespace qmr::app {

// False when ms pass first.
inline bool processEventsUntil(const std::function<bool()>& cond, int ms = 10000)
{
    QDeadlineTimer deadline(ms);
    while (!cond()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::usleep(200);
    }
    return true;
}

}  // namespace qmr::app
