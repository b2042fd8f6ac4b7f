// The preview window: construction, layout, language, check boxes and the
// stock size fields. The OpenGL side is in GlviewPanel.cpp, the mouse in
// GlviewMouse.cpp.
#include "preview/Glview.h"

#include "engine/IniFile.h"
#include "engine/Settings.h"
#include "preview/GlviewFast.h"
#include "ui/MessageBox.h"
#include "ui/UiText.h"

#include <QCheckBox>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace {

// Client area of the window as designed; the panel below the drawing
// surface holds the controls.
constexpr int kFormWidth = 616;
constexpr int kFormHeight = 284;
constexpr int kDesignedPanelHeight = 217;
// The drawing surface is the window's outer height minus this.
constexpr int kControlsAllowance = 100;
// A wheel that has not turned for this long has stopped.
constexpr int kWheelPauseMs = 200;
// Where the framing button stands, right of the G00 and G01 boxes.
constexpr int kCadrerLeft = 120;

QFont tahoma(int pixelSize, bool bold)
{
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

void setTextColour(QWidget* widget, const QColor& colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    palette.setColor(QPalette::ButtonText, colour);
    palette.setColor(QPalette::Text, colour);
    widget->setPalette(palette);
}

// Places a control at its designed position. It may grow to show its whole
// text (fonts on Linux are rarely Tahoma), but never into the next control.
void place(QWidget* widget, int left, int top, int width, int height, int maxWidth, int maxHeight)
{
    QSize hint = widget->sizeHint();
    int w = std::max(width, std::min(hint.width(), maxWidth));
    int h = std::max(height, std::min(hint.height(), maxHeight));
    widget->setGeometry(left, top, w, h);
}

} // namespace

TGLForm::TGLForm(QWidget* parent) : QDialog(parent)
{
    buildLayout();
    // Floating-point exceptions are masked by default on this platform, so a
    // zero window height gives an infinite aspect ratio rather than a trap.
    showRapid = true;
    showFeed = true;
    showStock = false;
    stockX = 20.0f;
    stockY = 50.0f;
    stockZ = 10.0f;
    localise();
    stockFromPath();
    FormCreate();
    placeWindow();
}

TGLForm::~TGLForm()
{
    FormDestroy();
}

