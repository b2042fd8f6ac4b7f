// Mouse, wheel, check boxes and stock fields of the preview, driven through
// Qt events where the toolkit delivers them.
#include "test_support.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QMouseEvent>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <functional>

namespace {

void mouse(TGLForm& form, QEvent::Type type, QPoint at, Qt::MouseButton button,
           Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QMouseEvent event(
        type, QPointF(at), QPointF(at), type == QEvent::MouseMove ? Qt::NoButton : button,
        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button), modifiers);
    QApplication::sendEvent(form.GLPanel, &event);
}

using View = std::array<float, 6>; // angleY, angleX, angleY2, offsetX, offsetY, offsetZ

View viewOf(const TGLForm& f)
{
    return {f.angleY, f.angleX, f.angleY2, f.offsetX, f.offsetY, f.offsetZ};
}

TEST(PreviewInput, DragsTurnPanAndZoom)
{
    struct Case {
        Qt::MouseButton button;
        Qt::KeyboardModifiers modifiers;
        int dx, dy; // pointer movement in pixels, y downwards
        View expected;
    };
    // Start view 48, -80, 0, 0, 0, -200.
    const Case cases[] = {
        {Qt::LeftButton, Qt::NoModifier, 10, -10, {54, -86, 0, 0, 0, -200}},
        {Qt::LeftButton, Qt::AltModifier, 10, -10, {54, -86, 0, 0, 0, -200}},
        {Qt::LeftButton, Qt::ShiftModifier, 10, -10, {54, -80, -6, 0, 0, -200}},
        {Qt::MiddleButton, Qt::NoModifier, -5, 20, {45, -80, 12, 0, 0, -200}},
        {Qt::RightButton, Qt::NoModifier, 10, -20, {48, -80, 0, 1, 2, -200}},
        {Qt::RightButton, Qt::ShiftModifier, -10, 0, {48, -80, 0, -1, 0, -200}},
        // 0.25 per pixel, moving up brings the model nearer; no pan.
        {Qt::RightButton, Qt::AltModifier, 30, -10, {48, -80, 0, 0, 0, -197.5f}},
        {Qt::RightButton, Qt::AltModifier | Qt::ShiftModifier, 0, 8, {48, -80, 0, 0, 0, -202}},
        {Qt::BackButton, Qt::NoModifier, 10, 10, {48, -80, 0, 0, 0, -200}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.button << " " << c.modifiers.toInt());
        TGLForm form;
        mouse(form, QEvent::MouseButtonPress, {100, 100}, c.button, c.modifiers);
        mouse(form, QEvent::MouseMove, {100 + c.dx, 100 + c.dy}, c.button, c.modifiers);
        View got = viewOf(form);
        for (int i = 0; i < 6; ++i)
            EXPECT_NEAR(got[i], c.expected[i], 1e-4) << i;
    }
}

TEST(PreviewInput, ReleaseOrLeavingEndsTheDrag)
{
    const std::function<void(TGLForm&)> endings[] = {
        [](TGLForm& f) {
            mouse(f, QEvent::MouseButtonRelease, {60, 60}, Qt::LeftButton);
        },
        [](TGLForm& f) {
            QEvent leave(QEvent::Leave);
            QApplication::sendEvent(f.GLPanel, &leave);
        },
        // The panel keeps the pointer while a button is held; moving out of
        // it counts as leaving.
        [](TGLForm& f) {
            mouse(f, QEvent::MouseMove, {f.GLPanel->width() + 5, 60}, Qt::LeftButton);
        },
    };
    for (const auto& end : endings) {
        TGLForm form;
        mouse(form, QEvent::MouseButtonPress, {50, 50}, Qt::LeftButton);
        mouse(form, QEvent::MouseMove, {60, 60}, Qt::LeftButton);
        const View dragged = viewOf(form);
        EXPECT_EQ(dragged, (View{54, -74, 0, 0, 0, -200}));
        end(form);
        // Moving back in without a new press does nothing.
        form.GLPanelMouseMove(80, 20);
        form.GLPanelMouseMove(90, 30);
        EXPECT_EQ(viewOf(form), dragged);
        EXPECT_EQ(QPoint(form.lastMouseX, form.lastMouseY), QPoint(90, 30));
    }
}

QWheelEvent wheelOf(int delta)
{
    return QWheelEvent(QPointF(10, 10), QPointF(10, 10), QPoint(), QPoint(0, delta), Qt::NoButton,
                       Qt::NoModifier, Qt::NoScrollPhase, false);
}

TEST(PreviewInput, WheelNotchMovesSixUnits)
{
    for (auto [delta, offsetZ] : {std::pair(120, -194.0f), {-120, -206.0f}, {360, -182.0f}}) {
        TGLForm form;
        QWheelEvent wheel = wheelOf(delta);
        QApplication::sendEvent(&form, &wheel);
        EXPECT_FLOAT_EQ(form.offsetZ, offsetZ) << delta;
    }
    // Qt hands a wheel event that a widget leaves unaccepted to its parent:
    // no control may keep it from the window.
    TGLForm form;
    for (QWidget* w : form.findChildren<QWidget*>()) {
        QWheelEvent wheel = wheelOf(120);
        QApplication::sendEvent(w, &wheel);
        EXPECT_FALSE(wheel.isAccepted()) << w->objectName().toStdString();
    }
}

