/*
 * qmr.h - the exported interface of the device-control library.
 *
 * One source builds two libraries: qmrctl (the single programmer unit) and
 * qmrmulti (the gang box of eight units).  A program built against qmrmulti
 * defines QMR_GANG before including this header, which selects the gang
 * build's context layout.  Exports are declared in the order of the build's
 * export table; the linker version scripts keep the same order.
 *
 * Every command export only records its arguments in the context and hands
 * the command to the context's worker thread; the outcome arrives as
 * progress records in the context's ring, each announced by one call of the
 * notify target's post function (from the worker thread).  The caller answers
 * each announcement with exactly one QMRFlshGetProg.
 */
#ifndef QMR_QMR_H
#define QMR_QMR_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define QMR_API __attribute__((visibility("default")))
#else
#define QMR_API
#endif

/* ---- sizes ------------------------------------------------------------ */
#define QMR_RING_SIZE 1000          /* progress records per context */
#define QMR_TEXT_SIZE 256           /* title and text of a progress record */
#define QMR_SETTINGS_SIZE 16384     /* the settings record buffer */
#define QMR_TRANSFER2_SIZE 32768    /* the second transfer buffer */
#define QMR_PRM_IMAGE_SIZE 23712    /* parameter file bytes a PrmRecord holds */
#define QMR_PRM_NAME_ENTRY 36       /* one parameter name list entry */
#define QMR_PRM_NAME_MAX 255        /* the unit counts its parameter files in a byte */
#define QMR_SET_NAME_ENTRY 69       /* one settings name list entry (65 bytes received) */
#define QMR_SET_NAME_DATA 65
#define QMR_SYSTEM_TEXT_MAX 64      /* image name text returned at initialization */
#define QMR_UNIT_INFO_SIZE 57       /* system-information block */
#define QMR_UNITS 8                 /* unit positions of the gang box */

#ifdef QMR_GANG
#define QMR_SET_ENTRIES 8           /* settings files a gang box stores */
#define QMR_CALLER_AREA_SIZE 16384
#else
#define QMR_SET_ENTRIES 50          /* settings files a single unit stores */
#define QMR_CALLER_AREA_SIZE 32768
#endif

/* ---- window messages the library and the programs use ----------------- */
#define QMR_MSG_PROGRESS 2025u      /* the programs' notify message */
#define QMR_MSG_HEXLOADED 2024u     /* the image loader's completion */

/* ---- thread messages of the command worker ------------------------------ */
enum {
    QMR_TM_FIRST = 1124,
    QMR_TM_QUIT = 1125,
    QMR_TM_RESET = 1126,
    QMR_TM_DEVICEINFO = 1127,
    QMR_TM_PROGRESS = 1128,
    QMR_TM_EPV = 1129,
    QMR_TM_EXPEPV = 1130,
    QMR_TM_BLANK = 1131,
    QMR_TM_ERASE = 1132,
    QMR_TM_PROGRAM = 1133,
    QMR_TM_VERIFY = 1134,
    QMR_TM_SECURITY = 1135,
    QMR_TM_CHECKSUM = 1136,
    QMR_TM_FLASHCHECKSUM = 1137,
    QMR_TM_SIGREAD = 1138,
    QMR_TM_ABORT = 1139,
    QMR_TM_MODECHANGE = 1144,
    QMR_TM_V850SELF = 1145,
    QMR_TM_LAST_DEVICE = 1146,      /* 1126..1146 are dropped while busy */
    QMR_TM_STARTCMD = 1147,
    QMR_TM_PRMSEND = 1148,
    QMR_TM_PRMUPLOAD = 1149,
    QMR_TM_PRMLIST = 1150,
    QMR_TM_SETSEND = 1151,
    QMR_TM_SETUPLOAD = 1152,
    QMR_TM_SETLIST = 1153,
    QMR_TM_SETPRMUPLOAD = 1154,
    QMR_TM_HEXDOWNLOAD = 1155,
    QMR_TM_HEXUPLOAD = 1156,
    QMR_TM_HEXINFO = 1157,
    QMR_TM_READ = 1158,
    QMR_TM_LOGINFO = 1159,
    QMR_TM_LOGCLEAR = 1160,
    QMR_TM_PRMSETLIST = 1161,
    QMR_TM_SETDELETE = 1162,
    QMR_TM_SETDEFGET = 1163,
    QMR_TM_SETDEFSET = 1164,
    QMR_TM_FIRMUPDATE = 1165,
    QMR_TM_SYSREAD = 1166,
    QMR_TM_SYSWRITE = 1167,
    QMR_TM_BUILDNO = 1168,
    QMR_TM_GUIQUIT = 1169,
    QMR_TM_SBTNINFO = 1170,
    QMR_TM_BTNMASK = 1171,
    QMR_TM_LAST_GANG = 1172,
    QMR_TM_LAST_SINGLE = 1170
};

