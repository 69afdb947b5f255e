#include "core/commands.h"

#include "core/trmark.h"

namespace qmr::app {

namespace {

#define QMR_CALL(f) [](FlshContext* c) { return f(c, 0); }

const char* const kPrmNotRead = "PRM File is not Read.";
const char* const kForSecurityRead = QT_TRANSLATE_NOOP("ProgramEngine", "Please Read a PRM File for SecurityRead.");
const char* const kForHexDownload = QT_TRANSLATE_NOOP("ProgramEngine", "Please Read a PRM File for Hex Download.");
constexpr Clears Yes = Clears::Yes, No = Clears::No;

}  // namespace

std::vector<CommandRow> sharedCommands()
{
    return {
        {cmd::Blank, cmd::Blank, true, QMR_CALL(QMRFlshBlnk), ">>COMMAND: Blank Check", ">>COMMAND: Blank Check",
         QT_TRANSLATE_NOOP("ProgramEngine", "Please Read a PRM File for BlankCheck."), kPrmNotRead, false, Yes, true, true},
        {cmd::Erase, cmd::Erase, true, [](FlshContext* c) { return QMRFlshErase(c, 0, 0, 0); }, ">>COMMAND: Erase",
         ">>COMMAND: Erase", QT_TRANSLATE_NOOP("ProgramEngine", "Please Read a PRM File for Erase."), kPrmNotRead, true, Yes,
         true, true},
        {cmd::Program, cmd::Program, true, QMR_CALL(QMRFlshProgram), ">>COMMAND: Program", ">>COMMAND: Program",
         QT_TRANSLATE_NOOP("ProgramEngine", "Please Read a PRM File for Program."), kPrmNotRead, true, Yes, true, true},
        {cmd::Verify, cmd::Verify, true, QMR_CALL(QMRFlshVerify), ">>COMMAND: Verify", ">>COMMAND: Verify",
         QT_TRANSLATE_NOOP("ProgramEngine", "Please Read a PRM File for Verify."), kPrmNotRead, true, Yes, true, true},
        {cmd::Security, cmd::Security, true, QMR_CALL(QMRFlshSecurity), ">>COMMAND: Security", ">>COMMAND: Security",
         kForSecurityRead, kPrmNotRead, false, Yes, true, true},
        {cmd::UnitChecksum, cmd::UnitChecksum, false, QMR_CALL(QMRCheckSum), ">>COMMAND: Checksum", ">>COMMAND: Checksum",
         QT_TRANSLATE_NOOP("ProgramEngine", "Checksum NG."), "CHECKSUM NG.", false, No, true, true},
        {cmd::DeviceChecksum, cmd::DeviceChecksum, true, QMR_CALL(QMRFlashCheckSum), ">>COMMAND: Device Checksum",
         ">>COMMAND: Device Checksum", QT_TRANSLATE_NOOP("ProgramEngine", "Please Read a PRM File for Device Checksum."),
         kPrmNotRead, true, Yes, true, true},
        {cmd::Epv, cmd::Epv, true, QMR_CALL(QMRFlshEPV), ">>COMMAND: AutoProcedure(Epv)", ">>COMMAND: AutoProcedure(Epv)",
         QT_TRANSLATE_NOOP("ProgramEngine", "Please Read a PRM File for EPV."), kPrmNotRead, true, Yes, true, true},
        {cmd::Signature, cmd::Signature, true, QMR_CALL(QMRFlshSigread), ">>COMMAND: Signature Read", ">>COMMAND: Signature",
         QT_TRANSLATE_NOOP("ProgramEngine", "Please Read a PRM File for Signature."), kPrmNotRead, true, Yes, true, true},
        {cmd::Start, cmd::Start, false, QMR_CALL(QMRStartCmd), ">>COMMAND: Start Command", ">>COMMAND: Start Command",
         QT_TRANSLATE_NOOP("ProgramEngine", "Flash Open NG."), "Flash Open NG.", true, No, true, true},
        {cmd::PrmSend, cmd::PrmSend, false, QMR_CALL(QMRPRMSend), ">>COMMAND: PRM Send Command", ">>COMMAND: PRM File Send",
         QT_TRANSLATE_NOOP("ProgramEngine", "PRM File Send NG."), "PRM File Send NG.", true, No, true, true},
        {cmd::SetSend, cmd::SetSend, false, QMR_CALL(QMRSETSend), ">>COMMAND: SET Send Command", ">>COMMAND: SET File Send",
         QT_TRANSLATE_NOOP("ProgramEngine", "SET File Send NG."), "SET File Send NG.", true, No, true, false},
        {cmd::SetUpload, cmd::SetUpload, false, QMR_CALL(QMRSETUpLoad), ">>COMMAND: SET UpLoad Command",
         ">>COMMAND: SET File UpLoad", QT_TRANSLATE_NOOP("ProgramEngine", "SET File Upload NG."), "SET File Upload NG.", false,
         No, false, true},
        {cmd::LogInfo, cmd::LogInfo, false, QMR_CALL(QMRLogInfoUpLoad), ">>COMMAND: Logdata Information Command",
         ">>COMMAND: Logdata Infomation", kForSecurityRead, kPrmNotRead, true, Yes, true, true},
        {cmd::LogClear, cmd::LogClear, false, QMR_CALL(QMRLogCntClear), ">>COMMAND: Log Cnt Clear Command",
         ">>COMMAND: Log Cnt Clear", kForSecurityRead, kPrmNotRead, true, Yes, true, true},
        {cmd::HexDownload, cmd::HexDownload, false, QMR_CALL(QMRHexDownLoad), ">>COMMAND: HEX DownLoad Command",
         ">>COMMAND: Hex Download", kForHexDownload, kPrmNotRead, true, Yes, true, true},
        {cmd::HexUpload, cmd::HexUpload, false, QMR_CALL(QMRHexUpLoad), ">>COMMAND: HEX UpLoad Command",
         ">>COMMAND: Hex UplLoad", kForHexDownload, kPrmNotRead, true, Yes, true, true},
        {cmd::HexInfo, cmd::HexInfo, false, QMR_CALL(QMRHexInfoUpLoad), ">>COMMAND: HEX Info UpLoad Command",
         ">>COMMAND: Hex Info UplLoad", kForHexDownload, kPrmNotRead, true, Clears::BufferOnly, true, true},
        {0, cmd::SetPrmUpload, false, QMR_CALL(QMRSETPRMUpLoad), nullptr, nullptr, nullptr, nullptr, false, No, false, false},
        {cmd::PrmSetList, cmd::PrmSetList, false, QMR_CALL(QMRPRMSETListUpLoad),
         ">>COMMAND: PRM SET List Upload & SET Default Get Command", ">>COMMAND: PRM SET List UpLoad Send",
         QT_TRANSLATE_NOOP("ProgramEngine", "PRM File Send NG."), "PRM SET List UpLoad Send NG.", false, Yes, false, false},
        {0, cmd::Progress, false, QMR_CALL(QMRProgress), nullptr, nullptr, nullptr, nullptr, false, No, false, true},
    };
}

CommandRow firmwareCommand(int pending, const char* started)
{
    return {pending, cmd::Firmware, false, QMR_CALL(QMRFIRMUpdate), started, ">>COMMAND: Update Firmware", kForSecurityRead,
            kPrmNotRead, true, No, true, true};
}

CommandRow setDeleteCommand(int number)
{
    return {number, number, false, QMR_CALL(QMRSETFileDelete), ">>COMMAND: SET File Delete Command",
            ">>SET List Delete Command", kForSecurityRead, kPrmNotRead, true, No, false, false};
}

CommandRow sysWriteCommand(int number)
{
    return {number, number, false, QMR_CALL(QMRSysinfowrite), ">>COMMAND: System Info Write Command",
            ">>COMMAND: System Info Write", QT_TRANSLATE_NOOP("ProgramEngine", "System Info Write NG."), "SYSTEM INFO WRITE NG.",
            false, No, false, false};
}

CommandRow readCommand(int number)
{
    return {number, number, false, QMR_CALL(QMRFlshRead), ">>COMMAND: Read Command", ">>COMMAND: Read Command",
            kForHexDownload, kPrmNotRead, true, Yes, true, true};
}

CommandRow& commandRow(std::vector<CommandRow>& rows, int tagA)
{
    for (auto& r : rows)
        if (r.tagA == tagA) return r;
    return rows.front();  // every caller names a row the table has
}

}  // namespace qmr::app
