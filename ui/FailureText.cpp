#include "ui/FailureText.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>
#include <algorithm>
#include <cstring>
#include <system_error>
#include <utility>
#include <vector>

#include "ui/ConfigChecks.h"
#include "ui/RunTextKeys.h"
#include "ui/UiText.h"

namespace {

// The system reasons that have texts of their own, and their keys.
struct Reason {
    std::errc code;
    int key;
};
constexpr Reason kReasons[] = {
    {std::errc::no_such_file_or_directory, 69},
    {std::errc::permission_denied, 70},
    {std::errc::operation_not_permitted, 70},
    {std::errc::read_only_file_system, 71},
    {std::errc::no_space_on_device, 72},
    {std::errc::file_too_large, 73},
    {std::errc::not_a_directory, 74},
    {std::errc::io_error, 75},
    {std::errc::filename_too_long, 76},
    {std::errc::too_many_files_open, 77},
    {std::errc::too_many_files_open_in_system, 77},
    {std::errc::device_or_resource_busy, 78},
    {std::errc::text_file_busy, 78},
    {std::errc::too_many_symbolic_link_levels, 79},
    {std::errc::is_a_directory, 59},
    {std::errc::not_enough_memory, 62},
};

int reasonKey(int code)
{
    for (const Reason& r : kReasons)
        if (static_cast<int>(r.code) == code)
            return r.key;
    return -1;
}

// The engine's fixed phrases about the settings file; "%1" holds a system
// reason.
struct Phrase {
    const char* english;
    int key;
};
constexpr Phrase kPhrases[] = {
    {"cannot create a temporary file in its folder (%1)", 80},
    {"could not be read, so it is left unchanged (%1)", 81},
    {"is a folder, not a file", 82},
    {"is not a regular file", 60},
    {"file too large", 73},
};

// The system's words for each reason of ours, longest first, so that no
// reason is replaced inside a longer one.
std::vector<std::pair<QString, int>> systemWords()
{
    std::vector<std::pair<QString, int>> words;
    for (const Reason& r : kReasons) {
        const QString text = QString::fromLocal8Bit(std::strerror(static_cast<int>(r.code)));
        if (!text.isEmpty())
            words.emplace_back(text, r.key);
    }
    std::stable_sort(words.begin(), words.end(),
                     [](const auto& a, const auto& b) { return a.first.size() > b.first.size(); });
    return words;
}

QString localiseReasons(int language, QString text)
{
    for (const auto& [words, key] : systemWords())
        text.replace(words, uiText(language, key));
    for (const Phrase& phrase : kPhrases) {
        const QString english = QString::fromLatin1(phrase.english);
        const qsizetype hole = english.indexOf(QLatin1String("%1"));
        if (hole < 0) {
            text.replace(english, uiText(language, phrase.key));
            continue;
        }
        const QRegularExpression pattern(QRegularExpression::escape(english.left(hole)) +
                                         QStringLiteral("(.*)") +
                                         QRegularExpression::escape(english.mid(hole + 2)));
        const QRegularExpressionMatch match = pattern.match(text);
        if (match.hasMatch())
            text.replace(match.capturedStart(), match.capturedLength(),
                         uiText(language, phrase.key).arg(match.captured(1)));
    }
    return text;
}

} // namespace

QString systemReason(int language, int code, const QString& systemText)
{
    const int key = code != 0 ? reasonKey(code) : -1;
    if (key >= 0)
        return uiText(language, key);
    return systemText;
}

QString localiseEngineFailure(int language, const std::string& text)
{
    // The settings file's name (and where a link to it points) stays as it
    // is, whatever words it holds: it is set aside while the reasons are
    // replaced.
    QString result = settingsTextToQString(text);
    const QString path = settingsTextToQString(settingsFilePath());
    QStringList names{path};
    const QString target = QFileInfo(path).canonicalFilePath();
    if (!target.isEmpty() && target != path)
        names << target;
    std::sort(names.begin(), names.end(),
              [](const QString& a, const QString& b) { return a.size() > b.size(); });
    for (qsizetype i = 0; i < names.size(); ++i)
        result.replace(names[i], QChar(0xE000 + int(i)));
    result = localiseReasons(language, result);
    for (qsizetype i = 0; i < names.size(); ++i)
        result.replace(QChar(0xE000 + int(i)), names[i]);
    return result;
}

QString settingsProblemText(int language, const SettingsProblem& p)
{
    const auto t = [](const std::string& s) { return settingsTextToQString(s); };
    // A key is named as the configuration dialog shows it, in the user's
    // language, with the key of the file after it.
    const auto k = [language](const std::string& key) { return settingsKeyName(language, key); };
    using Kind = SettingsProblem::Kind;
    switch (p.kind) {
    case Kind::Unreadable:
        return uiText(language, 88).arg(localiseEngineFailure(language, p.text));
    case Kind::NotANumber:
        return uiText(language, 83).arg(k(p.key), t(p.text), t(p.used));
    case Kind::NotAWholeNumber:
        return uiText(language, 84).arg(k(p.key), t(p.text), t(p.used));
    case Kind::NoStepsPerMm:
        return uiText(language, 85)
            .arg(k(p.key), t(p.text), k(p.otherKey), t(p.otherText), t(p.used), t(p.otherUsed));
    case Kind::NotASpeed:
        return uiText(language, 86).arg(k(p.key), t(p.text), t(p.used));
    case Kind::BadPrecision:
        return uiText(language, 87).arg(t(p.text), t(p.used));
    case Kind::NotATravel:
        return uiText(language, kTextSettingsTravel).arg(k(p.key), t(p.text));
    }
    return {};
}

QString settingsNotSavedText(int language, const std::string& error)
{
    return uiText(language, 58) + QLatin1Char('\n') + localiseEngineFailure(language, error);
}
