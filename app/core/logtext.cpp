#include "core/logtext.h"

#include <cstdio>

#include "checks/codes.h"

namespace qmr::app {

const char* standaloneName(int op)
{
    switch (op) {
    case 1: return "EPV";
    case 2: return "Verify";
    case 3: return "Erase";
    case 4: return "Blank Check";
    default: return "";
    }
}

std::vector<LogRow> logHistoryRows(int32_t ngCount, const std::array<uint16_t, 32>& ngList, bool english)
{
    std::vector<LogRow> rows;
    int32_t ng = ngCount < 0 ? 0 : ngCount;
    int n = ng < 31 ? ng : 31;
    for (int i = 0; i < n; ++i) {
        char number[16];
        std::snprintf(number, sizeof number, "%03d", ng - i);
        uint16_t code = ngList[size_t(i)];
        rows.push_back({number, checks::targetErrorText(code, english), code});
    }
    return rows;
}

std::string logHistoryText(int standaloneOp, int32_t okCount, int32_t ngCount, const std::array<uint16_t, 32>& ngList,
                           bool english)
{
    char head[128];
    std::snprintf(head, sizeof head, "%s OK/NG Count :  %d / %d \r\n", standaloneName(standaloneOp), okCount < 0 ? 0 : okCount,
                  ngCount < 0 ? 0 : ngCount);
    std::string t = head;
    for (const LogRow& r : logHistoryRows(ngCount, ngList, english)) t += r.number + " " + r.message + "\r\n";
    return t;
}

}  // namespace qmr::app
