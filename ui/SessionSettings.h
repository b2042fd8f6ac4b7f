// What the window remembers from one session to the next, in the settings
// file's section "[Session]": the programs opened last (Fichier > Fichiers
// récents), the folder of the last open dialog, and where the main and
// preview windows stood. Writes go through IniFile, so every other line of
// the file keeps its bytes; a file that cannot be written is left alone
// without a word (nothing of the translation depends on these values).
#pragma once

#include <QRect>
#include <QString>
#include <QStringList>

inline constexpr int kMaxRecentFiles = 8;

struct SessionSettings {
    QStringList recentFiles; // newest first, at most kMaxRecentFiles
    QString lastFolder;
    QRect mainWindow;    // null when never stored
    QRect previewWindow; // null when never stored
};

SessionSettings loadSessionSettings();

// `list` with `path` first, an older entry of the same path dropped, cut to
// kMaxRecentFiles.
QStringList withRecentFile(QStringList list, const QString& path);

// Store the recent files and the last folder / a window's place. A path that
// the file could not hold unchanged (a line break, blanks at either end) is
// not stored.
void saveRecentFiles(const QStringList& files, const QString& lastFolder);
enum class SessionWindow { Main, Preview };
void saveWindowRect(SessionWindow window, const QRect& rect);

// `stored` moved (and shrunk if need be) so that it lies on one of
// `screens` (their available areas): on the screen that holds its centre,
// or on the first screen when none does.
QRect onVisibleScreen(const QRect& stored, const QList<QRect>& screens);