/* ---- worker states ------------------------------------------------------ */
#define QMR_STATE_IDLE 13

/* ---- library result codes (beside the unit's status codes) ------------- */
#define QMR_OK 0
#define QMR_E_NOTFOUND 32           /* no unit found, or it could not be opened */
#define QMR_E_NULL 100              /* NULL context; device information unreadable */
#define QMR_E_SHORTWRITE 107
#define QMR_E_OPEN 108
#define QMR_E_SHORTREAD 122         /* too few bytes, time-out, oversized answer */
#define QMR_E_READ 123
#define QMR_E_LINK 131              /* write failed, or the link is not open */
#define QMR_E_RANGE 141             /* a size from the unit or the caller exceeds its buffer */
#define QMR_E_FIRMWARE 238          /* a unit version word holds 0xEE */

/* ---- unit status codes the programs act on (texts: the status table) --- */
#define QMR_ST_OK 1
#define QMR_ST_NO_ROOM 4            /* no vacant NAND territory */
#define QMR_ST_NO_PRM 5             /* no such parameter file */
#define QMR_ST_NO_SET 6             /* no such setting file */
#define QMR_ST_NO_HEX 8             /* no image */
#define QMR_ST_ECC 13               /* uncorrectable ECC error on a NAND read */
#define QMR_ST_FIRMWARE 15          /* the unit needs a firmware update */
#define QMR_ST_NAND_PROGRAM 18      /* NAND program defect */
#define QMR_ST_TABLE 24             /* the management table may be broken */
#define QMR_ST_NAND_READ_FATAL 34   /* NAND read error, cannot go on */
#define QMR_ST_NAND_READ 35         /* NAND read error, can go on */
#define QMR_ST_OTHER 255
#define QMR_TE_WRITTEN 40           /* target error: a blank check found data */

/* ---- phases: the tagB of records that fail inside a longer command ------ */
#define QMR_PHASE_CHECKSUM 6        /* the stored image's checksum */
#define QMR_PHASE_START 12          /* initialization ends with the firmware error */
#define QMR_PHASE_PRM_UPLOAD 14     /* a parameter file upload */
#define QMR_PHASE_START_STATUS 15   /* the unit refused the start */
#define QMR_PHASE_SET_UPLOAD 17     /* a settings file upload */
#define QMR_PHASE_SET_LIST 18       /* the settings name list is broken */

/* ---- notify target ------------------------------------------------------ */
/* The window handle QMRFlshOpen takes.  post() is called from the worker
 * thread once per progress record appended to the ring; a program forwards
 * it into its own event loop.  A NULL window posts nothing. */
typedef struct QmrWindow {
    void (*post)(struct QmrWindow* self, uint32_t message, uintptr_t wParam,
                 intptr_t lParam);
} QmrWindow;

#pragma pack(push, 1)

/* One entry of the progress ring. */
typedef struct ProgressRecord {
    char title[QMR_TEXT_SIZE];
    char text[QMR_TEXT_SIZE];
    int32_t state;    /* worker state at posting */
    int32_t code;     /* 0 progress/success, else status, target error or library code */
    int32_t tagA;     /* the context's tagA */
    int32_t tagB;     /* tagA, tagB or a phase number */
    int32_t percent;  /* 0..100 */
    int32_t scale;    /* always 100 */
    int32_t done;     /* 1 on the first of two final records of initialization / settings upload */
    uint8_t spare[36];
} ProgressRecord;

/* Caller-owned reset parameters, copied whole into the context.  The
 * library reads only the command option, the sequence flags and resetWord. */
typedef struct ResetParams {
    uint8_t reserved0[18];
    uint8_t cmdOption;
    uint8_t seqFlags;
    uint8_t reserved1[4];
    uint32_t resetWord;
} ResetParams;

