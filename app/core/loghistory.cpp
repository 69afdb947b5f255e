#include "core/loghistory.h"

#include "core/inputfile.h"
#include "core/text.h"
#include "core/logtext.h"

namespace qmr::app {

LogHistoryLogic::LogHistoryLogic(Screen& screen, int standaloneOp, int32_t okCount, int32_t ngCount,
                                 const std::array<uint16_t, 32>& ngList, bool english)
    : screen_(screen), op_(standaloneOp), ok_(okCount < 0 ? 0 : okCount), ng_(ngCount < 0 ? 0 : ngCount)
{
    for (const LogRow& r : logHistoryRows(ng_, ngList, english))
        rows_.append({QString::fromStdString(r.number), QString::fromStdString(r.message)});
    list_ = ngList;
    english_ = english;
}

QString LogHistoryLogic::label() const { return QString::asprintf("%s OK / NG Count : ", standaloneName(op_)); }

QString LogHistoryLogic::fileText() const
{
    return QString::fromStdString(logHistoryText(op_, ok_, ng_, list_, english_));
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
