// The gang program's serial-number settings dialog without its window: the
// address, the size (1, 2, 4 or 8 bytes), the base number (up to 64 bits)
// and the direction the numbers of the eight positions take.  OK stores the
// settings; the EPV that uses them starts from the EPV command or the gang
// box's start button.
#pragma once

#include <QCoreApplication>
#include <QString>

#include <cstdint>

#include "core/screen.h"

namespace qmr::app {

struct SerialSettings {
    bool configured = false;
    uint32_t address = 0;
    int size = 1;        // bytes: 1, 2, 4 or 8
    uint64_t base = 0;   // the number of position 1; high word in the upper half
    bool down = false;   // " -1"
};

class SerialSettingsLogic {
    Q_DECLARE_TR_FUNCTIONS(SerialSettingsLogic)
public:
    // highest: the last address of the setting's operation range.
    SerialSettingsLogic(Screen& screen, const SerialSettings& current, uint32_t highest);

    // What the dialog shows when it opens.
    QString addressText() const { return address_; }
    int sizeIndex() const { return sizeIndex_; }  // 0..3 for 1, 2, 4, 8 bytes
    QString dataText() const { return data_; }
    bool plusOne() const { return plusOne_; }

    // "設定": false (after its box) when the address or the data are illegal.
    bool ok(const QString& address, int sizeIndex, const QString& data, bool plusOne);
    const SerialSettings& result() const { return result_; }

private:
    Screen& screen_;
    uint32_t highest_;
    SerialSettings result_;
    QString address_, data_;
    int sizeIndex_ = 0;
    bool plusOne_ = true;
};

// The read dialog ("ﾘｰﾄﾞﾃﾞﾊﾞｲｽ"): one box per socket, only the sockets that
// hold a unit can be ticked.
class ReadDialogLogic {
public:
    explicit ReadDialogLogic(const std::array<bool, 8>& present) : present_(present) {}
    bool present(int position) const { return position >= 1 && position <= 8 && present_[size_t(position - 1)]; }
    bool ticked(int position) const { return present(position) && ticked_[size_t(position - 1)]; }
    void tick(int position, bool on)
    {
        if (present(position)) ticked_[size_t(position - 1)] = on;
    }
    int count() const
    {
        int n = 0;
        for (int p = 1; p <= 8; ++p) n += ticked(p);
        return n;
    }

private:
    std::array<bool, 8> present_;
    std::array<bool, 8> ticked_{};
};

}  // namespace qmr::app
