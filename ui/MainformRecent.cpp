// What the main window remembers between sessions: Fichier > Fichiers
// récents, the open dialog's folder, and its own size and place.
#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>

#include "ui/Mainform.h"
#include "ui/SessionSettings.h"
#include "ui/WindowText.h"

void TForm1::rebuildRecentMenu()
{
    if (FichiersRecents1 == nullptr)
        return;
    FichiersRecents1->clear();
    if (recentFiles_.isEmpty()) {
        FichiersRecents1->addAction(windowText(language_, WindowText::RecentFilesNone))
            ->setEnabled(false);
        return;
    }
    for (qsizetype i = 0; i < recentFiles_.size(); ++i) {
        const QString path = recentFiles_[i];
        // "&1 plate.nc  (/home/user/cnc)": the number is the key.
        QString caption = QFileInfo(path).fileName();
        caption.replace(QLatin1Char('&'), QLatin1String("&&"));
        caption = QStringLiteral("&%1 ").arg(i + 1) + caption + QStringLiteral("  (") +
                  QDir::toNativeSeparators(QFileInfo(path).absolutePath())
                      .replace(QLatin1Char('&'), QLatin1String("&&")) +
                  QLatin1Char(')');
        QAction* action = FichiersRecents1->addAction(caption);
        action->setObjectName(QStringLiteral("Recent%1").arg(i + 1));
        connect(action, &QAction::triggered, this, [this, path] {
            if (running_)
                return;
            if (!openSourceFile(path)) {
                // Gone or unreadable: it leaves the list (the error was shown).
                recentFiles_.removeAll(path);
                saveRecentFiles(recentFiles_, lastFolder_);
                rebuildRecentMenu();
            }
        });
    }
}

void TForm1::rememberOpenedFile(const QString& path)
{
    recentFiles_ = withRecentFile(recentFiles_, path);
    lastFolder_ = QFileInfo(path).absolutePath();
    saveRecentFiles(recentFiles_, lastFolder_);
    rebuildRecentMenu();
}

static QList<QRect> availableScreens()
{
    QList<QRect> areas;
    for (const QScreen* screen : QGuiApplication::screens())
        areas << screen->availableGeometry();
    return areas;
}

void TForm1::restoreWindowGeometry(const QRect& stored)
{
    if (!stored.isNull()) {
        setGeometry(onVisibleScreen(stored, availableScreens()));
        return;
    }
    // The first start: centred on the main screen.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect r(QPoint(0, 0), size());
        r.moveCenter(screen->availableGeometry().center());
        move(r.topLeft());
    }
}

void TForm1::saveWindowGeometry()
{
    if (isMaximized() || isFullScreen())
        saveWindowRect(SessionWindow::Main, normalGeometry());
    else
        saveWindowRect(SessionWindow::Main, geometry());
}
