// The library's notify targets.  The worker thread (and the image loader's
// thread) announce each record by calling a QmrWindow; a NotifyPort turns
// that call into a queued call on the thread of its receiver, where the
// handler fetches the record.  A port and its receiver outlive the context
// they serve (the context is closed first), so an announcement never reaches
// a freed window; a queued call whose receiver is gone is dropped by Qt.
#pragma once

#include <QObject>

#include <functional>

#include "qmr.h"

namespace qmr::app {

class NotifyPort {
public:
    using Handler = std::function<void(uint32_t message)>;
    NotifyPort(QObject* receiver, Handler handler);
    NotifyPort(const NotifyPort&) = delete;
    NotifyPort& operator=(const NotifyPort&) = delete;

    QmrWindow* window() { return &raw_.base; }

private:
    struct Raw {
        QmrWindow base;  // first: the library's pointer is the Raw's
        NotifyPort* self;
    };
    static void post(QmrWindow* w, uint32_t message, uintptr_t, intptr_t);
    Raw raw_;
    QObject* receiver_;
    Handler handler_;
};

// Points the context's announcements at window and message; the worker reads
// both with acquire order, so a switch never tears.
void setNotifyTarget(FlshContext* ctx, QmrWindow* window, uint32_t message);
QmrWindow* notifyWindowOf(const FlshContext* ctx);
uint32_t notifyMessageOf(const FlshContext* ctx);

// A dialog that takes the context's announcements while it is open: take()
// points them at its own window and message, restore() (or the destructor)
// gives back the ones it found.
class NotifyTakeover {
public:
    NotifyTakeover() = default;
    ~NotifyTakeover() { restore(); }
    NotifyTakeover(const NotifyTakeover&) = delete;
    NotifyTakeover& operator=(const NotifyTakeover&) = delete;

    void take(FlshContext* ctx, QmrWindow* window, uint32_t message);
    void restore();
    bool taken() const { return ctx_ != nullptr; }

private:
    FlshContext* ctx_ = nullptr;
    QmrWindow* savedWindow_ = nullptr;
    uint32_t savedMessage_ = 0;
};

}  // namespace qmr::app
