// The programs' language, chosen once at start-up: --lang en|ja, else the
// environment variable QMR_LANG, else the system locale's territory (Japan
// selects Japanese).  Japanese loads the programs' translation (embedded)
// and Qt's own for its standard buttons and dialogs.
#pragma once

#include <QString>

#include <memory>
#include <optional>
#include <vector>

class QCoreApplication;
class QTranslator;

namespace qmr::app {

enum class Language { English, Japanese };

// "en" or "ja" (case-insensitive); nothing for anything else.
std::optional<Language> parseLanguage(const QString& text);
// The choice for a --lang value (empty when not given).
Language chooseLanguage(const QString& fromCommandLine);

// Holds the translators a language installed; removing it uninstalls them.
class Translations {
public:
    Translations();
    ~Translations();
    Translations(const Translations&) = delete;
    Translations& operator=(const Translations&) = delete;
    // false when a translation the language needs could not be loaded.
    bool install(Language lang);
    void remove();

private:
    std::vector<std::unique_ptr<QTranslator>> installed_;
};

}  // namespace qmr::app
