// QM: the single-unit programmer program.
#include <QApplication>
#include <QIcon>

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "qm/cqmqmrview.h"
#include "qt/display.h"
#include "qt/language.h"
#include "qt/mainframe.h"

using namespace qmr::app;

namespace {

void usage(FILE* to)
{
    std::fprintf(to,
                 "usage: QM [--lang en|ja]\n"
                 "  The single-unit programmer program for the Quillmarker unit.\n"
                 "  --lang en|ja   the language (else QMR_LANG, else the system locale)\n"
                 "  QMR_LINK=sim   runs it on the built-in simulated unit (see the README)\n");
}

}  // namespace

int main(int argc, char** argv)
{
    // Everything that needs no window is decided before the toolkit starts:
    // without a display it would end the process.
    QString lang;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            usage(stdout);
            return 0;
        }
        if (a == "--lang" && i + 1 < argc) {
            lang = QString::fromLocal8Bit(argv[++i]);
            if (!parseLanguage(lang)) {
                std::fprintf(stderr, "QM: --lang takes en or ja, not \"%s\"\n", argv[i]);
                return 2;
            }
            continue;
        }
        if (a.rfind("-", 0) == 0 && a.rfind("-platform", 0) != 0 && a.rfind("--platform", 0) != 0) {
            std::fprintf(stderr, "QM: unknown option \"%s\"\n", a.c_str());
            usage(stderr);
            return 2;
        }
    }
    std::string why;
    if (!displayAvailable(why)) {
        std::fprintf(stderr, "QM: %s; run it on a desktop, or without a screen as: xvfb-run %s\n", why.c_str(), argv[0]);
        return 2;
    }

    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Quillmarker"));
    QApplication::setApplicationName(QStringLiteral("QM"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/qm.svg")));
    Language language = chooseLanguage(lang);
    Translations translations;
    if (!translations.install(language)) std::fprintf(stderr, "QM: the Japanese texts could not be loaded\n");

    QmLogic::Options options;
    options.english = language == Language::English;
    options.programFolder = QApplication::applicationDirPath();
    CMainFrame* frame = makeQmFrame();
    auto* view = new CQMQMRView(frame, options);
    frame->show();
    view->logic().start();
    int status = app.exec();
    delete frame;  // the view's shutdown tells the unit the program closes
    return status;
}
