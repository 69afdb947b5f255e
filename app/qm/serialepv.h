// The serial-number EPV dialog without its window: while open it takes the
// context's announcements (message 4025), runs one expanded EPV per press
// through the two-phase dispatch and steps the serial number after each
// successful device.  It drives the main view's progress bar and status line.
#pragma once

#include <QCoreApplication>
#include <QString>

#include <functional>

#include "core/notify.h"
#include "core/screen.h"
#include "qmr.h"

namespace qmr::app {

constexpr uint32_t kSerialEpvMessage = 4025;

class SerialEpvLogic {
    Q_DECLARE_TR_FUNCTIONS(SerialEpvLogic)
public:
    // highest: the last address a serial number may occupy.
    SerialEpvLogic(FlshContext* ctx, Screen& screen, QmrWindow* ownWindow, uint32_t highest);
    ~SerialEpvLogic();
    SerialEpvLogic(const SerialEpvLogic&) = delete;
    SerialEpvLogic& operator=(const SerialEpvLogic&) = delete;

    void open();
    // "EPV": checks the inputs, then resets the link; the EPV follows.
    void epv(const QString& address, int sizeIndex, const QString& data, bool plusOne);
    // One announcement (message 4025).
    void onProgress();
    void close();

    QString addressText() const { return address_; }
    QString dataText() const { return data_; }
    int sizeIndex() const { return sizeIndex_; }
    bool plusOne() const { return plusOne_; }
    bool buttonsEnabled() const { return buttonsEnabled_; }
    bool running() const { return !buttonsEnabled_; }

    std::function<void()> onChanged;
    std::function<void()> onClose;
    QString caption;  // the program's name, the caption of its boxes

private:
    void changed()
    {
        if (onChanged) onChanged();
    }
    FlshContext* ctx_;
    Screen& screen_;
    QmrWindow* window_;
    uint32_t highest_;
    NotifyTakeover notify_;
    bool closed_ = false;
    QString address_ = QStringLiteral("0"), data_ = QStringLiteral("0");
    int sizeIndex_ = 0;
    bool plusOne_ = true;
    bool buttonsEnabled_ = true;
    int pending_ = 0;
    int size_ = 1;
    uint32_t value_ = 0;
};

}  // namespace qmr::app