void TGLForm::buildLayout()
{
    setObjectName(QStringLiteral("GLForm"));
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    setFont(tahoma(11, false));
    resize(kFormWidth, kFormHeight);
    move(0, 0);

    GLPanel = new PreviewPanel(this, this);
    GLPanel->setObjectName(QStringLiteral("GLPanel"));
    // A click in the view ends the editing of a stock size, so that the
    // Home key frames the path again.
    GLPanel->setFocusPolicy(Qt::ClickFocus);
    GLPanel->setGeometry(0, 0, kFormWidth, kDesignedPanelHeight);

    Panel1 = new QWidget(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(0, kDesignedPanelHeight, kFormWidth, kFormHeight - kDesignedPanelHeight);

    ChkG0 = new QCheckBox(QStringLiteral("G00"), Panel1);
    ChkG0->setObjectName(QStringLiteral("ChkG0"));
    ChkG0->setChecked(true);
    ChkG0->setFont(tahoma(14, true));
    setTextColour(ChkG0, Qt::red);
    place(ChkG0, 24, 4, 57, 17, 200, 23);

    ChkG1 = new QCheckBox(QStringLiteral("G01"), Panel1);
    ChkG1->setObjectName(QStringLiteral("ChkG1"));
    ChkG1->setChecked(true);
    ChkG1->setFont(tahoma(14, true));
    setTextColour(ChkG1, QColor(0, 255, 0));
    place(ChkG1, 24, 27, 57, 14, 200, 20);

    ChkBrut = new QCheckBox(QStringLiteral("Pièce brute"), Panel1);
    ChkBrut->setObjectName(QStringLiteral("ChkBrut"));
    ChkBrut->setChecked(false);
    ChkBrut->setFont(tahoma(15, true));
    setTextColour(ChkBrut, Qt::black);
    place(ChkBrut, 24, 47, 137, 14, 270, 20);

    auto makeLabel = [this](const char* name, const char* caption, int left) {
        auto* label = new QLabel(QString::fromLatin1(caption), Panel1);
        label->setObjectName(QString::fromLatin1(name));
        label->setFont(tahoma(13, false));
        label->adjustSize();
        label->move(left, 40);
        return label;
    };
    Label1 = makeLabel("Label1", "X :", 304);
    Label2 = makeLabel("Label2", "Y :", 413);
    Label3 = makeLabel("Label3", "Z :", 514);
    Etendue = new QLabel(Panel1);
    Etendue->setObjectName(QStringLiteral("Etendue"));
    Etendue->setGeometry(304, 8, 420, 24);

    auto makeEdit = [this](const char* name, const char* text, int left, int width) {
        auto* edit = new QLineEdit(QString::fromLatin1(text), Panel1);
        edit->setObjectName(QString::fromLatin1(name));
        edit->setGeometry(left, 40, width, 21);
        edit->installEventFilter(this);
        return edit;
    };
    XBrut = makeEdit("XBrut", "20", 327, 72);
    YBrut = makeEdit("YBrut", "50", 435, 73);
    ZBrut = makeEdit("ZBrut", "10", 536, 73);

    // Beside the check boxes; never the dialog's default button, which
    // Enter in a stock size would press.
    BtnCadrer = new QPushButton(Panel1);
    BtnCadrer->setObjectName(QStringLiteral("BtnCadrer"));
    BtnCadrer->setAutoDefault(false);
    connect(BtnCadrer, &QPushButton::clicked, this, [this] { BtnCadrerClick(); });
    CadrerKey = new QShortcut(QKeySequence(Qt::Key_Home), this);
    connect(CadrerKey, &QShortcut::activated, this, [this] { BtnCadrerClick(); });

    // toggled also fires when a box is set from code, so the flags never
    // disagree with the boxes.
    connect(ChkG0, &QCheckBox::toggled, this, [this] { ChkG0Click(); });
    connect(ChkG1, &QCheckBox::toggled, this, [this] { ChkG1Click(); });
    connect(ChkBrut, &QCheckBox::toggled, this, [this] { ChkBrutClick(); });

    reportError = [this](const QString& message) { showError(this, message); };

    wheelPause = new QTimer(this);
    wheelPause->setSingleShot(true);
    wheelPause->setInterval(kWheelPauseMs);
    connect(wheelPause, &QTimer::timeout, this, [this] { endInteraction(); });
}

void TGLForm::FormCreate()
{
    setupPixelFormat();
    // The context itself is made when the panel is first shown; the axis
    // cross is compiled then (initializeGraphics).
    angleY = 48.0f;
    angleX = -80.0f;
    angleY2 = 0.0f;
    offsetX = 0.0f;
    offsetY = 0.0f;
    offsetZ = -200.0f;
    nearPlane = 1.0;
    farPlane = 10000.0;
    fieldOfView = 45.0;
    dragRotate = false;
    dragPan = false;
    dragTurn = false;
    mouseHeld = false;
    lastMouseX = 0;
    lastMouseY = 0;
}

void TGLForm::FormDestroy()
{
    destroying = true;
    releaseGraphics();
}

void TGLForm::FormResize()
{
    int panelHeight = std::max(0, frameGeometry().height() - kControlsAllowance);
    panelHeight = std::min(panelHeight, height());
    GLPanel->setGeometry(0, 0, width(), panelHeight);
    Panel1->setGeometry(0, panelHeight, width(), height() - panelHeight);
}

void TGLForm::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    FormResize();
}

void TGLForm::moveEvent(QMoveEvent* event)
{
    QDialog::moveEvent(event);
    // The window manager's frame is known only once the window is placed;
    // the panel's height follows the outer height.
    FormResize();
}

void TGLForm::localise()
{
    // The language is read from the settings file each time a window is
    // built, so a change in the configuration dialog shows at the next
    // opening.
    language = IniFile(settingsFilePath()).readInteger("Langue", "current", 0);
    QString caption = settingsTextToQString(lookupText(language, "35", "Pièce Brute"));
    caption.replace(QLatin1Char('&'), QStringLiteral("&&"));
    ChkBrut->setText(caption);
    setWindowTitle(uiText(language, 33));
    BtnCadrer->setText(menuText(language, 95));
    BtnCadrer->setToolTip(
        uiText(language, 96).arg(CadrerKey->key().toString(QKeySequence::NativeText)));
    // Beside the G00 and G01 boxes, as wide as its caption.
    const int left =
        std::max({kCadrerLeft, ChkG0->geometry().right() + 12, ChkG1->geometry().right() + 12});
    const QSize hint = BtnCadrer->sizeHint();
    BtnCadrer->setGeometry(left, 6, std::max(hint.width(), 80), std::max(hint.height(), 26));
}

void TGLForm::redraw()
{
    if (!destroying)
        GLPanel->update();
}

void TGLForm::ChkG0Click()
{
    showRapid = ChkG0->isChecked();
    redraw();
}

void TGLForm::ChkG1Click()
{
    showFeed = ChkG1->isChecked();
    redraw();
}