/* A parameter file read by QMRReadPRM: the file's bytes at a fixed place. */
typedef struct PrmRecord {
    uint8_t prmReserved[12631];
    uint32_t prmFileSize;
    uint8_t prmImage[QMR_PRM_IMAGE_SIZE];
    uint32_t reserved;
    uint32_t reservedFlags;
} PrmRecord;

/* Result slot of one unit position of the gang box. */
typedef struct UnitSlot {
    int32_t finished;
    int32_t active;          /* takes part in the running device operation */
    int32_t percent;
    int32_t error;           /* target error code */
    uint8_t securityOk;      /* last security operation answered 6 */
    uint8_t deviceChecksum[2]; /* last device checksum, wire order */
    uint8_t signature[27];   /* last signature bytes */
    uint8_t spare[5];
} UnitSlot;

#pragma pack(pop)

/* The per-link context.  Its layout is shared by the library and the
 * programs: fields marked (caller) are the programs' to read or write. */
typedef struct FlshContext {
    char name[256];
    QmrWindow* notifyWindow;
    uint32_t notifyMessage;
    uint32_t unused1;
    void* workerThread;
    uint32_t workerThreadId;
    void* event;              /* "FlshQmrEv" */
    void* lock;               /* "FlshQmrSem": guards the ring and copied arguments */
    ProgressRecord ring[QMR_RING_SIZE];
    int32_t ringRead;
    int32_t ringWrite;
    int32_t ringSpare;
    int32_t state;
    int32_t busy;
    int32_t abortRequested;
    ResetParams resetParams;
    uint8_t unused2[17];
    PrmRecord prm;
    uint8_t callerArea[QMR_CALLER_AREA_SIZE]; /* (caller) left to the program */
    uint8_t cmdOption;
    uint8_t seqFlags;
    uint8_t unused3[8];
    int32_t link;
    int32_t link2;
    uint8_t unused4[11];
    int32_t resetWord;

    /* transfer words and name lists */
    char systemText[QMR_SYSTEM_TEXT_MAX + 1]; /* name of the image stored in the unit */
    uint8_t prmNameList[QMR_PRM_NAME_MAX][QMR_PRM_NAME_ENTRY]; /* bytes 0..3: identity, 4..35: name */
    int32_t prmNameCount;
    int32_t prmListSelection; /* (caller) entry whose file QMRSETPRMUpLoad fetches without a settings file */
    uint8_t setNameList[QMR_SET_ENTRIES][QMR_SET_NAME_ENTRY]; /* number, parameter name[32], setting name[32] */
    int32_t setNameCount;     /* entries that hold a stored settings file */
    uint8_t setDeleteNumber;  /* (caller) settings number QMRSETFileDelete deletes */
    int32_t multiDelete;      /* (caller, gang) delete the entries marked in setNameList */

    /* the image to download (caller) and the image held by the unit */
    char hexFileName[512];    /* (caller) sent with the image download */
    uint8_t hexSecurity;      /* (caller) first byte of the image header */
    char hexTimestamp[16];    /* (caller) "YYYYMMDDhhmmss" */
    uint8_t* hexImage;        /* (caller) hexSize bytes to download */
    uint32_t hexSize;         /* (caller) image size; set by the image upload */
    uint32_t hexStart;
    uint32_t hexHighest;
    uint16_t hexSum;
    uint32_t hexCrc;          /* (caller) CRC-32/BZIP2 of hexImage */
    uint8_t* uploadBuffer;    /* (caller) 8 MB: the image upload's destination */
    uint8_t* readBuffer;      /* (caller) 4 MB: the target read's destination */
    uint32_t readEnd;         /* (caller) bytes the target read fetches */
    uint8_t readUnit;         /* (caller, gang) unit position 1..8 to read from */
    const uint8_t* firmwareImage; /* (caller) firmware image to send */
    uint32_t firmwareSize;
    uint32_t unitImageStart;  /* image information upload: the unit's image */
    uint32_t unitImageEnd;
    uint32_t unitImageSize;
    uint32_t unitImageCrc;
    uint8_t unitImageKind;
    uint16_t imageChecksum;   /* 16-bit checksum of the unit's image (QMRCheckSum) */

    /* device operation results (single unit; the gang build keeps them per unit) */
    uint8_t securityResult;   /* 1 when the last security operation answered 6 */
    uint8_t deviceChecksum[2];/* last device checksum, wire order */
    uint8_t signature[27];    /* last signature bytes */

    /* serial numbers of the expansion EPV (caller) */
    uint32_t serialAddress;
    uint8_t serialSize;       /* 1, 2 or 4 bytes (gang: also 8) */
    uint32_t serialValue;     /* single unit: the serial number */
    uint32_t unitSerial[QMR_UNITS][2]; /* (caller, gang) per unit position: the serial number's
                                          high and low word (1, 2 and 4 bytes: the low word) */

    /* log and system information */
    uint32_t okCount;
    uint32_t ngCount;
    uint16_t ngList[32];      /* status codes of the last NGs, newest first */
    uint8_t sysValues[2];     /* (caller) the two system-information values */

    int32_t mode;
    int32_t english;          /* (caller) 0 Japanese texts, else English */
    int32_t tagA;             /* (caller) */
    int32_t tagB;             /* (caller) */
    uint8_t unitInfo[QMR_UNIT_INFO_SIZE]; /* system-information block, see qmr_info_* */
    uint8_t usbSerial[16];
    uint8_t settingsRecord[QMR_SETTINGS_SIZE];
    uint8_t transfer2[QMR_TRANSFER2_SIZE];
    uint8_t settingsNumber;   /* (caller) settings slot the next commands concern */
    int32_t settingsNumberValid;
    uint8_t settingsNumberChosen; /* (caller) slot for an upload */
    int32_t setValid;         /* the unit holds a default settings file */
    int32_t setupInfoValid;   /* a settings file was uploaded at initialization */
    int32_t logClearPending;  /* (caller) single unit: clear OK/NG counts at initialization */
    uint16_t buildNumber;     /* unit firmware build, host order */
#ifdef QMR_GANG
    UnitSlot units[QMR_UNITS];
    uint8_t buttonMask;       /* 1 while start buttons are masked */
    uint8_t startButtons;     /* start-button state last read */
    int32_t firmwareTarget;   /* (caller) 1 gang box itself, else its units */
#endif
    uint8_t lastStatus;       /* last status byte the unit answered */
} FlshContext;

