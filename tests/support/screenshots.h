// What the programs' screenshot tools share: the folder the pictures go to,
// a window rendered to a PNG file, the message box that opens next, and the
// tool's main (the simulated link, the application, English then Japanese).
#pragma once

#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QMessageBox>
#include <QPixmap>
#include <QThread>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>

#include "qt/language.h"
#include "support/eventwait.h"

namespace qmrtest {

struct ShotFolder {
    QString dir, prefix;  // prefix: before every picture's name
    const char* tool = "screenshots";
    int failures = 0;
};
inline ShotFolder& shotFolder()
{
    static ShotFolder f;
    return f;
}

inline bool waitUntil(const std::function<bool()>& cond, int ms = 15000) { return qmr::app::processEventsUntil(cond, ms); }

// Lets the window paint what the last events changed.
inline void settle()
{
    for (int i = 0; i < 20; ++i) {
        QCoreApplication::processEvents();
        QThread::msleep(5);
    }
}

// Renders w to <prefix><name>-<lang>.png.
inline void save(QWidget* w, const QString& name, const QString& lang)
{
    settle();
    ShotFolder& f = shotFolder();
    const QPixmap p = w->grab();
    const QString path = QDir(f.dir).filePath(f.prefix + name + "-" + lang + ".png");
    if (p.isNull() || p.width() < 50 || p.height() < 30 || !p.save(path)) {
        std::fprintf(stderr, "%s: %s could not be rendered\n", f.tool, qPrintable(path));
        ++f.failures;
        return;
    }
    std::printf("%s (%dx%d)\n", qPrintable(path), p.width(), p.height());
}

// Saves the next message box that opens under this name, then closes it.
inline void shootNextBox(const QString& name, const QString& lang)
{
    auto tries = std::make_shared<int>(400);
    auto check = std::make_shared<std::function<void()>>();
    *check = [name, lang, tries, check] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(w);
            if (box && box->isVisible()) {
                save(box, name, lang);
                box->accept();
                return;
            }
        }
        if (--*tries > 0) QTimer::singleShot(10, *check);
    };
    QTimer::singleShot(10, *check);
}

// The tool's main: "TOOL DIR"; shoot renders everything in one language.
inline int screenshotMain(int argc, char** argv, const char* tool, const char* prefix, const char* icon,
                          const std::function<void(qmr::app::Language)>& shoot)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIR\n", tool);
        return 2;
    }
    setenv("QMR_LINK", "sim", 1);
    setenv("QMR_SIM_DIR", "", 1);
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Quillmarker"));
    QApplication::setApplicationName(QString::fromLatin1(tool));
    QApplication::setWindowIcon(QIcon(QString::fromLatin1(icon)));
    ShotFolder& f = shotFolder();
    f.dir = QString::fromLocal8Bit(argv[1]);
    f.prefix = QString::fromLatin1(prefix);
    f.tool = tool;
    QDir().mkpath(f.dir);
    shoot(qmr::app::Language::English);
    shoot(qmr::app::Language::Japanese);
    return f.failures ? 1 : 0;
}

}  // namespace qmrtest
