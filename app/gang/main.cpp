// QuillGANGmarker: the gang programmer program.
#include <QApplication>
#include <QIcon>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "gang/cqmgangview.h"
#include "qt/display.h"
#include "qt/language.h"
#include "qt/mainframe.h"

using namespace qmr::app;

namespace {

void usage(FILE* to)
{
    std::fprintf(to,
                 "usage: QuillGANGmarker [--lang en|ja]\n"
                 "  The gang programmer program for the Quill GANG box of eight units.\n"
                 "  --lang en|ja   the language (else QMR_LANG, else the system locale)\n"
                 "  QMR_LINK=sim   runs it on the built-in simulated gang box (see the README)\n");
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
                std::fprintf(stderr, "QuillGANGmarker: --lang takes en or ja, not \"%s\"\n", argv[i]);
                return 2;
            }
            continue;
        }
        if (a.rfind("-", 0) == 0 && a.rfind("-platform", 0) != 0 && a.rfind("--platform", 0) != 0) {
            std::fprintf(stderr, "QuillGANGmarker: unknown option \"%s\"\n", a.c_str());
            usage(stderr);
            return 2;
        }
    }
    std::string why;
    if (!displayAvailable(why)) {
        std::fprintf(stderr, "QuillGANGmarker: %s; run it on a desktop, or without a screen as: xvfb-run %s\n", why.c_str(),
                     argv[0]);
        return 2;
    }

    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Quillmarker"));
    QApplication::setApplicationName(QStringLiteral("QuillGANGmarker"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/gang/gang.svg")));
    Language language = chooseLanguage(lang);
    Translations translations;
    if (!translations.install(language)) std::fprintf(stderr, "QuillGANGmarker: the Japanese texts could not be loaded\n");

    GangLogic::Options options;
    options.english = language == Language::English;
    options.programFolder = QApplication::applicationDirPath();
    CMainFrame* frame = makeGangFrame();
    auto* view = new CQMGANGView(frame, options);
    frame->show();
    view->logic().start();
    int status = app.exec();
    delete frame;  // the view's shutdown tells the gang box the program closes
    return status;
}
