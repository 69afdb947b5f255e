// The programs' numbering of library commands and the rows of a program's
// command table.  A program writes its number into the context's tagA (and
// for device operations tagB) before it calls the export; the library echoes
// both in every record it posts for that command.  Both programs use the
// same numbers up to 26; above that each numbers its own commands.
#pragma once

#include <initializer_list>
#include <vector>

#include "qmr.h"

namespace qmr::app {

namespace cmd {
constexpr int None = 0;
constexpr int Blank = 1;
constexpr int Erase = 2;
constexpr int Program = 3;
constexpr int Verify = 4;
constexpr int Security = 5;
constexpr int UnitChecksum = 6;
constexpr int DeviceChecksum = 7;
constexpr int Epv = 8;
constexpr int SerialEpv = 9;
constexpr int Signature = 10;
constexpr int Start = 12;
constexpr int PrmSend = 13;
constexpr int SetSend = 16;
constexpr int SetUpload = 17;
constexpr int LogInfo = 19;
constexpr int LogClear = 20;
constexpr int HexDownload = 21;
constexpr int HexUpload = 22;
constexpr int HexInfo = 23;
constexpr int SetPrmUpload = 24;  // started by the Setup dialog itself
constexpr int PrmSetList = 25;
constexpr int Progress = 26;      // the progress poll; never pending
constexpr int Firmware = 27;
}  // namespace cmd

// What a command does to the log pane when it is issued.
enum class Clears { No, Yes, BufferOnly };

// One row of a program's command table.
struct CommandRow {
    int pending;            // the number a menu command issues (0: never issued)
    int tagA;               // written to the context's tagA when it starts
    bool deviceOperation;   // also into tagB; its unfinished records ask for progress
    int (*call)(FlshContext*);
    const char* started;    // the log line when it starts, or null
    const char* tag;        // without a library context: the log line,
    const char* noContext;  //   the message (translated),
    const char* second;     //   and the second log line
    bool grays;             // issuing it grays the menu bar
    Clears clears;
    bool busy;              // starting it sets linkIdle and deviceReady to 0
    bool reenables;         // its completion recomputes deviceReady and enables the menu bar
};

// The rows both programs have alike: the device operations but the
// serial-number EPV, and the commands of the start, the files, the image,
// the log and the progress.
std::vector<CommandRow> sharedCommands();
// Rows the programs number on their own.
CommandRow firmwareCommand(int pending, const char* started);
CommandRow setDeleteCommand(int number);
CommandRow sysWriteCommand(int number);
CommandRow readCommand(int number);
// The row of rows with this tagA (the first).
CommandRow& commandRow(std::vector<CommandRow>& rows, int tagA);

inline bool oneOf(int v, std::initializer_list<int> list)
{
    for (int x : list)
        if (x == v) return true;
    return false;
}

}  // namespace qmr::app
