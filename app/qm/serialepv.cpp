#include "qm/serialepv.h"

#include "checks/codes.h"
#include "core/commands.h"
#include "core/images.h"
#include "core/text.h"

namespace qmr::app {

namespace {
constexpr int kExpEpv = cmd::SerialEpv;
constexpr int kProgressPoll = cmd::Progress;
}  // namespace

SerialEpvLogic::SerialEpvLogic(FlshContext* ctx, Screen& screen, QmrWindow* ownWindow, uint32_t highest)
    : ctx_(ctx), screen_(screen), window_(ownWindow), highest_(highest)
{
}

SerialEpvLogic::~SerialEpvLogic() = default;

void SerialEpvLogic::open()
{
    notify_.take(ctx_, window_, kSerialEpvMessage);
    sizeIndex_ = 0;
    plusOne_ = true;
    address_ = data_ = QString::asprintf("%d", 0);
    changed();
}

void SerialEpvLogic::epv(const QString& address, int sizeIndex, const QString& data, bool plusOne)
{
    address_ = address;
    data_ = data;
    sizeIndex_ = sizeIndex < 0 || sizeIndex > 2 ? 0 : sizeIndex;
    plusOne_ = plusOne;
    if (!ctx_) {
        screen_.message({tr("It is thread injustice"), caption, Icon::Warning});
        return;
    }
    size_ = 1 << sizeIndex_;
    ctx_->serialSize = static_cast<uint8_t>(size_);
    uint32_t a = 0, d = 0;
    if (!parseSerialAddress(address.toStdString(), size_, highest_, a)) {
        screen_.message({tr("An address is illegal"), tr("Warning"), Icon::Error, Buttons::Ok, true});
        return;
    }
    if (!parseSerialData(data.toStdString(), size_, d)) {
        screen_.message({tr("Data are illegal"), tr("Warning"), Icon::Error, Buttons::Ok, true});
        return;
    }
    ctx_->serialAddress = a;
    ctx_->serialValue = d;
    value_ = d;
    buttonsEnabled_ = false;
    pending_ = kExpEpv;
    changed();
    ResetParams none{};
    QMRFlshReset(ctx_, &none, 0);
}

void SerialEpvLogic::onProgress()
{
    if (!ctx_) return;
    ProgressRecord* p = QMRFlshGetProg(ctx_);
    if (!p) return;
    ProgressRecord r = *p;
    screen_.setStatus(QString::fromUtf8(r.title));
    screen_.setProgress(r.percent);
    bool finished = r.percent == 100 && r.scale == 100;
    if (r.state != 0) {
        if (!finished) {
            if (r.tagA == kExpEpv) {
                p->tagA = 0;
                ctx_->tagA = kProgressPoll;
                QMRProgress(ctx_, 0);
            }
            return;
        }
        if (r.code == 0) {
            if (r.tagB == kExpEpv) {
                p->tagA = 0;
                ctx_->tagA = 0;
                value_ = stepSerial(value_, size_, plusOne_ ? 1 : -1);
                ctx_->serialValue = value_;
                data_ = QString::asprintf("%x", value_);
                buttonsEnabled_ = true;
                changed();
            }
            return;
        }
        QString text = r.code == QMR_TE_WRITTEN ? QString::fromUtf8(checks::targetErrorText(QMR_TE_WRITTEN, ctx_->english != 0))
                                                : QString::asprintf("%s [Error Code : %02x]", r.text, r.code);
        screen_.message({text, caption, Icon::Error});
        pending_ = 0;
        p->tagA = 0;
        buttonsEnabled_ = true;
        changed();
        return;
    }
    if (!finished) return;
    if (r.code) {
        screen_.message({tr("Please Setup Device."), caption, Icon::Error});
        buttonsEnabled_ = true;
        pending_ = 0;
        changed();
        return;
    }
    if (pending_ == kExpEpv) {
        ctx_->tagA = ctx_->tagB = kExpEpv;
        QMRFlshEXPEPV(ctx_, 0);
    }
    pending_ = 0;
}

void SerialEpvLogic::close()
{
    if (closed_) return;
    closed_ = true;
    notify_.restore();
    if (onClose) onClose();
}

}  // namespace qmr::app
