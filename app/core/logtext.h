// The unit's log of standalone operation as text: the rows the log history
// shows and the text its "保存" writes.  No toolkit: the command line uses it.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace qmr::app {

// The name of a standalone operation: "EPV", "Verify", "Erase", "Blank Check", "" for none.
const char* standaloneName(int op);

struct LogRow {
    std::string number;   // "%03d": the NG's number, newest first
    std::string message;  // the target error text of its code
    uint16_t code = 0;
};
// min(ngCount, 31) rows; negative counts count as 0.
std::vector<LogRow> logHistoryRows(int32_t ngCount, const std::array<uint16_t, 32>& ngList, bool english);
// "%s OK/NG Count :  %d / %d \r\n", then "%03d %s\r\n" for each row.
std::string logHistoryText(int standaloneOp, int32_t okCount, int32_t ngCount, const std::array<uint16_t, 32>& ngList,
                           bool english);

}  // namespace qmr::app