/* ---- the program-image loader ------------------------------------------ */
#define QMR_IMAGE_SIZE 0x800000u      /* 8 MB of address space */
#define QMR_IMAGE_ALLOC 0x801000u     /* plus a 4 KB margin for a record's tail */
#define QMR_FW_CHECK_NONE 0
#define QMR_FW_CHECK_UNIT 1           /* "vexor" marker */
#define QMR_FW_CHECK_GANG 2           /* "vexorgang" marker (gang build) */

/* Loader results. */
#define QMR_HEX_OK 0
#define QMR_HEX_EFILE 2               /* file unreadable or image not allocated */
#define QMR_HEX_ERANGE 3              /* a data record at or above 8 MB */
#define QMR_HEX_EMARKER 4             /* firmware identity marker missing */
#define QMR_HEX_ECHECKSUM 5           /* wrong record checksum */

typedef struct HexProgressRecord {
    char text[QMR_TEXT_SIZE];  /* "Success read HEX file." / "Error read HEX file." */
    int32_t phase;             /* 5: load finished */
    int32_t result;            /* QMR_HEX_* */
    int32_t percent;
    int32_t scale;
    int32_t year, month, day, hour, minute, second; /* file time, local */
} HexProgressRecord;

typedef struct HexContext {
    uint8_t* imageBuffer;      /* QMR_IMAGE_ALLOC bytes, 0xFF where no data */
    char* fileText;            /* the whole file */
    char fileName[256];
    char auxName[256];
    uint32_t fileSize;
    int32_t loadState;         /* 0 loading, 1 loaded, 2 failed; set last (release), read
                                  it with an acquire load when no window is given */
    uint32_t imageStart;       /* always 0 */
    uint32_t highestAddress;
    uint32_t imageSize;        /* highestAddress rounded up to whole 512-byte pages */
    QmrWindow* notifyWindow;
    uint32_t notifyMessage;
    void* loaderThread;
    uint32_t loaderThreadId;
    void* event;               /* "HexQmrEv" */
    void* semaphore;           /* "HexQmrSem" */
    HexProgressRecord ring[QMR_RING_SIZE];
    uint32_t ringRead;
    uint32_t ringWrite;
    uint16_t imageSum;         /* 0 minus the byte sum from lowest to highest */
    uint32_t lowestAddress;    /* 0xFFFFFFFF until a record sets it */
    uint32_t highestAddress2;
    uint32_t callerTag;
    uint32_t firmwareCheck;
} HexContext;

