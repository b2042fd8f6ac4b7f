// The OpenGL side of the preview: context format, the axis cross, one frame.
#include "preview/Glview.h"

#include "engine/Gcode.h"
#include "preview/GlviewFast.h"
#include "preview/Trajectoires.h"

#include <QElapsedTimer>
#include <QSurfaceFormat>
#include <QTimer>

#include <GL/glu.h>

PreviewPanel::PreviewPanel(TGLForm* owner, QWidget* parent) : QOpenGLWidget(parent), form(owner)
{
    // Moves without a button pressed still update the last mouse position.
    setMouseTracking(true);
}

void PreviewPanel::initializeGL()
{
    form->initializeGraphics();
}

void PreviewPanel::paintGL()
{
    if (form->destroying)
        return;
    form->renderScene();
    ++frames;
}

void PreviewPanel::resizeGL(int, int)
{
    form->GLPanelResize();
}

void TGLForm::setupPixelFormat()
{
    // RGBA, double buffered, a depth buffer and the fixed pipeline: a 2.1
    // compatibility context has every OpenGL 1.1 call the preview makes.
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setVersion(2, 1);
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setRedBufferSize(8);
    format.setGreenBufferSize(8);
    format.setBlueBufferSize(8);
    format.setDepthBufferSize(24);
    format.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
    GLPanel->setFormat(format);
    // No alpha channel: the zero alpha of the black clear colour must not
    // make the panel see-through where the window is composited.
    GLPanel->setTextureFormat(GL_RGB8);
}

void TGLForm::initializeGraphics()
{
    // A panel moved to another window gets a new context: start afresh.
    if (pathArrays)
        pathArrays->clear();
    buildAxesList();
    InitializeLight();
    graphicsReady = true;
}

void TGLForm::InitializeLight()
{
    // No lighting: every colour is drawn exactly as set.
}

void TGLForm::buildAxesList()
{
    GLUquadric* quadric = gluNewQuadric();
    if (quadric)
        gluQuadricDrawStyle(quadric, GLU_FILL);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glShadeModel(GL_FLAT);

    axesList = glGenLists(1);
    if (axesList != 0) {
        glNewList(axesList, GL_COMPILE);
        // The lines take the colour current when the list is called.
        glBegin(GL_LINES);
        glVertex3f(0.0f, 2.0f, 0.0f);
        glVertex3f(0.0f, -2.0f, 0.0f);
        glVertex3f(2.0f, 0.0f, 0.0f);
        glVertex3f(-2.0f, 0.0f, 0.0f);
        glVertex3f(0.0f, 0.0f, 2.0f);
        glVertex3f(0.0f, 0.0f, -2.0f);
        glEnd();
        if (quadric) {
            // 0-255 scale, saturated by OpenGL: cyan.
            glColor3f(0.0f, 50.0f, 255.0f);
            gluSphere(quadric, 0.3f, 10, 10);
            const float length = axisLength;
            auto arrow = [&] {
                gluCylinder(quadric, 0.02 * length, 0.02 * length, 0.8 * length, 10, 10);
                glTranslatef(0.0f, 0.0f, 0.8f * length);
                gluCylinder(quadric, 0.04 * length, 0.0, 0.2 * length, 10, 10);
            };
            glPushMatrix();
            glColor3d(1.0, 0.0, 0.0);
            glRotatef(90.0f, 0.0f, 1.0f, 0.0f);
            arrow();
            glPopMatrix();
            glPushMatrix();
            glColor3d(0.0, 1.0, 0.0);
            glRotatef(-90.0f, 1.0f, 0.0f, 0.0f);
            arrow();
            glPopMatrix();
            glPushMatrix();
            glColor3d(0.0, 0.0, 1.0);
            arrow();
            glPopMatrix();
        }
        glEndList();
    }
    if (quadric)
        gluDeleteQuadric(quadric);
}

void TGLForm::GLPanelResize()
{
    // The viewport spans the window's outer size, not the panel's: the same
    // width and height as the aspect ratio of the projection, so the picture
    // is never stretched; what lies outside the panel is cut off.
    const QRect outer = frameGeometry();
    const qreal ratio = GLPanel->devicePixelRatioF();
    viewportWidth = static_cast<int>(outer.width() * ratio);
    viewportHeight = static_cast<int>(outer.height() * ratio);
    glViewport(0, 0, viewportWidth, viewportHeight);
}

void TGLForm::renderScene()
{
    QElapsedTimer clock;
    clock.start();
    lastFrameThinned_ = false;
    frameSetupMs = 0.0;
    // The panel sets its own viewport before every frame; put ours back.
    if (viewportWidth > 0 && viewportHeight > 0)
        glViewport(0, 0, viewportWidth, viewportHeight);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    const QRect outer = frameGeometry();
    if (outer.width() <= 0 || outer.height() <= 0)
        return;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(fieldOfView, double(outer.width()) / double(outer.height()), nearPlane, farPlane);

    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(0.0f, -50.0f, 6.0f);
    glTranslatef(offsetX, offsetY, offsetZ);
    glRotatef(angleY, 0.0f, 1.0f, 0.0f);
    glRotatef(angleX, 1.0f, 0.0f, 0.0f);
    glRotatef(angleY2, 0.0f, 1.0f, 0.0f);

    glColor3f(255.0f, 255.0f, 255.0f);
    if (axesList != 0)
        glCallList(axesList);
    if (showStock)
        drawStock();
    if (showRapid || showFeed)
        lastFrameThinned_ = drawPath();

    if (!lastFrameThinned_ && (showRapid || showFeed) && pathArrays &&
        pathArrays->vertexCount() > 0 && pathMode_ == PathMode::VertexArrays) {
        // The renderer goes on working after the calls return: wait for it,
        // to know what a frame of the full path costs on this machine.
        glFinish();
        lastFullFrameMs_ = clock.nsecsElapsed() / 1e6 - frameSetupMs;
        // Too slow to follow the mouse: have the thinned path ready before
        // the user starts to drag, once this frame is on the screen; and
        // build it again when frames of the full path turn out to cost quite
        // another time than the one it was sized for (the first frame of a
        // window costs more than the others; a larger window costs more).
        if (lastFullFrameMs_ > frameBudgetMs && !thinFailed && !thinPathFits())
            QTimer::singleShot(0, this, [this] {
                if (!destroying)
                    prepareThinPath();
            });
    }
}

