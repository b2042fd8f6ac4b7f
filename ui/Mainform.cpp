// Construction of the main window: elements, menus, layout and localisation.
#include "ui/Mainform.h"

#include <QAction>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QIcon>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QProgressBar>
#include <QStatusBar>
#include <QTimer>
#include <QUrl>

#include "engine/Settings.h"
#include "ui/FailureText.h"
#include "ui/Language.h"
#include "ui/LineListModel.h"
#include "ui/LineNumberDelegate.h"
#include "ui/Mnemonics.h"
#include "ui/SessionSettings.h"
#include "ui/UiText.h"
#include "ui/WindowText.h"

namespace {

constexpr int kClientWidth = 648;
constexpr int kClientHeight = 575;
constexpr int kPanelHeight = 17;

// A desktop theme's icon when there is one, ours otherwise.
QIcon themedIcon(const char* themeName, const char* bundled)
{
    return QIcon::fromTheme(QLatin1String(themeName), QIcon(QLatin1String(bundled)));
}

QListView* makeList(QWidget* parent, const char* name, LineListModel* model)
{
    auto* list = new QListView(parent);
    list->setObjectName(QLatin1String(name));
    // Every row has the height of one text line: the view then never measures
    // a million rows to lay them out.
    list->setUniformItemSizes(true);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    list->setModel(model);
    return list;
}

} // namespace

// The icons are compiled into this static library; the linker keeps them
// only when something refers to them.
static void initResources()
{
    Q_INIT_RESOURCE(tolvane);
}

TForm1::TForm1(QWidget* parent) : QMainWindow(parent)
{
    initResources();
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Tolvane"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/tolvane.png")));
    setFont(QFont(QStringList{QStringLiteral("Tahoma"), QStringLiteral("DejaVu Sans")}, 8));
    setAcceptDrops(true);

    createElements();
    createMenus();
    // The designed client area, with the menu bar above and the status line
    // below it.
    resize(kClientWidth,
           kClientHeight + MainMenu1->sizeHint().height() + StatusBar1->sizeHint().height());

    // Where the window will stand, before any box shows: boxes at start-up
    // (the About box, a settings problem) centre themselves over it.
    const SessionSettings session = loadSessionSettings();
    recentFiles_ = session.recentFiles;
    lastFolder_ = session.lastFolder;
    restoreWindowGeometry(session.mainWindow);

    // The order of construction matters: the settings load may show the About
    // box, and only then do the menus get their texts.
    errorCaption_.clear();
    sourceFileName_.clear();
    lineMap_.clear();
    loadSettings(true);
    localiseMenus();
    updateTranslatedActions();
    updateWindowTitle();
}

TForm1::~TForm1() = default;

void TForm1::createElements()
{
    client_ = new QWidget(this);
    client_->setObjectName(QStringLiteral("ClientArea"));
    client_->installEventFilter(this);
    setCentralWidget(client_);

    auto* panel = new QFrame(client_);
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel1 = panel;
    Panel1->setObjectName(QStringLiteral("Panel1"));

    // The three hidden fields carry the whole-number steps per millimetre from
    // the settings load to the conversion run.
    auto hiddenField = [this](QLabel*& label, QLineEdit*& field, const char* caption,
                              const char* labelName, const char* fieldName, int x) {
        label = new QLabel(QLatin1String(caption), Panel1);
        label->setObjectName(QLatin1String(labelName));
        label->setGeometry(x, 0, 30, kPanelHeight);
        label->hide();
        field = new QLineEdit(QStringLiteral("40"), Panel1);
        field->setObjectName(QLatin1String(fieldName));
        field->setGeometry(x + 32, 0, 40, kPanelHeight);
        field->hide();
    };
    hiddenField(Label3, Ofx, "OFX :", "Label3", "Ofx", 8);
    hiddenField(Label4, Ofy, "OFY :", "Label4", "Ofy", 88);
    hiddenField(Label5, Ofz, "OFZ :", "Label5", "Ofz", 168);

    sourceModel_ = new LineListModel(LineListModel::Decoding::SourceText, this);
    destModel_ = new LineListModel(LineListModel::Decoding::Ascii, this);

    Source = makeList(client_, "Source", sourceModel_);
    connect(sourceModel_, &LineListModel::marksChanged, Source->viewport(),
            qOverload<>(&QWidget::update));
    Source->setSelectionMode(QAbstractItemView::SingleSelection);
    Source->viewport()->installEventFilter(this);
    // Line numbers in a margin; long lines scroll sideways, whole.
    Source->setItemDelegate(new LineNumberDelegate(sourceModel_, Source));
    Source->setTextElideMode(Qt::ElideNone);
    Dest = makeList(client_, "Dest", destModel_);
    Dest->setSelectionMode(QAbstractItemView::ExtendedSelection);

    // A click, or a move with the keyboard, on a source line shows its command
    // lines. A click on the line that is already selected changes no
    // selection; eventFilter and `clicked` catch that case.
    connect(Source->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        ++sourceSelectionChanges_;
        if (!settingSourceRow_) {
            SourceClick();
            showSelectionStatus();
        }
    });
    connect(Source, &QAbstractItemView::clicked, this, [this](const QModelIndex&) {
        if (changesAtPress_ == sourceSelectionChanges_) {
            SourceClick();
            showSelectionStatus();
        }
        changesAtPress_ = -1;
    });

    Progress = new QProgressBar(client_);
    Progress->setObjectName(QStringLiteral("Progress"));
    Progress->setRange(0, 100);
    Progress->setTextVisible(true);
    Progress->hide();

    // The status line stays until the next run: a label of its own, which the
    // menus' passing status tips do not replace.
    StatusBar1 = statusBar();
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusLine = new QLabel(StatusBar1);
    StatusLine->setObjectName(QStringLiteral("StatusLine"));
    StatusLine->setTextFormat(Qt::PlainText);
    StatusBar1->addWidget(StatusLine, 1);

    SaveDestDlg.defaultExt = QStringLiteral("Cbr");
    layoutClientArea();
}

