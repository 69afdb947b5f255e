// The log history dialog without its window: the unit's OK and NG counts of
// standalone operation, the reasons of the last NGs, saving them to a text
// file and the request to clear them.
#pragma once

#include <QCoreApplication>
#include <QList>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>

#include "core/logtext.h"
#include "core/screen.h"

namespace qmr::app {

class LogHistoryLogic {
    Q_DECLARE_TR_FUNCTIONS(LogHistoryLogic)
public:
    struct Row {
        QString number, message;
    };
    LogHistoryLogic(Screen& screen, int standaloneOp, int32_t okCount, int32_t ngCount,
                    const std::array<uint16_t, 32>& ngList, bool english);

    QString label() const;  // "%s OK / NG Count : "
    QString okText() const { return QString::asprintf("%6d", ok_); }
    QString ngText() const { return QString::asprintf("%6d", ng_); }
    const QList<Row>& rows() const { return rows_; }
    bool saveEnabled() const { return ok_ || ng_; }
    bool clearEnabled() const { return ok_ || ng_; }
    bool clearRequested() const { return clearRequested_; }

    // "保存": the file dialog, then the text written whole; false (after
    // telling the user) when it could not be written.
    bool save();
    // "消去": asks, then empties the counts and the list.
    void clear();
    // The text "保存" writes.
    QString fileText() const;

    // A line for the main view's log (the save's outcome).
    std::function<void(const QString&)> log;
    // The program's name: the caption of a failure's box.
    QString caption;

private:
    Screen& screen_;
    int op_;
    int32_t ok_, ng_;
    QList<Row> rows_;
    std::array<uint16_t, 32> list_{};
    bool english_ = true;
    bool clearRequested_ = false;
};


}  // namespace qmr::app