/* ---- exports, in export-table order ------------------------------------- */
QMR_API int QMRGetVersion(void);
QMR_API struct HexContext* QMRHexOpen(const char* path, QmrWindow* window,
                                      uint32_t message, const char* auxName,
                                      uint32_t callerTag, uint32_t firmwareCheck);
QMR_API struct HexProgressRecord* QMRHexGetProg(struct HexContext* hex);
QMR_API void QMRHexClose(struct HexContext* hex);
QMR_API PrmRecord* QMRReadPRM(const char* path, int unused);
QMR_API void QMRFreePRM(PrmRecord* record);
QMR_API FlshContext* QMRFlshOpen(QmrWindow* window, uint32_t message, const char* name);
QMR_API void QMRFlshClose(FlshContext* ctx);
QMR_API int QMRFlshReset(FlshContext* ctx, const ResetParams* params, int unused);
QMR_API int QMRFlshCmdOpt(FlshContext* ctx, int option);
QMR_API int QMRFlshSeqFlg(FlshContext* ctx, int flags);
QMR_API int QMRFlshEPV(FlshContext* ctx, int unused);
QMR_API int QMRFlshBlnk(FlshContext* ctx, int unused);
QMR_API int QMRFlshErase(FlshContext* ctx, int unused1, int unused2, int unused3);
QMR_API int QMRFlshProgram(FlshContext* ctx, int unused);
QMR_API int QMRFlshVerify(FlshContext* ctx, int unused);
QMR_API int QMRFlshSecurity(FlshContext* ctx, int unused);
QMR_API int QMRCheckSum(FlshContext* ctx, int unused);
QMR_API int QMRFlshSigread(FlshContext* ctx, int unused);
QMR_API int QMRFlshAbort(FlshContext* ctx, const PrmRecord* record);
QMR_API ProgressRecord* QMRFlshGetProg(FlshContext* ctx);
QMR_API void QMRLogWrite(const char* path, const char* format, ...);
QMR_API int QMRChecksumPRM(const char* path, int unused);
QMR_API int QMRLogInfoUpLoad(FlshContext* ctx, int unused);
QMR_API int QMRLogCntClear(FlshContext* ctx, int unused);
QMR_API int QMRFlshBuildNo(FlshContext* ctx, int unused);
QMR_API int QMRFlshGUIQuit(FlshContext* ctx);
QMR_API int QMRFlshRead(FlshContext* ctx, int unused);
QMR_API int QMRFIRMUpdate(FlshContext* ctx, int unused);
QMR_API int QMRFlashCheckSum(FlshContext* ctx, int unused);
#ifdef QMR_GANG
QMR_API int QMRFlshBtnMask(FlshContext* ctx, int unused);
#endif
QMR_API int QMRFlshEXPEPV(FlshContext* ctx, int unused);
QMR_API int QMRFlshModeChange(FlshContext* ctx, const PrmRecord* record, int mode);
#ifdef QMR_GANG
QMR_API int QMRFlshSBtnInfo(FlshContext* ctx, int unused);
#endif
QMR_API int QMRFlshV850Self(FlshContext* ctx, const PrmRecord* record);
QMR_API int QMRGetDeviceInfo(FlshContext* ctx, int unused);
QMR_API int QMRHexDownLoad(FlshContext* ctx, int unused);
QMR_API int QMRHexInfoUpLoad(FlshContext* ctx, int unused);
QMR_API int QMRHexUpLoad(FlshContext* ctx, int unused);
QMR_API int QMRPRMListUpLoad(FlshContext* ctx, int unused);
QMR_API int QMRPRMSETListUpLoad(FlshContext* ctx, int unused);
QMR_API int QMRPRMSend(FlshContext* ctx, int unused);
QMR_API int QMRPRMUpLoad(FlshContext* ctx, int unused);
QMR_API int QMRProgress(FlshContext* ctx, int unused);
QMR_API int QMRSETDefaultGet(FlshContext* ctx, int unused);
QMR_API int QMRSETDefaultSet(FlshContext* ctx, int unused);
QMR_API int QMRSETFileDelete(FlshContext* ctx, int unused);
QMR_API int QMRSETListUpLoad(FlshContext* ctx, int unused);
QMR_API int QMRSETPRMUpLoad(FlshContext* ctx, int unused);
QMR_API int QMRSETSend(FlshContext* ctx, int unused);
QMR_API int QMRSETUpLoad(FlshContext* ctx, int unused);
QMR_API int QMRStartCmd(FlshContext* ctx, int unused);
QMR_API int QMRSysinforead(FlshContext* ctx, int unused);
QMR_API int QMRSysinfowrite(FlshContext* ctx, int unused);
QMR_API int QMRUSBOpen(FlshContext* ctx, const ResetParams* params, int unused);