TEST(PreviewInput, StockValueTakesPointOrCommaWhateverTheLocale)
{
    const std::pair<const char*, std::optional<float>> cases[] = {
        {"12.5", 12.5f}, {"12,5", 12.5f}, {"20", 20.0f}, {" 7 ", 7.0f},    {"-3,25", -3.25f},
        {"+4", 4.0f},    {".5", 0.5f},    {"5.", 5.0f},  {"1,5E1", 15.0f}, {"", {}},
        {"abc", {}},     {"12.5mm", {}},  {"1,2.3", {}}, {"1.2.3", {}},    {"1,2,3", {}},
        {"inf", {}},     {"nan", {}},     {"0x10", {}},  {"1e39", {}},     {"1e999", {}},
        {"+-4", {}},     {"--4", {}},     {"+", {}},     {"1 000", {}},
    };
    const QLocale saved;
    for (QLocale::Language language : {QLocale::C, QLocale::French, QLocale::German}) {
        QLocale::setDefault(QLocale(language));
        for (const auto& [text, value] : cases)
            EXPECT_EQ(TGLForm::parseStockValue(QString::fromLatin1(text)), value)
                << language << " '" << text << "'";
    }
    QLocale::setDefault(saved);
}

// Collects the reports instead of showing message boxes.
struct Reports {
    explicit Reports(TGLForm& form)
    {
        form.reportError = [this](const QString& m) { messages.push_back(m); };
    }
    std::vector<QString> messages;
};

TEST(PreviewInput, EnterOrLeavingAnEditReadsTheSize)
{
    auto key = [](int code, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        return [=](QLineEdit* edit) {
            QKeyEvent press(QEvent::KeyPress, code, modifiers, code == Qt::Key_A ? "a" : "\r");
            QApplication::sendEvent(edit, &press);
        };
    };
    auto focusOut = [](Qt::FocusReason reason) {
        return [=](QLineEdit* edit) {
            QFocusEvent out(QEvent::FocusOut, reason);
            QApplication::sendEvent(edit, &out);
        };
    };
    struct Trigger {
        std::function<void(QLineEdit*)> fire;
        bool reads;
        const char* typed; // what the edit shows afterwards
    };
    const Trigger triggers[] = {
        {key(Qt::Key_Return), true, ""},
        {key(Qt::Key_Enter, Qt::KeypadModifier), true, ""},
        {focusOut(Qt::TabFocusReason), true, ""},
        {focusOut(Qt::MouseFocusReason), true, ""},
        {key(Qt::Key_A), false, "a"}, // reaches the edit, reads nothing
        // Switching to another window is not leaving the edit.
        {focusOut(Qt::ActiveWindowFocusReason), false, ""},
    };
    for (auto [name, size, start] : {std::tuple("XBrut", &TGLForm::stockX, 20.0f),
                                     {"YBrut", &TGLForm::stockY, 50.0f},
                                     {"ZBrut", &TGLForm::stockZ, 10.0f}})
        for (std::size_t t = 0; t < std::size(triggers); ++t) {
            SCOPED_TRACE(testing::Message() << name << " trigger " << t);
            const Trigger& trigger = triggers[t];
            TGLForm form;
            Reports reports(form);
            auto* edit = form.findChild<QLineEdit*>(name);
            edit->setText("12,5");
            trigger.fire(edit);
            EXPECT_FLOAT_EQ(form.*size, trigger.reads ? 12.5f : start);
            EXPECT_EQ(edit->text(), QStringLiteral("12,5") + trigger.typed);
            // Bad text: reported once, the size stays.
            edit->setText("7,5 mm");
            trigger.fire(edit);
            EXPECT_FLOAT_EQ(form.*size, trigger.reads ? 12.5f : start);
            EXPECT_EQ(reports.messages.size(), trigger.reads ? 1u : 0u);
            // The field's name and its text, in French quotes.
            EXPECT_TRUE(!trigger.reads || reports.messages.at(0).contains(
                                              QString::fromUtf8("\u00ab\u00a07,5 mm\u00a0\u00bb")));
        }
}

TEST(PreviewInput, ReportIsShownOnceWhenTheEditLosesFocusMeanwhile)
{
    TGLForm form;
    int reports = 0;
    form.reportError = [&](const QString&) {
        ++reports; // a message box takes the focus from the edit
        QFocusEvent out(QEvent::FocusOut, Qt::OtherFocusReason);
        QApplication::sendEvent(form.XBrut, &out);
    };
    form.XBrut->setText("x");
    form.XBrutKeyPress('\r');
    EXPECT_EQ(reports, 1);
}

TEST(PreviewInput, TickingTheStockReadsTheSizesInOrderUpToTheFirstBadOne)
{
    struct Case {
        const char *x, *y, *z;
        std::array<float, 3> sizes;
        std::size_t reports;
    };
    const Case cases[] = {
        {"40", "30,5", "8.25", {40, 30.5f, 8.25f}, 0},
        {"bad", "7", "3", {20, 50, 10}, 1},
        {"33", "bad", "4", {33, 50, 10}, 1},
        {"33", "44", "", {33, 44, 10}, 1},
    };
    for (const Case& c : cases) {
        TGLForm form;
        Reports reports(form);
        form.XBrut->setText(c.x);
        form.YBrut->setText(c.y);
        form.ZBrut->setText(c.z);
        form.ChkBrut->click();
        EXPECT_TRUE(form.showStock);
        EXPECT_EQ((std::array{form.stockX, form.stockY, form.stockZ}), c.sizes)
            << c.x << c.y << c.z;
        EXPECT_EQ(reports.messages.size(), c.reports);
        form.ChkBrut->click(); // unticking reads nothing
        EXPECT_FALSE(form.showStock);
        EXPECT_EQ(reports.messages.size(), c.reports);
    }
}

} // namespace