void TForm1::createMenus()
{
    MainMenu1 = menuBar();
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));

    auto item = [this](QMenu* menu, QAction*& action, const char* name, const char* caption) {
        action = menu != nullptr ? menu->addAction(QLatin1String(caption))
                                 : MainMenu1->addAction(QLatin1String(caption));
        action->setObjectName(QLatin1String(name));
        return action;
    };
    auto submenu = [this](QMenu*& menu, const char* name, const char* caption) {
        menu = MainMenu1->addMenu(QLatin1String(caption));
        menu->setObjectName(QLatin1String(name));
        menu->menuAction()->setObjectName(QLatin1String(name) + QLatin1String("Action"));
    };

    submenu(Fichier1, "Fichier1", "Fichier");
    item(Fichier1, Ouvrir1, "Ouvrir1", "Ouvrir");
    item(Fichier1, Enregistrer1, "Enregistrer1", "Enregistrer fichier traduit");
    FichiersRecents1 = Fichier1->addMenu(QString());
    FichiersRecents1->setObjectName(QStringLiteral("FichiersRecents1"));
    Fichier1->addSeparator();
    item(Fichier1, Quitter1, "Quitter1", "Quitter");

    submenu(Editio1, "Editio1", "Edition");
    item(Editio1, Edit1, "Edit1", "Editer fichier source");
    item(Editio1, ReOuvrir, "ReOuvrir", "Actualiser fichier source");
    item(Editio1, Relancer1, "Relancer1", "Relancer traduction");
    Editio1->addSeparator();
    // Captions of their own come with the texts of the language.
    item(Editio1, LigneSuivante1, "LigneSuivante1", "");
    item(Editio1, LignePrecedente1, "LignePrecedente1", "");
    createFindMenu();

    item(nullptr, Configuration1, "Configuration1", "Configuration");

    submenu(Fraisage1, "Fraisage1", "Fraisage");
    item(Fraisage1, Apercu1, "Apercu1", "Apercu");
    item(Fraisage1, Usiner1, "Usiner1", "Usiner");

    item(nullptr, Apropos1, "Apropos1", "A propos");

    Ouvrir1->setIcon(themedIcon("document-open", ":/icons/open.png"));
    Enregistrer1->setIcon(themedIcon("document-save", ":/icons/save.png"));
    Quitter1->setIcon(themedIcon("application-exit", ":/icons/quit.png"));
    Edit1->setIcon(themedIcon("document-edit", ":/icons/edit.png"));
    ReOuvrir->setIcon(themedIcon("view-refresh", ":/icons/reload.png"));
    Relancer1->setIcon(themedIcon("media-playback-start", ":/icons/rerun.png"));

    Ouvrir1->setShortcut(QKeySequence::Open);
    Enregistrer1->setShortcut(QKeySequence::Save);
    Quitter1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    ReOuvrir->setShortcut(QKeySequence(Qt::Key_F5));
    LigneSuivante1->setShortcut(QKeySequence(Qt::Key_F8));
    LignePrecedente1->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F8));
    Apercu1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    Usiner1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_M));
    Configuration1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));

    // Nothing to edit, reload or re-run before a program has been opened.
    Edit1->setEnabled(false);
    ReOuvrir->setEnabled(false);
    Relancer1->setEnabled(false);
    // Nothing to go to before a run has reported a line.
    LigneSuivante1->setEnabled(false);
    LignePrecedente1->setEnabled(false);

    connect(Ouvrir1, &QAction::triggered, this, &TForm1::BtnOpenClick);
    connect(Enregistrer1, &QAction::triggered, this, &TForm1::BitBtn1Click);
    connect(Quitter1, &QAction::triggered, this, &TForm1::QuitterClick);
    connect(Edit1, &QAction::triggered, this, &TForm1::MenuClick);
    connect(ReOuvrir, &QAction::triggered, this, &TForm1::ReOuvrirClick);
    connect(Relancer1, &QAction::triggered, this, &TForm1::Relancer1Click);
    connect(LigneSuivante1, &QAction::triggered, this, &TForm1::LigneSuivante1Click);
    connect(LignePrecedente1, &QAction::triggered, this, &TForm1::LignePrecedente1Click);
    connect(Configuration1, &QAction::triggered, this, &TForm1::ConfigClick);
    connect(Apercu1, &QAction::triggered, this, &TForm1::Apercu1Click);
    connect(Usiner1, &QAction::triggered, this, &TForm1::Usiner1Click);
    connect(Apropos1, &QAction::triggered, this, &TForm1::AboutClick);
}

