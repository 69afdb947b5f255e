#include "qt/language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace qmr::app {

std::optional<Language> parseLanguage(const QString& text)
{
    QString t = text.trimmed().toLower();
    if (t == QLatin1String("en")) return Language::English;
    if (t == QLatin1String("ja")) return Language::Japanese;
    return std::nullopt;
}

Language chooseLanguage(const QString& fromCommandLine)
{
    if (auto l = parseLanguage(fromCommandLine)) return *l;
    if (auto l = parseLanguage(qEnvironmentVariable("QMR_LANG"))) return *l;
    return QLocale::system().territory() == QLocale::Japan ? Language::Japanese : Language::English;
}

Translations::Translations() = default;
Translations::~Translations() { remove(); }

bool Translations::install(Language lang)
{
    remove();
    if (lang == Language::English) return true;
    bool ok = true;
    auto ours = std::make_unique<QTranslator>();
    if (ours->load(QStringLiteral(":/i18n/quillmarker_ja.qm"))) {
        QCoreApplication::installTranslator(ours.get());
        installed_.push_back(std::move(ours));
    } else {
        ok = false;
    }
    auto qt = std::make_unique<QTranslator>();
    if (qt->load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(qt.get());
        installed_.push_back(std::move(qt));
    }
    return ok;
}

void Translations::remove()
{
    for (auto& t : installed_) QCoreApplication::removeTranslator(t.get());
    installed_.clear();
}

}  // namespace qmr::app
