// Fuzzes the parameter image view and the Setup dialog's model: arbitrary
// parameter files through the checks; a file that passes gets its defaults,
// a run of control events chosen by the input, and OK.
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "setrecord/setupmodel.h"

using namespace qmr::app;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The first 16 bytes drive the events, the rest is the parameter file.
    if (size < 16) return 0;
    const uint8_t* ev = data;
    auto prm = std::make_unique<PrmRecord>();
    std::memset(prm.get(), 0, sizeof *prm);
    size_t n = size - 16 < sizeof prm->prmImage ? size - 16 : sizeof prm->prmImage;
    std::memcpy(prm->prmImage, data + 16, n);
    prm->prmFileSize = static_cast<uint32_t>(n);

    PrmView view(*prm);
    PrmCheck check = view.check();
    SetupModel m;
    if (m.load(*prm) != check) __builtin_trap();  // the model and the view must agree
    if (check != PrmCheck::Ok) return 0;
    m.fillDefaults();
    m.selectSetting("FUZZ");
    const Controls& c = m.controls();
    auto pick = [](uint8_t b, size_t count) { return count ? int(b % count) : -1; };
    for (int i = 0; i < 12; ++i) {
        uint8_t b = ev[i + 1];
        switch ((ev[0] + i) % 14) {
        case 0: m.chooseDevice(pick(b, c.device.items.size())); break;
        case 1: m.chooseMethod(pick(b, c.method.items.size())); break;
        case 2: m.setOnTarget(b & 1); break;
        case 3: m.chooseOscillator(pick(b, c.oscillator.items.size())); break;
        case 4: m.chooseSpeed(pick(b, c.speed.items.size())); break;
        case 5: m.chooseMultiplier(pick(b, c.multiplier.items.size())); break;
        case 6: m.setBlockMode(b & 1); break;
        case 7: m.chooseEndBlock(pick(b, c.endBlock.items.size())); break;
        case 8: m.chooseBootBlockEnd(pick(b, c.bootBlockEnd.items.size())); break;
        case 9: m.chooseFsStart(pick(b, c.fsStart.items.size())); break;
        case 10: m.chooseFsEnd(pick(b, c.fsEnd.items.size())); break;
        case 11: m.setSecurity(b % kSecurityBoxes, b & 0x80); break;
        case 12: m.typeOnTargetHz(std::to_string(uint32_t(b) * 250000u)); break;
        case 13: m.typeExtensionTime(std::to_string(b)); break;
        }
    }
    SetupModel::OkResult r = m.ok();
    if (r.record) {
        // A record that was built loads back into a model of the same file.
        SetupModel again;
        again.load(*prm);
        again.fillFromRecord(*r.record);
    }
    return 0;
}