void TGLForm::ChkBrutClick()
{
    showStock = ChkBrut->isChecked();
    // Reads the three sizes in order and stops at the first that is no
    // number: the sizes read before it keep their new values.
    if (showStock && readStockSize(XBrut, Label1, stockX) && readStockSize(YBrut, Label2, stockY))
        readStockSize(ZBrut, Label3, stockZ);
    redraw();
}

void TGLForm::XBrutKeyPress(char key)
{
    if (key == '\r') {
        readStockSize(XBrut, Label1, stockX);
        redraw();
    }
}

void TGLForm::XBrutExit()
{
    readStockSize(XBrut, Label1, stockX);
    redraw();
}

void TGLForm::YBrutKeyPress(char key)
{
    if (key == '\r') {
        readStockSize(YBrut, Label2, stockY);
        redraw();
    }
}

void TGLForm::YBrutExit()
{
    readStockSize(YBrut, Label2, stockY);
    redraw();
}

void TGLForm::ZBrutKeyPress(char key)
{
    if (key == '\r') {
        readStockSize(ZBrut, Label3, stockZ);
        redraw();
    }
}

void TGLForm::ZBrutExit()
{
    readStockSize(ZBrut, Label3, stockZ);
    redraw();
}

bool TGLForm::readStockSize(QLineEdit* edit, QLabel* label, float& size)
{
    if (std::optional<float> value = parseStockValue(edit->text())) {
        size = *value;
        return true;
    }
    if (reportError && !reporting) {
        // While the message is up the edit loses focus; that must not
        // report the same text a second time.
        reporting = true;
        reportError(uiText(language, 94).arg(label->text(), edit->text()));
        reporting = false;
    }
    return false;
}

std::optional<float> TGLForm::parseStockValue(const QString& text)
{
    std::string s = text.trimmed().toStdString();
    bool hasPoint = s.find('.') != std::string::npos;
    bool hasComma = s.find(',') != std::string::npos;
    if (hasPoint && hasComma)
        return std::nullopt;
    if (hasComma)
        s[s.find(',')] = '.';
    std::size_t start = 0;
    if (!s.empty() && s[0] == '+')
        start = 1;
    if (start < s.size() && s[start] == '-' && start == 1)
        return std::nullopt;
    // Only digits, one sign, the separator and an exponent: from_chars would
    // also take "inf", "nan" and hexadecimal forms.
    if (start == s.size() || s.find_first_not_of("0123456789+-.eE", start) != std::string::npos)
        return std::nullopt;
    double value = 0.0;
    const char* first = s.data() + start;
    const char* last = s.data() + s.size();
    auto [end, error] = std::from_chars(first, last, value, std::chars_format::general);
    if (error != std::errc() || end != last || !std::isfinite(value) ||
        std::fabs(value) > double(std::numeric_limits<float>::max()))
        return std::nullopt;
    return static_cast<float>(value);
}

bool TGLForm::eventFilter(QObject* watched, QEvent* event)
{
    using KeyHandler = void (TGLForm::*)(char);
    using ExitHandler = void (TGLForm::*)();
    KeyHandler keyPress = nullptr;
    ExitHandler exit = nullptr;
    if (watched == XBrut) {
        keyPress = &TGLForm::XBrutKeyPress;
        exit = &TGLForm::XBrutExit;
    } else if (watched == YBrut) {
        keyPress = &TGLForm::YBrutKeyPress;
        exit = &TGLForm::YBrutExit;
    } else if (watched == ZBrut) {
        keyPress = &TGLForm::ZBrutKeyPress;
        exit = &TGLForm::ZBrutExit;
    }
    if (keyPress && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
            (this->*keyPress)('\r');
        // Every key goes on to the edit unchanged.
    } else if (exit && event->type() == QEvent::FocusOut) {
        // Focus moving to another control ends the edit; the whole window
        // losing focus (another application, a message box) does not.
        Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason && !reporting)
            (this->*exit)();
    }
    return QDialog::eventFilter(watched, event);
}

void TGLForm::setPathMode(PathMode mode)
{
    pathMode_ = mode;
    invalidatePath();
}

void TGLForm::invalidatePath()
{
    if (pathArrays)
        pathArrays->clear();
    if (thinArrays)
        thinArrays->clear();
    thinFailed = false;
    redraw();
}

void TGLForm::setThinning(double frameBudget, std::size_t lineBudget)
{
    frameBudgetMs = frameBudget;
    thinLineBudget = lineBudget;
    if (thinArrays)
        thinArrays->clear();
    thinFailed = false;
}
