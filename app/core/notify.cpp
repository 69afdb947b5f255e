#include "core/notify.h"

namespace qmr::app {

NotifyPort::NotifyPort(QObject* receiver, Handler handler) : receiver_(receiver), handler_(std::move(handler))
{
    raw_.base.post = &NotifyPort::post;
    raw_.self = this;
}

void NotifyPort::post(QmrWindow* w, uint32_t message, uintptr_t, intptr_t)
{
    NotifyPort* self = reinterpret_cast<Raw*>(w)->self;
    // Runs on the receiver's thread.
    QMetaObject::invokeMethod(
        self->receiver_, [self, message] { self->handler_(message); }, Qt::QueuedConnection);
}

void setNotifyTarget(FlshContext* ctx, QmrWindow* window, uint32_t message)
{
    __atomic_store_n(&ctx->notifyMessage, message, __ATOMIC_RELEASE);
    __atomic_store_n(&ctx->notifyWindow, window, __ATOMIC_RELEASE);
}

QmrWindow* notifyWindowOf(const FlshContext* ctx) { return __atomic_load_n(&ctx->notifyWindow, __ATOMIC_ACQUIRE); }
uint32_t notifyMessageOf(const FlshContext* ctx) { return __atomic_load_n(&ctx->notifyMessage, __ATOMIC_ACQUIRE); }

void NotifyTakeover::take(FlshContext* ctx, QmrWindow* window, uint32_t message)
{
    if (!ctx || ctx_) return;
    ctx_ = ctx;
    savedWindow_ = notifyWindowOf(ctx);
    savedMessage_ = notifyMessageOf(ctx);
    setNotifyTarget(ctx, window, message);
}

void NotifyTakeover::restore()
{
    if (!ctx_) return;
    setNotifyTarget(ctx_, savedWindow_, savedMessage_);
    ctx_ = nullptr;
}

}  // namespace qmr::app
