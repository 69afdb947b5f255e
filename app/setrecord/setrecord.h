// The settings record: the 16384-byte content of a setting file, in the unit
// and on disk.  Packed, little-endian on any host (multi-byte fields are
// byte arrays behind accessors).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace qmr::app {

// Little-endian integers of one-byte alignment.
template <int N>
struct Le {
    uint8_t b[N];
    uint32_t get() const
    {
        uint32_t v = 0;
        for (int i = N - 1; i >= 0; --i) v = (v << 8) | b[i];
        return v;
    }
    void set(uint32_t v)
    {
        for (int i = 0; i < N; ++i) b[i] = static_cast<uint8_t>(v >> (8 * i));
    }
};
using Le16 = Le<2>;
using Le24 = Le<3>;
using Le32 = Le<4>;

#pragma pack(push, 1)
struct SetRecord {
    uint8_t formatVersion;        // 0x000: 2; 1 = deviceNumber counts present devices
    uint8_t reserved001;
    uint8_t prmIdent[44];         // 0x002: the parameter file's identification block
    uint8_t prmWord[2];           // 0x02E: parameter image bytes 46..47
    char setFileName[32];         // 0x030
    uint8_t classBlock[16];       // 0x050: parameter image bytes 48..63
    uint8_t oscMultiplier;        // 0x060: nibble pair, 0 = 1.0
    uint8_t supplyVoltage;        // 0x061: 'P' 5 V, '3' 3.3 V, 0 target voltage
    uint8_t oscSource;            // 0x062: 1 programmer's list, 0 on target
    uint8_t commandOptions;       // 0x063
    uint8_t securityFlags;        // 0x064: a 0 bit means prohibited
    Le24 resetVector;             // 0x065
    uint8_t logRecording;         // 0x068
    uint8_t standaloneOp;         // 0x069
    uint8_t bootBlockEnd;         // 0x06A
    uint8_t protShowAddress;      // 0x06B
    uint8_t reserved06C[4];
    Le32 oscHz;                   // 0x070
    Le32 clockHz;                 // 0x074
    Le32 baudRate;                // 0x078
    Le32 extensionTimeNs;         // 0x07C
    uint8_t reserved080[4];
    Le32 extensionWaitNs;         // 0x084
    uint8_t reserved088[4];
    Le16 fsBlockStart;            // 0x08C
    Le16 fsBlockEnd;              // 0x08E
    uint8_t methodByte0;          // 0x090
    uint8_t commMethod;           // 0x091
    uint8_t commIndex;            // 0x092
    uint8_t commFlags;            // 0x093
    uint8_t reserved094[12];
    uint8_t deviceHead[32];       // 0x0A0: the expected signature
    Le32 deviceTopAddress;        // 0x0C0
    Le16 startBlock;              // 0x0C4
    Le16 endBlock;                // 0x0C6
    uint8_t operationMode;        // 0x0C8: 0 chip, 1 block
    uint8_t deviceNumber;         // 0x0C9
    uint8_t opShowAddress;        // 0x0CA
    uint8_t deviceSlot;           // 0x0CB
    uint8_t reserved0CC[4];
    Le32 rangeStart;              // 0x0D0: 0
    Le32 endBlockAddress;         // 0x0D4
    uint8_t reserved0D8[8];
    uint8_t deviceTail[16];       // 0x0E0
    Le32 blockTable[1024];        // 0x0F0
    Le32 timing[99];              // 0x10F0
    uint8_t reserved127C[4];
    Le32 timingSub1[30];          // 0x1280
    Le32 timingSub2[90];          // 0x12F8
    Le32 timingSub3[8];           // 0x1460
    uint8_t reserved1480[16384 - 0x1480];
};
#pragma pack(pop)

static_assert(sizeof(SetRecord) == 16384, "settings record is 16384 bytes");
static_assert(offsetof(SetRecord, setFileName) == 0x030);
static_assert(offsetof(SetRecord, classBlock) == 0x050);
static_assert(offsetof(SetRecord, oscMultiplier) == 0x060);
static_assert(offsetof(SetRecord, oscHz) == 0x070);
static_assert(offsetof(SetRecord, deviceHead) == 0x0A0);
static_assert(offsetof(SetRecord, endBlockAddress) == 0x0D4);
static_assert(offsetof(SetRecord, blockTable) == 0x0F0);
static_assert(offsetof(SetRecord, timing) == 0x10F0);
static_assert(offsetof(SetRecord, timingSub1) == 0x1280);
static_assert(offsetof(SetRecord, timingSub2) == 0x12F8);
static_assert(offsetof(SetRecord, timingSub3) == 0x1460);

}  // namespace qmr::app
