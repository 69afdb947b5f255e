#include "setrecord/prmview.h"

#include "core/trmark.h"

namespace qmr::app {

const char* prmCheckText(PrmCheck c)
{
    switch (c) {
    case PrmCheck::Ok: return "";
    case PrmCheck::TooShort: return QT_TRANSLATE_NOOP("PrmView", "The parameter file is too short for a device description.");
    case PrmCheck::NoDevice: return QT_TRANSLATE_NOOP("PrmView", "The parameter file describes no device.");
    case PrmCheck::BlockTableOutside: return QT_TRANSLATE_NOOP("PrmView", "A device's block table lies outside the parameter file.");
    case PrmCheck::TimingTableOutside: return QT_TRANSLATE_NOOP("PrmView", "A device's timing table lies outside the parameter file.");
    case PrmCheck::SubTableOutside: return QT_TRANSLATE_NOOP("PrmView", "A timing sub-table lies outside the parameter file.");
    case PrmCheck::ZeroMethodClock: return QT_TRANSLATE_NOOP("PrmView", "A communication method of the parameter file has a clock of 0 Hz.");
    }
    return "";
}

PrmView::PrmView(const PrmRecord& r)
    : img_(r.prmImage), size_(r.prmFileSize < sizeof r.prmImage ? r.prmFileSize : uint32_t(sizeof r.prmImage))
{
}

std::string PrmView::text(uint32_t off, uint32_t max) const
{
    std::string s;
    for (uint32_t i = 0; i < max && byte(off + i); ++i) s += static_cast<char>(byte(off + i));
    return s;
}

int PrmView::methodCount() const
{
    int n = 0;
    while (n < kMethods && byte(methodOffset(n) + 1) != 0) ++n;
    return n;
}

CommMethod PrmView::method(int i) const
{
    CommMethod m;
    uint32_t o = methodOffset(i);
    m.byte0 = byte(o);
    m.code = byte(o + 1);
    m.flags = byte(o + 2);
    m.clock = u32(o + 4);
    m.name = text(o + 8, 24);
    return m;
}

DeviceEntry PrmView::device(int slot) const
{
    DeviceEntry d;
    uint32_t o = deviceOffset(slot);
    d.slot = slot;
    d.firstBlock = u16(o + 30);
    d.highestAddress = u32(o + 32);
    d.blocks = u16(o + 36);
    d.timingTable = byte(o + 38);
    d.name = text(o + 39, 25);
    return d;
}

PrmCheck PrmView::check() const
{
    if (size_ < deviceOffset(kDevices)) return PrmCheck::TooShort;
    bool any = false;
    for (int s = 0; s < kDevices; ++s) {
        DeviceEntry d = device(s);
        if (!d.blocks) continue;
        any = true;
        if (uint32_t(d.firstBlock) + d.blocks > kBlockEndCount || kBlockEnds + 4 * (uint32_t(d.firstBlock) + d.blocks) > size_)
            return PrmCheck::BlockTableOutside;
        if (d.timingTable == 0 || kTimingTables + kTimingTableSize * uint32_t(d.timingTable) > size_)
            return PrmCheck::TimingTableOutside;
        const uint32_t lengths[3] = {30, 90, 8};
        for (int k = 0; k < 3; ++k) {
            uint32_t off = timingWord(d.timingTable, 50 + k);
            bool none = k < 2 ? off == 0xFFFF : off == 0xFFFFFFFF;
            if (!none && (off > size_ || size_ - off < 4 * lengths[k])) return PrmCheck::SubTableOutside;
        }
    }
    if (!any) return PrmCheck::NoDevice;
    // Timing words are converted with the method's fixed clock: 0 Hz has no cycles.
    for (int i = 0; i < methodCount(); ++i) {
        CommMethod m = method(i);
        if ((m.flags & 1) && m.clock == 0) return PrmCheck::ZeroMethodClock;
    }
    return PrmCheck::Ok;
}

}  // namespace qmr::app