void TForm1::loadSettings(bool atStart)
{
    std::function<void()> about;
    if (atStart)
        about = [this] { AboutClick(); };
    const StepsPerMmTexts texts = loadMachineSettings(about);
    Ofx->setText(QString::fromStdString(texts.ofx));
    Ofy->setText(QString::fromStdString(texts.ofy));
    Ofz->setText(QString::fromStdString(texts.ofz));
    language_ = machineSettings.language;
    // Qt's own texts (file dialogs, standard buttons, key names) follow.
    applyLanguage(language_);

    // Values edited by hand into the file that the machine cannot use (a
    // lead of 0, a negative speed) were replaced by factory values; say so
    // rather than translate with other mechanics than the file seems to set.
    const std::vector<SettingsProblem>& problems = settingsProblemDetails();
    if (!problems.empty()) {
        QString text = uiText(language_, 57).arg(settingsTextToQString(settingsFilePath()));
        for (const SettingsProblem& problem : problems)
            text += QLatin1Char('\n') + settingsProblemText(language_, problem);
        showError(this, text);
    }
}

void TForm1::localiseMenus()
{
    // The order of the lookups is the order of the menu bar, then the texts
    // that are not menu captions, then the items added later.
    const int l = language_;
    Fichier1->setTitle(menuText(l, 0));
    Ouvrir1->setText(menuText(l, 1));
    Enregistrer1->setText(menuText(l, 2));
    Quitter1->setText(menuText(l, 6));
    Editio1->setTitle(menuText(l, 3));
    Configuration1->setText(menuText(l, 5));
    Fraisage1->setTitle(menuText(l, 4));
    Apropos1->setText(menuText(l, 7));
    errorCaption_ = uiText(l, 26);
    OpenSourceDlg.filter = uiText(l, 27);
    SaveDestDlg.filter = uiText(l, 31);
    ReOuvrir->setText(menuText(l, 28));
    Edit1->setText(menuText(l, 29));
    Relancer1->setText(menuText(l, 30));
    Apercu1->setText(menuText(l, 33));
    Usiner1->setText(menuText(l, 34));

    OpenSourceDlg.title = uiText(l, 1);
    SaveDestDlg.title = uiText(l, 2);

    // Texts added after the design's own.
    LigneSuivante1->setText(menuText(l, 44));
    LignePrecedente1->setText(menuText(l, 45));
    AllerLigne1->setText(windowText(l, WindowText::GoToLineMenu));
    Rechercher1->setText(windowText(l, WindowText::FindMenu));
    RechercherSuivant1->setText(windowText(l, WindowText::FindNextMenu));
    FichiersRecents1->setTitle(windowText(l, WindowText::RecentFilesMenu));
    Progress->setFormat(uiText(l, 101));
    sourceModel_->setReportTexts(l, uiText(l, 38));
    addMnemonics();
    rebuildRecentMenu();
    updateStatusLine();
}

