#include "qt/programmain.h"

#include <QApplication>
#include <QIcon>

#include <cstdio>
#include <string>

#include "qt/display.h"

namespace qmr::app {

namespace {

void usage(FILE* to, const ProgramStart& p)
{
    std::fprintf(to,
                 "usage: %s [--lang en|ja]\n"
                 "  %s\n"
                 "  --lang en|ja   the language (else QMR_LANG, else the system locale)\n"
                 "  QMR_LINK=sim   runs it on %s (see the README)\n",
                 p.name, p.description, p.simulated);
}

}  // namespace

int runProgram(int argc, char** argv, const ProgramStart& p, const std::function<int(Language)>& run)
{
    QString lang;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            usage(stdout, p);
            return 0;
        }
        if (a == "--lang" && i + 1 < argc) {
            lang = QString::fromLocal8Bit(argv[++i]);
            if (!parseLanguage(lang)) {
                std::fprintf(stderr, "%s: --lang takes en or ja, not \"%s\"\n", p.name, argv[i]);
                return 2;
            }
            continue;
        }
        if (a.rfind("-", 0) == 0 && a.rfind("-platform", 0) != 0 && a.rfind("--platform", 0) != 0) {
            std::fprintf(stderr, "%s: unknown option \"%s\"\n", p.name, a.c_str());
            usage(stderr, p);
            return 2;
        }
    }
    std::string why;
    if (!displayAvailable(why)) {
        std::fprintf(stderr, "%s: %s; run it on a desktop, or without a screen as: xvfb-run %s\n", p.name, why.c_str(),
                     argv[0]);
        return 2;
    }
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Quillmarker"));
    QApplication::setApplicationName(QString::fromLatin1(p.name));
    QApplication::setWindowIcon(QIcon(QString::fromLatin1(p.icon)));
    const Language language = chooseLanguage(lang);
    Translations translations;
    if (!translations.install(language)) std::fprintf(stderr, "%s: the Japanese texts could not be loaded\n", p.name);
    return run(language);
}

}  // namespace qmr::app
