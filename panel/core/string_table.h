#pragma once

#include <QLocale>
#include <QString>

#include <optional>

namespace dorvex::panel {

// Language codes double as the thousands of the string identifiers.
inline constexpr int kFrench = 33;
inline constexpr int kEnglish = 44;

// The program's texts in both languages. Text n of a language is stored under
// languageCode * 1000 + n; both languages have the same numbers.
class StringTable {
  public:
    // The text stored under a full identifier, if any.
    static std::optional<QString> Find(int identifier);
    // Text n of the language, or an empty text when it has no entry.
    static QString Text(int languageCode, int n);
    // "Français" or "English"; empty for an unknown code.
    static QString LanguageName(int languageCode);
    static bool IsKnownLanguage(int languageCode);
    // French for a French-speaking locale, English for every other.
    static int LanguageOf(const QLocale& locale);
};

}  // namespace dorvex::panel
