// The 3D preview of the tool path of the last conversion run: rapid moves in
// red, feed moves in green, the axis cross at the origin and, on request, the
// yellow wireframe of the raw stock. The user turns, pans and zooms with the
// mouse and the wheel.
//
// The window is a modal dialog. Its drawing surface (GLPanel) is an OpenGL 2.1
// compatibility context drawn with the fixed pipeline of OpenGL 1.1 and GLU.
// Frames are drawn when something changed (input, resize, check box, stock
// size), never in a loop: Qt coalesces the requests to at most one frame per
// pass of the event loop.
#pragma once

#include <QDialog>
#include <QOpenGLWidget>
#include <QString>

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QShortcut;
class QTimer;
class PathArrays;
class TGLForm;

// Length of the arrows of the axis cross, in preview units.
inline constexpr float axisLength = 3.0f;

// The OpenGL surface of the preview. It owns nothing of the picture: every
// callback goes to the form, which holds the view and draws the scene.
class PreviewPanel : public QOpenGLWidget {
    Q_OBJECT
  public:
    PreviewPanel(TGLForm* form, QWidget* parent);

    // Frames drawn so far (tests and the benchmark count them).
    long frameCount() const { return frames; }

  protected:
    void initializeGL() override;
    void paintGL() override;
    void resizeGL(int w, int h) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

  private:
    TGLForm* form;
    long frames = 0;
};

class TGLForm : public QDialog {
    Q_OBJECT
  public:
    explicit TGLForm(QWidget* parent = nullptr);
    ~TGLForm() override;

    // How the tool path reaches OpenGL. Both give the same picture; the
    // vertex arrays are built once per opening and per change of the G00/G01
    // flags and are much faster on large programs.
    enum class PathMode { VertexArrays, Immediate };
    void setPathMode(PathMode mode);
    PathMode pathMode() const { return pathMode_; }
    // Drops the vertex arrays so that the next frame reads the store again.
    void invalidatePath();

    // Level of detail while the view moves. When a frame of the full path
    // took longer than the frame budget, frames drawn while a mouse button
    // is held on the panel or the wheel turns show a thinned path, of the
    // size that fits in half the budget and at most `maxLines` lines; once
    // the interaction stops, the full path is drawn again. Only with vertex
    // arrays.
    void setThinning(double frameBudgetMs, std::size_t maxLines);
    static constexpr double kDefaultFrameBudgetMs = 33.0;
    static constexpr std::size_t kDefaultThinMaxLines = 300000;
    // Time to draw the last frame of the full path, glFinish included.
    double lastFullFrameMs() const { return lastFullFrameMs_; }
    // The last frame drew the thinned path.
    bool lastFrameThinned() const { return lastFrameThinned_; }
    bool interacting() const;
    // Lines of the thinned path, once it has been built (0 before).
    std::size_t thinnedLines() const;
    // Time taken to build the thinned path.
    double thinBuildMs() const { return thinBuildMs_; }

    // Shows a conversion error of a stock size. Defaults to a message box;
    // tests replace it.
    std::function<void(const QString& message)> reportError;

    // A stock size typed with "." or "," as decimal separator, whatever the
    // locale; nothing when the text is no finite number of float range.
    static std::optional<float> parseStockValue(const QString& text);

    // Components, named as in the window's design.
    PreviewPanel* GLPanel = nullptr;
    QWidget* Panel1 = nullptr;
    QCheckBox* ChkG0 = nullptr;
    QCheckBox* ChkG1 = nullptr;
    QCheckBox* ChkBrut = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    // The program's extent in millimetres, above the stock sizes.
    QLabel* Etendue = nullptr;
    QLineEdit* XBrut = nullptr;
    QLineEdit* YBrut = nullptr;
    QLineEdit* ZBrut = nullptr;
    // Frames the whole path; the Home key does the same, wherever the focus
    // is but in a stock size, where Home moves the cursor.
    QPushButton* BtnCadrer = nullptr;
    QShortcut* CadrerKey = nullptr;