void TForm1::addMnemonics()
{
    // One key per caption within each menu and within the menu bar, chosen
    // anew for each language.
    auto mark = [](const QList<QAction*>& actions) {
        QStringList captions;
        QList<QAction*> named;
        for (QAction* a : actions)
            if (!a->isSeparator() && !a->text().isEmpty()) {
                named << a;
                captions << a->text();
            }
        const QStringList marked = withMnemonics(captions);
        for (qsizetype i = 0; i < named.size(); ++i)
            named[i]->setText(marked[i]);
    };
    mark(MainMenu1->actions());
    for (QMenu* menu : {Fichier1, Editio1, Fraisage1})
        mark(menu->actions());
}

void TForm1::updateWindowTitle()
{
    // "plate.nc — Tolvane", with an asterisk while the translation on screen
    // is in no saved file.
    if (sourceFileName_.isEmpty()) {
        setWindowTitle(QStringLiteral("Tolvane"));
        setWindowModified(false);
        return;
    }
    setWindowTitle(QFileInfo(sourceFileName_).fileName().replace(QLatin1String("[*]"),
                                                                 QLatin1String("[*][*]")) +
                   QStringLiteral("[*] \u2014 Tolvane"));
    setWindowModified(unsaved_);
}

void TForm1::updateTranslatedActions()
{
    // Saving, previewing and machining need a translation.
    const bool translated = ranOnce_ && !sourceFileName_.isEmpty();
    Enregistrer1->setEnabled(translated);
    Apercu1->setEnabled(translated);
    Usiner1->setEnabled(translated);
}

void TForm1::FormResize()
{
    // Lists of half the window each, 20 pixels apart; the progress bar spans
    // the whole window.
    const int outer = width();
    sourceWidth_ = std::max(0, outer / 2 - 10);
    destWidth_ = sourceWidth_;
    progressWidth_ = outer;
    layoutClientArea();
}

void TForm1::layoutClientArea()
{
    // Panel1 and the progress bar stack at the top, Source hangs on the left
    // edge and Dest on the right edge below them.
    const int w = client_->width();
    const int h = client_->height();
    int top = 0;
    Panel1->setGeometry(0, top, w, kPanelHeight);
    top += kPanelHeight;
    if (!Progress->isHidden()) {
        const int ph = Progress->sizeHint().height();
        Progress->setGeometry(0, top, progressWidth_, ph);
        top += ph;
    }
    const int listHeight = std::max(0, h - top);
    Source->setGeometry(0, top, sourceWidth_, listHeight);
    Dest->setGeometry(w - destWidth_, top, destWidth_, listHeight);
}

void TForm1::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    FormResize();
}

bool TForm1::eventFilter(QObject* watched, QEvent* event)
{
    if (Source == nullptr || Dest == nullptr || Progress == nullptr)
        return QMainWindow::eventFilter(watched, event); // still being built
    if (watched == client_ && event->type() == QEvent::Resize)
        layoutClientArea();
    else if (watched == Source->viewport() && event->type() == QEvent::MouseButtonPress)
        changesAtPress_ = sourceSelectionChanges_;
    return QMainWindow::eventFilter(watched, event);
}

void TForm1::closeEvent(QCloseEvent* event)
{
    // A run cannot be cut short half-way (its lists would not match); the
    // window closes as soon as it ends.
    if (running_) {
        closeAfterRun_ = true;
        event->ignore();
        return;
    }
    saveWindowGeometry();
    QMainWindow::closeEvent(event);
}

void TForm1::dragEnterEvent(QDragEnterEvent* event)
{
    const QMimeData* mime = event->mimeData();
    if (!running_ && mime->hasUrls() && !mime->urls().isEmpty() &&
        mime->urls().constFirst().isLocalFile())
        event->acceptProposedAction();
}

void TForm1::dropEvent(QDropEvent* event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.isEmpty() || !urls.constFirst().isLocalFile())
        return;
    event->acceptProposedAction();
    // Open once the drop has finished: the program that dragged the file
    // should not wait for the translation.
    const QString path = urls.constFirst().toLocalFile();
    QTimer::singleShot(0, this, [this, path] { openSourceFile(path); });
}
