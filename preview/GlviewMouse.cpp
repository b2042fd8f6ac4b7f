// Mouse and wheel of the preview: left drag rotates, Shift+left or middle
// drag turns, right drag pans, Alt+right drag zooms, the wheel zooms.
// While a button is held or the wheel turns, a large path may be drawn
// thinned (GlviewThin.cpp); the full path is drawn when the movement ends.
#include "preview/Glview.h"

#include <QMouseEvent>
#include <QTimer>
#include <QWheelEvent>

void PreviewPanel::mousePressEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    form->GLPanelMouseDown(event->button(), event->modifiers(), p.x(), p.y());
}

void PreviewPanel::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    // While a button is held the panel keeps receiving moves outside itself;
    // leaving it ends the drag all the same.
    if (!rect().contains(p))
        form->GLPanelMouseLeave();
    form->GLPanelMouseMove(p.x(), p.y());
}

void PreviewPanel::mouseReleaseEvent(QMouseEvent*)
{
    form->GLPanelMouseUp();
}

void PreviewPanel::leaveEvent(QEvent*)
{
    form->GLPanelMouseLeave();
}

void TGLForm::GLPanelMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y)
{
    altAtPress = shift.testFlag(Qt::AltModifier);
    const bool shiftHeld = shift.testFlag(Qt::ShiftModifier);
    dragRotate = button == Qt::LeftButton && !shiftHeld;
    dragPan = button == Qt::RightButton;
    dragTurn = button == Qt::MiddleButton || (button == Qt::LeftButton && shiftHeld);
    lastMouseX = x;
    lastMouseY = y;
    mouseHeld = dragRotate || dragPan || dragTurn;
}

void TGLForm::GLPanelMouseMove(int x, int y)
{
    const int dx = lastMouseX - x;
    const int dy = lastMouseY - y;
    lastMouseX = x;
    lastMouseY = y;
    if (altAtPress && dragPan) {
        // Zoom: moving up brings the model nearer.
        offsetZ += 5 * dy * 0.05;
    } else if (dragRotate && !dragPan && !dragTurn) {
        angleY -= dx * 0.6;
        angleX -= dy * 0.6;
    } else if (dragPan && !dragRotate && !dragTurn) {
        offsetX -= dx * 0.1;
        offsetY += dy * 0.1;
    } else if (dragTurn && !dragRotate && !dragPan) {
        angleY -= dx * 0.6;
        angleY2 -= dy * 0.6;
    } else {
        return;
    }
    if (dx != 0 || dy != 0)
        redraw();
}

void TGLForm::GLPanelMouseUp()
{
    dragRotate = false;
    dragPan = false;
    dragTurn = false;
    mouseHeld = false;
    endInteraction();
}

// Leaving the panel ends a drag as releasing the button does.
void TGLForm::GLPanelMouseLeave()
{
    GLPanelMouseUp();
}

bool TGLForm::interacting() const
{
    return mouseHeld || (wheelPause && wheelPause->isActive());
}

void TGLForm::endInteraction()
{
    // The picture left on the screen is always the whole path.
    if (!interacting() && lastFrameThinned_)
        redraw();
}

void TGLForm::FormMouseWheel(int wheelDelta)
{
    // 6 units nearer per standard notch of 120.
    offsetZ += wheelDelta * 0.05;
    // The wheel has no release: the turning counts as over after a pause.
    if (wheelPause)
        wheelPause->start();
    redraw();
}

void TGLForm::wheelEvent(QWheelEvent* event)
{
    FormMouseWheel(event->angleDelta().y());
    // Left unaccepted: nothing else in the window uses the wheel.
    event->ignore();
}
