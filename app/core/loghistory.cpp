#include "core/loghistory.h"

#include "core/inputfile.h"
#include "core/text.h"
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

LogHistoryLogic::LogHistoryLogic(Screen& screen, int standaloneOp, int32_t okCount, int32_t ngCount,
                                 const std::array<uint16_t, 32>& ngList, bool english)
    : screen_(screen), op_(standaloneOp), ok_(okCount < 0 ? 0 : okCount), ng_(ngCount < 0 ? 0 : ngCount)
{
    int n = ng_ < 31 ? ng_ : 31;
    for (int i = 0; i < n; ++i)
        rows_.append({QString::asprintf("%03d", ng_ - i), QString::fromUtf8(checks::targetErrorText(ngList[size_t(i)], english))});
}

QString LogHistoryLogic::label() const { return QString::asprintf("%s OK / NG Count : ", standaloneName(op_)); }

QString LogHistoryLogic::fileText() const
{
    QString t = QString::asprintf("%s OK/NG Count :  %d / %d \r\n", standaloneName(op_), ok_, ng_);
    for (const Row& r : rows_) t += r.number + " " + r.message + "\r\n";
    return t;
}

bool LogHistoryLogic::save()
{
    FileRequest req;
    req.folderKey = QStringLiteral("log");
    req.filters = {{tr("All Files(*.*)"), QStringLiteral("*")}};
    req.overwritePrompt = true;
    FileAnswer a = screen_.saveFile(req);
    if (!a.chosen) return false;
    QByteArray bytes = fileText().toUtf8();
    std::string why;
    if (!writeWholeFile(a.path.toStdString(), bytes.constData(), static_cast<size_t>(bytes.size()), &why)) {
        screen_.message({fmt(tr("The log history could not be written to %s: %s"), s8(a.path).constData(), why.c_str()),
                         caption, Icon::Error});
        if (log) log(fmt(QStringLiteral("Log history not saved: %s: %s"), s8(a.path).constData(), why.c_str()));
        return false;
    }
    if (log) log(fmt(QStringLiteral("Log history saved: %s"), s8(a.path).constData()));
    return true;
}

void LogHistoryLogic::clear()
{
    if (screen_.message({tr("May I delete it ?"), tr("Log history information delete"), Icon::Question, Buttons::OkCancel}) !=
        Answer::Ok)
        return;
    ok_ = ng_ = 0;
    rows_.clear();
    clearRequested_ = true;
}

}  // namespace qmr::app
