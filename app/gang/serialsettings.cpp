#include "gang/serialsettings.h"

#include "core/images.h"

namespace qmr::app {

namespace {
constexpr int kSizes[4] = {1, 2, 4, 8};
}

SerialSettingsLogic::SerialSettingsLogic(Screen& screen, const SerialSettings& current, uint32_t highest)
    : screen_(screen), highest_(highest), result_(current)
{
    if (!current.configured) {
        address_ = QStringLiteral("0");
        data_ = QStringLiteral("0");
        return;
    }
    address_ = QString::asprintf("%x", current.address);
    for (int i = 0; i < 4; ++i)
        if (kSizes[i] == current.size) sizeIndex_ = i;
    const auto high = static_cast<unsigned>(current.base >> 32), low = static_cast<unsigned>(current.base);
    data_ = current.size == 8 && high ? QString::asprintf("%x%08x", high, low) : QString::asprintf("%x", low);
    plusOne_ = !current.down;
}

bool SerialSettingsLogic::ok(const QString& address, int sizeIndex, const QString& data, bool plusOne)
{
    address_ = address;
    data_ = data;
    sizeIndex_ = sizeIndex < 0 || sizeIndex > 3 ? 0 : sizeIndex;
    plusOne_ = plusOne;
    const int size = kSizes[sizeIndex_];
    uint32_t a = 0;
    if (!parseSerialAddress(address.toStdString(), size, highest_, a)) {
        screen_.message({tr("An address is illegal"), tr("Warning"), Icon::Error, Buttons::Ok, true});
        return false;
    }
    uint64_t v = 0;
    if (!parseSerialData64(data.toStdString(), size, v)) {
        screen_.message({tr("Data are illegal"), tr("Warning"), Icon::Error, Buttons::Ok, true});
        return false;
    }
    result_.size = size;
    result_.address = a;
    // Below 8 bytes the number is the low word; the high word stays.
    result_.base = size == 8 ? v : (result_.base & 0xFFFFFFFF00000000ull) | (v & 0xFFFFFFFFu);
    result_.down = !plusOne;
    result_.configured = true;
    return true;
}

}  // namespace qmr::app
