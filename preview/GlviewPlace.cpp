// Where the preview opens and what its stock box starts as: the size and
// place the user left it at (or a usable size centred over the main window),
// and a stock box as large as the program.
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <cmath>

#include "engine/Gcode.h"
#include "preview/Glview.h"
#include "preview/Trajectoires.h"
#include "ui/SessionSettings.h"
#include "ui/WindowText.h"

namespace {

// A size to look at a part at, shrunk on a small screen.
constexpr int kUsableWidth = 900;
constexpr int kUsableHeight = 640;

// Whole units up from `value`, at least 1.
float roundedUp(float value)
{
    return std::max(1.0f, std::ceil(value - 1e-4f));
}

QString millimetres(int language, double value)
{
    QString text = QString::number(value, 'f', 1);
    if (language != 2)
        text.replace(QLatin1Char('.'), QLatin1Char(','));
    return text;
}

} // namespace

void TGLForm::placeWindow()
{
    // A window of its own (tests, the benchmark) keeps the designed size.
    if (parentWidget() == nullptr)
        return;
    QList<QRect> screens;
    for (const QScreen* screen : QGuiApplication::screens())
        screens << screen->availableGeometry();
    const QRect stored = loadSessionSettings().previewWindow;
    if (!stored.isNull()) {
        setGeometry(onVisibleScreen(stored, screens));
        return;
    }
    const QWidget* over = parentWidget() != nullptr ? parentWidget()->window() : nullptr;
    QRect area =
        screens.isEmpty() ? QRect(0, 0, kUsableWidth, kUsableHeight) : screens.constFirst();
    if (over != nullptr && over->isVisible())
        for (const QRect& s : screens)
            if (s.contains(over->frameGeometry().center()))
                area = s;
    QRect r(0, 0, std::min(kUsableWidth, area.width() * 9 / 10),
            std::min(kUsableHeight, area.height() * 9 / 10));
    r.moveCenter(over != nullptr && over->isVisible() ? over->frameGeometry().center()
                                                      : area.center());
    setGeometry(onVisibleScreen(r, screens));
}

void TGLForm::hideEvent(QHideEvent* event)
{
    QDialog::hideEvent(event);
    if (parentWidget() != nullptr)
        saveWindowRect(SessionWindow::Preview, geometry());
}

void TGLForm::stockFromPath()
{
    const piece* store = trajectoryStore.get();
    bool any = false;
    float minX = 0, maxX = 0, minY = 0, maxY = 0, minZ = 0, maxZ = 0;
    // The program's own moves: the park at its end is the machine's.
    if (store != nullptr)
        for (std::size_t i = 0; i < store->segmentCount(); ++i) {
            if (store->isMachineSegment(i))
                continue;
            for (const tpoint1& p : store->segment(i).getPoints()) {
                if (!any) {
                    minX = maxX = p.x;
                    minY = maxY = p.y;
                    minZ = maxZ = p.z;
                    any = true;
                    continue;
                }
                minX = std::min(minX, p.x);
                maxX = std::max(maxX, p.x);
                minY = std::min(minY, p.y);
                maxY = std::max(maxY, p.y);
                minZ = std::min(minZ, p.z);
                maxZ = std::max(maxZ, p.z);
            }
        }
    if (!any) {
        Etendue->clear();
        return;
    }
    // The box stands on the origin: it reaches the path's far side.
    if (maxX > 0.0f)
        stockX = roundedUp(maxX);
    if (maxY > 0.0f)
        stockY = roundedUp(maxY);
    if (maxZ - minZ > 0.0f)
        stockZ = roundedUp(maxZ - minZ);
    XBrut->setText(QString::number(double(stockX)));
    YBrut->setText(QString::number(double(stockY)));
    ZBrut->setText(QString::number(double(stockZ)));

    // Preview units are steps times 0.025; the program's millimetres are
    // steps over the whole steps per millimetre the run used. The machine's
    // Z counts downwards.
    const auto mm = [](float units, float stepsPerMm) {
        const double whole = std::trunc(double(stepsPerMm));
        return whole > 0.0 ? double(units) / 0.025 / whole : 0.0;
    };
    const MachineSettings& m = machineSettings;
    const int l = language;
    Etendue->setToolTip(QString());
    Etendue->setText(
        windowText(l, WindowText::PreviewExtent)
            .arg(millimetres(l, mm(minX, m.stepsPerMmX)), millimetres(l, mm(maxX, m.stepsPerMmX)),
                 millimetres(l, mm(minY, m.stepsPerMmY)), millimetres(l, mm(maxY, m.stepsPerMmY)),
                 millimetres(l, -mm(maxZ, m.stepsPerMmZ)),
                 millimetres(l, -mm(minZ, m.stepsPerMmZ))));
    Etendue->adjustSize();
}
