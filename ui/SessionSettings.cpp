#include "ui/SessionSettings.h"

#include <algorithm>
#include <string>

#include "engine/IniFile.h"
#include "engine/SettingsPath.h"
#include "ui/UiText.h"

namespace {

const char* const kSection = "Session";
const char* const kFolderKey = "Dossier";
const char* const kMainKey = "Fenetre";
const char* const kPreviewKey = "Apercu";

std::string recentKey(int i)
{
    return "Fichier " + std::to_string(i + 1);
}

std::string utf8(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

bool storable(const QString& path)
{
    return !path.isEmpty() && path == path.trimmed() && !path.contains(QLatin1Char('\n')) &&
           !path.contains(QLatin1Char('\r'));
}

// "x,y,width,height"
QRect readRect(const IniFile& ini, const char* key)
{
    const QStringList parts =
        settingsTextToQString(ini.readString(kSection, key, "")).split(QLatin1Char(','));
    if (parts.size() != 4)
        return {};
    int v[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        v[i] = parts[i].trimmed().toInt(&ok);
        if (!ok)
            return {};
    }
    if (v[2] <= 0 || v[3] <= 0)
        return {};
    return QRect(v[0], v[1], v[2], v[3]);
}

// Writes what `change` sets, if the file can be prepared and saved.
template <typename Change> void writeSession(Change&& change)
{
    std::string path;
    if (!prepareSettingsForWriting(path, nullptr))
        return;
    IniFile ini(path);
    if (!ini.loadError().empty())
        return;
    change(ini);
    ini.save(nullptr);
}

} // namespace

SessionSettings loadSessionSettings()
{
    const IniFile ini(settingsFilePath());
    SessionSettings s;
    for (int i = 0; i < kMaxRecentFiles; ++i) {
        const QString path = settingsTextToQString(ini.readString(kSection, recentKey(i), ""));
        if (!path.isEmpty() && !s.recentFiles.contains(path))
            s.recentFiles << path;
    }
    s.lastFolder = settingsTextToQString(ini.readString(kSection, kFolderKey, ""));
    s.mainWindow = readRect(ini, kMainKey);
    s.previewWindow = readRect(ini, kPreviewKey);
    return s;
}

QStringList withRecentFile(QStringList list, const QString& path)
{
    list.removeAll(path);
    list.prepend(path);
    while (list.size() > kMaxRecentFiles)
        list.removeLast();
    return list;
}

void saveRecentFiles(const QStringList& files, const QString& lastFolder)
{
    QStringList kept;
    for (const QString& f : files)
        if (storable(f) && kept.size() < kMaxRecentFiles)
            kept << f;
    writeSession([&](IniFile& ini) {
        for (int i = 0; i < kMaxRecentFiles; ++i) {
            const std::string key = recentKey(i);
            // A line of a shorter list is emptied rather than left behind.
            if (i < kept.size())
                ini.writeString(kSection, key, utf8(kept[i]));
            else if (ini.value(kSection, key))
                ini.writeString(kSection, key, "");
        }
        if (storable(lastFolder))
            ini.writeString(kSection, kFolderKey, utf8(lastFolder));
    });
}

void saveWindowRect(SessionWindow window, const QRect& rect)
{
    if (!rect.isValid())
        return;
    const std::string text = std::to_string(rect.x()) + "," + std::to_string(rect.y()) + "," +
                             std::to_string(rect.width()) + "," + std::to_string(rect.height());
    writeSession([&](IniFile& ini) {
        ini.writeString(kSection, window == SessionWindow::Main ? kMainKey : kPreviewKey, text);
    });
}

QRect onVisibleScreen(const QRect& stored, const QList<QRect>& screens)
{
    if (screens.isEmpty() || !stored.isValid())
        return stored;
    QRect screen = screens.constFirst();
    for (const QRect& s : screens)
        if (s.contains(stored.center())) {
            screen = s;
            break;
        }
    QRect r = stored;
    r.setWidth(std::min(r.width(), screen.width()));
    r.setHeight(std::min(r.height(), screen.height()));
    if (r.right() > screen.right())
        r.moveRight(screen.right());
    if (r.bottom() > screen.bottom())
        r.moveBottom(screen.bottom());
    if (r.left() < screen.left())
        r.moveLeft(screen.left());
    if (r.top() < screen.top())
        r.moveTop(screen.top());
    return r;
}