    // View: three rotations in degrees, pan and distance from the eye.
    float angleY = 48.0f;
    float angleX = -80.0f;
    float angleY2 = 0.0f;
    float offsetX = 0.0f;
    float offsetY = 0.0f;
    float offsetZ = -200.0f;
    // Near and far planes of the projection. Framing a path smaller than the
    // near plane's view, or deeper than the far plane, moves them.
    double nearPlane = 1.0;
    double farPlane = 10000.0;
    // Vertical field of view in degrees: 45 as the window opens. Framing
    // narrows it and steps back, so that a path that fills the panel is
    // seen without the strong perspective of a wide lens held close.
    double fieldOfView = 45.0;
    // Drag mode chosen at the last button press.
    bool dragRotate = false;
    bool dragPan = false;
    bool dragTurn = false;
    bool altAtPress = false;
    int lastMouseX = 0;
    int lastMouseY = 0;
    // What is drawn, and the stock size in preview units.
    bool showRapid = true;
    bool showFeed = true;
    bool showStock = false;
    float stockX = 20.0f;
    float stockY = 50.0f;
    float stockZ = 10.0f;

    // Event handlers, named after the events of the window's design.
    void FormCreate();
    void FormDestroy();
    void FormResize();
    void GLPanelResize();
    void InitializeLight();
    void GLPanelMouseMove(int x, int y);
    void GLPanelMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
    void FormMouseWheel(int wheelDelta);
    void GLPanelMouseUp();
    void GLPanelMouseLeave();
    void ChkG0Click();
    void ChkG1Click();
    void ChkBrutClick();
    void XBrutKeyPress(char key);
    void XBrutExit();
    void YBrutExit();
    void YBrutKeyPress(char key);
    void ZBrutKeyPress(char key);
    void ZBrutExit();
    void localise();
    // Sets the pan and the distance so that, seen from the current
    // direction, the whole path as drawn (and the stock box when it is
    // shown) fills the panel with a small margin.
    void BtnCadrerClick();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

  private:
    friend class PreviewPanel;

    void buildLayout();
    // Size and place: where the user left it last time (on a visible
    // screen), otherwise a usable size centred over the main window.
    void placeWindow();
    // The stock box as large as the program's extent, rounded up to whole
    // units (20 x 50 x 10 for an empty path), and the extent's text.
    void stockFromPath();
    void setupPixelFormat();
    // Called by the panel with its context current.
    void initializeGraphics();
    void buildAxesList();
    void renderScene();
    void drawStock();
    // Returns true when the thinned path was drawn.
    bool drawPath();
    bool wantThinPath() const;
    // Builds the thinned path if it is missing; false when it cannot be had.
    bool prepareThinPath();
    // The share of pieces to keep in the thinned path, from the last frame
    // of the full path; whether the thinned path was built for about it.
    double thinShareWanted() const;
    bool thinPathFits() const;
    void endInteraction();
    void releaseGraphics();
    // Reads one stock edit into `size`; false (after reporting) when the
    // text is no number.
    bool readStockSize(QLineEdit* edit, QLabel* label, float& size);
    void redraw();

    int language = 0; // of the captions and messages
    unsigned axesList = 0;
    bool graphicsReady = false;
    bool destroying = false;
    bool reporting = false;
    int viewportWidth = 0;
    int viewportHeight = 0;
    PathMode pathMode_ = PathMode::VertexArrays;
    std::unique_ptr<PathArrays> pathArrays;
    std::unique_ptr<PathArrays> thinArrays;
    bool thinFailed = false;
    double thinShare = 1.0;
    double thinBuildMs_ = 0.0;
    double frameBudgetMs = kDefaultFrameBudgetMs;
    std::size_t thinLineBudget = kDefaultThinMaxLines;
    double lastFullFrameMs_ = 0.0;
    double frameSetupMs = 0.0;
    bool lastFrameThinned_ = false;
    bool mouseHeld = false;
    // Runs for a moment after each wheel step: the wheel has no release.
    QTimer* wheelPause = nullptr;
};