/* ---- reading the system-information block ------------------------------ */
/* unitInfo keeps the unit's bytes in wire order (big-endian); these helpers
 * give the values as numbers so that what the unit reports and what a
 * program computes print the same. */
static inline uint32_t qmr_be32(const uint8_t* p)
{
    return ((uint32_t)p[0] << 24) | ((uint32_t)p[1] << 16) | ((uint32_t)p[2] << 8) | p[3];
}
static inline uint16_t qmr_be16(const uint8_t* p)
{
    return (uint16_t)(((unsigned)p[0] << 8) | p[1]);
}
/* Version word of unit position 0..7 (major in the high byte). */
static inline uint16_t qmr_info_version(const FlshContext* c, int unit)
{
    return qmr_be16(&c->unitInfo[5 + 2 * unit]);
}
/* The CRC of the image stored in the unit. */
static inline uint32_t qmr_info_hex_crc(const FlshContext* c)
{
    return qmr_be32(&c->unitInfo[53]);
}
static inline uint8_t qmr_info_default_setting(const FlshContext* c)
{
    return c->unitInfo[2];
}
/* The gang box's own firmware version (major in the high byte); the unit
 * keeps it minor byte first at offsets 3..4. */
static inline uint16_t qmr_info_gang_version(const FlshContext* c)
{
    return (uint16_t)(((unsigned)c->unitInfo[4] << 8) | c->unitInfo[3]);
}
/* Build number of the firmware the system information reports (the gang
 * box's own in the gang build). */
static inline uint16_t qmr_info_build(const FlshContext* c)
{
    return qmr_be16(&c->unitInfo[21]);
}
/* The word of unit position 0..7 at offsets 23..38 (build of that unit). */
static inline uint16_t qmr_info_unit_word(const FlshContext* c, int unit)
{
    return qmr_be16(&c->unitInfo[23 + 2 * unit]);
}
/* The time stamp of the unit's image, 14 characters, NUL-terminated into out[15]. */
static inline void qmr_info_timestamp(const FlshContext* c, char out[15])
{
    int i;
    for (i = 0; i < 14; ++i) out[i] = (char)c->unitInfo[39 + i];
    out[14] = 0;
}

#ifdef __cplusplus
} /* extern "C" */
#endif

/* ---- fixed sizes ------------------------------------------------------- */
#ifdef __cplusplus
static_assert(sizeof(ProgressRecord) == 576, "progress record is 576 bytes");
static_assert(sizeof(ResetParams) == 28, "reset parameters are 28 bytes");
static_assert(sizeof(PrmRecord) == 36355, "parameter record is 36355 bytes");
static_assert(sizeof(UnitSlot) == 51, "unit slot is 51 bytes");
static_assert(sizeof(((FlshContext*)0)->ring) == 1000 * 576, "ring of 1000 records");
static_assert(sizeof(((FlshContext*)0)->settingsRecord) == 16384, "settings area");
static_assert(sizeof(((PrmRecord*)0)->prmImage) == 23712, "parameter image area");
#else
_Static_assert(sizeof(ProgressRecord) == 576, "progress record is 576 bytes");
_Static_assert(sizeof(ResetParams) == 28, "reset parameters are 28 bytes");
_Static_assert(sizeof(PrmRecord) == 36355, "parameter record is 36355 bytes");
_Static_assert(sizeof(UnitSlot) == 51, "unit slot is 51 bytes");
#endif

#endif /* QMR_QMR_H */