void TGLForm::drawStock()
{
    const float x = stockX;
    const float y = stockY;
    const float z = stockZ;
    // Top face at the programme zero, bottom face z below it; each end
    // frame carries a short mark 2 units down from its corner at the origin
    // side.
    glColor3f(200.0f, 200.0f, 0.0f);
    glBegin(GL_LINE_STRIP);
    glVertex3f(0.0f, 0.0f, 0.0f);
    glVertex3f(x, 0.0f, 0.0f);
    glVertex3f(x, 0.0f, -z);
    glVertex3f(0.0f, 0.0f, -z);
    glVertex3f(0.0f, 0.0f, 0.0f);
    glVertex3f(0.0f, 0.0f, -2.0f);
    glEnd();
    glBegin(GL_LINE_STRIP);
    glVertex3f(0.0f, y, 0.0f);
    glVertex3f(x, y, 0.0f);
    glVertex3f(x, y, -z);
    glVertex3f(0.0f, y, -z);
    glVertex3f(0.0f, y, 0.0f);
    glVertex3f(0.0f, y, -2.0f);
    glEnd();
    glBegin(GL_LINES);
    glVertex3f(0.0f, 0.0f, 0.0f);
    glVertex3f(0.0f, y, 0.0f);
    glVertex3f(0.0f, 0.0f, -z);
    glVertex3f(0.0f, y, -z);
    glEnd();
    glBegin(GL_LINES);
    glVertex3f(x, 0.0f, 0.0f);
    glVertex3f(x, y, 0.0f);
    glVertex3f(x, 0.0f, -z);
    glVertex3f(x, y, -z);
    glEnd();
}

bool TGLForm::drawPath()
{
    const piece* store = trajectoryStore.get();
    if (!store)
        return false;
    if (pathMode_ == PathMode::VertexArrays) {
        // The thinned path only when it has fewer lines than the full one.
        if (wantThinPath() && prepareThinPath() &&
            !(pathArrays && pathArrays->builtFor(store, showRapid, showFeed) &&
              pathArrays->vertexCount() <= thinArrays->vertexCount())) {
            thinArrays->draw();
            return true;
        }
        if (!pathArrays)
            pathArrays = std::make_unique<PathArrays>();
        bool ready = pathArrays->builtFor(store, showRapid, showFeed);
        if (!ready) {
            // Built once: not part of what a frame costs.
            QElapsedTimer clock;
            clock.start();
            ready = pathArrays->build(*store, showRapid, showFeed);
            frameSetupMs = clock.nsecsElapsed() / 1e6;
        }
        if (ready) {
            pathArrays->draw();
            return false;
        }
        // Out of memory for the arrays: the store itself is still there.
        pathMode_ = PathMode::Immediate;
    }
    store->draw(showRapid, showFeed);
    return false;
}

bool TGLForm::wantThinPath() const
{
    return interacting() && lastFullFrameMs_ > frameBudgetMs;
}

double TGLForm::thinShareWanted() const
{
    // A frame costs about in proportion to the lines drawn and their length:
    // keep the share of the path that fits in half the frame budget, leaving
    // the other half to what every frame costs anyway (clearing, the axis
    // cross, showing the picture).
    return lastFullFrameMs_ > 0.0 ? frameBudgetMs / 2.0 / lastFullFrameMs_ : 1.0;
}

bool TGLForm::thinPathFits() const
{
    if (!thinArrays || !thinArrays->builtFor(trajectoryStore.get(), showRapid, showFeed))
        return false;
    const double ratio = thinShareWanted() / thinShare;
    return ratio > 1.0 / 1.5 && ratio < 1.5;
}

bool TGLForm::prepareThinPath()
{
    const piece* store = trajectoryStore.get();
    if (!store || thinFailed)
        return false;
    if (!thinArrays)
        thinArrays = std::make_unique<PathArrays>();
    // Never built again during a drag: the full path is not measured then.
    if (thinArrays->builtFor(store, showRapid, showFeed) && (interacting() || thinPathFits()))
        return true;
    QElapsedTimer clock;
    clock.start();
    thinShare = thinShareWanted();
    if (!thinArrays->buildThinned(*store, showRapid, showFeed, thinLineBudget, thinShare)) {
        // Out of memory: interaction frames show the full path.
        thinFailed = true;
        return false;
    }
    thinBuildMs_ = clock.nsecsElapsed() / 1e6;
    return true;
}

std::size_t TGLForm::thinnedLines() const
{
    return thinArrays ? thinArrays->vertexCount() / 2 : 0;
}

void TGLForm::releaseGraphics()
{
    if (!graphicsReady || !GLPanel->context())
        return;
    GLPanel->makeCurrent();
    if (axesList != 0)
        glDeleteLists(axesList, 1);
    axesList = 0;
    pathArrays.reset();
    thinArrays.reset();
    GLPanel->doneCurrent();
    graphicsReady = false;
}
