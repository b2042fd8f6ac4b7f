// The main window: the G-code program on the left, the PROFILER command lines
// on the right, the menus that open, save, re-translate, edit the program,
// preview the tool path and start the machine's driver.
#pragma once

#include <QMainWindow>
#include <QStringList>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/Extent.h"
#include "engine/Gcode.h"
#include "ui/MessageBox.h"

class LineListModel;
class QAction;
class QLabel;
class QLineEdit;
class QListView;
class QMenu;
class QMenuBar;
class QProgressBar;
class QRect;
class QStatusBar;
class QWidget;
class ReportedLines;

class TForm1 : public QMainWindow {
    Q_OBJECT
  public:
    // Loads the settings (showing the About box first unless the user turned
    // it off) and localises the menus.
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    // Elements of the window.
    QWidget* Panel1 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    QLineEdit* Ofx = nullptr; // whole-number steps per mm, never shown
    QLineEdit* Ofy = nullptr;
    QLineEdit* Ofz = nullptr;
    QListView* Source = nullptr;
    QListView* Dest = nullptr;
    QProgressBar* Progress = nullptr;
    // After a run: how many word groups were ignored, or where F8 went.
    QStatusBar* StatusBar1 = nullptr;
    QLabel* StatusLine = nullptr;
    FileDialog OpenSourceDlg{FileDialog::Mode::Open};
    FileDialog SaveDestDlg{FileDialog::Mode::Save};

    QMenuBar* MainMenu1 = nullptr;
    QMenu* Fichier1 = nullptr;
    QAction* Ouvrir1 = nullptr;
    QAction* Enregistrer1 = nullptr;
    QAction* Quitter1 = nullptr;
    QMenu* Editio1 = nullptr;
    QAction* Edit1 = nullptr;
    QAction* ReOuvrir = nullptr;
    QAction* Relancer1 = nullptr;
    QAction* LigneSuivante1 = nullptr;   // F8: the next reported line
    QAction* LignePrecedente1 = nullptr; // Shift+F8: the previous one
    QAction* AllerLigne1 = nullptr;        // Ctrl+G: go to a line number
    QAction* Rechercher1 = nullptr;        // Ctrl+F: find text in the program
    QAction* RechercherSuivant1 = nullptr; // F3: find it again further down
    QMenu* FichiersRecents1 = nullptr;     // the programs opened last
    QAction* Configuration1 = nullptr;
    QMenu* Fraisage1 = nullptr;
    QAction* Apercu1 = nullptr;
    QAction* Usiner1 = nullptr;
    QAction* Apropos1 = nullptr;

    // Handlers of the menu items and lists.
    void BtnOpenClick();
    void ReOuvrirClick();
    void Relancer1Click();
    void BitBtn1Click();
    void QuitterClick();
    void MenuClick();
    void Usiner1Click();
    void ConfigClick();
    void Apercu1Click();
    void AboutClick();
    void SourceClick();
    void FormResize();
    void LigneSuivante1Click();
    void LignePrecedente1Click();
    void AllerLigne1Click();
    void Rechercher1Click();
    void RechercherSuivant1Click();

    // Selects source line `line` (from 1) and shows it; false when there is
    // no such line.
    bool goToLine(int line);
    // Selects the next source line from the selected one (round to the
    // top) that holds `text`, in any letter case; false when none does.
    bool findText(const QString& text);
    // The text Ctrl+F asked for last.
    const QString& findString() const { return findString_; }

    // Loads `path` as the open dialog's choice would (command-line argument,
    // drag and drop). False when the file could not be read; the window then
    // keeps what it showed and the error has been reported.
    bool openSourceFile(const QString& path);
    // Translates the loaded program again (the conversion run).
    void runConversion();
    // Writes the command lines to `path`, each followed by CR LF, through a
    // temporary file beside it. False, with the reason in `error`, when it
    // could not be written; an existing file is then left as it was.
    bool saveCommandFile(const QString& path, QString* error) const;
    // Re-reads the texts of the menus, the status line and the marks of
    // the reported lines in `language`.
    void localiseMenus();

    // State read by the conversion run and the commands.
    const std::vector<int32_t>& lineMap() const { return lineMap_; }
    // The word groups the last run reported, by source line.
    const ReportedLines& reportedLines() const;
    const std::vector<std::string>& sourceLines() const;
    const CommandLines& commandLines() const;
    const QString& sourceFileName() const { return sourceFileName_; }
    const QString& errorCaption() const { return errorCaption_; }
    int language() const { return language_; }
    bool isRunning() const { return running_; }
    // The path the command lines were saved to last (empty before any
    // save), and whether that file holds the translation on screen.
    const QString& savedPath() const { return savedPath_; }
    bool translationSaved() const { return !unsaved_; }
    // The programs of Fichier > Fichiers récents, newest first.
    const QStringList& recentFiles() const { return recentFiles_; }

    // The first and last selected rows of Dest, {-1, -1} when none.
    std::pair<int, int> selectedDestRange() const;
    // Selects source line `row` as a click does (mouse or keyboard).
    void clickSourceLine(int row);

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    class RunObserver;
    friend class RunObserver;

    void createElements();
    void createMenus();
    void createFindMenu();
    void addMnemonics();
    void updateWindowTitle();
    void updateTranslatedActions();
    // The status line of the selected source line: its report when it has
    // one, otherwise the result of the run.
    void showSelectionStatus();
    // Fichier > Fichiers récents, from recentFiles_.
    void rebuildRecentMenu();
    void rememberOpenedFile(const QString& path);
    void restoreWindowGeometry(const QRect& stored);
    void saveWindowGeometry();
    // Asks for a file name and saves the command lines to it; false when the
    // user cancelled or the file could not be written.
    bool saveWithDialog();
    // Shows one box per report of the last run, until the user skips them.
    void showReportBoxes();
    void layoutClientArea();
    // `atStart`: the About box comes first unless the user turned it off;
    // after the configuration dialog it does not come again.
    void loadSettings(bool atStart);
    bool loadSourceLines(const QString& path);
    void startExternal(const QString& commandText, const QStringList& arguments);
    void setSourceCurrentRow(int row);
    // Shows the status line of the last run, or of the reported line that
    // F8 / Shift+F8 last selected (`position` among them, -1 for none).
    void updateStatusLine(int position = -1);
    // The result of the last run, in parts joined by dashes.
    QString runResultStatus() const;
    // Selects the next (step 1) or previous (step -1) reported line, going
    // round at either end.
    void goToReportedLine(int step);

    LineListModel* sourceModel_ = nullptr;
    LineListModel* destModel_ = nullptr;
    QWidget* client_ = nullptr;

    std::vector<int32_t> lineMap_;
    QString errorCaption_;
    QString sourceFileName_;
    int language_ = 0;

    int sourceWidth_ = 305;
    int destWidth_ = 321;
    int progressWidth_ = 648;
    bool running_ = false;
    bool ranOnce_ = false; // the status line has something to say
    bool unsaved_ = false; // the translation on screen is in no saved file
    QString savedPath_;
    QString findString_;
    QStringList recentFiles_;
    QString lastFolder_; // of the open dialog
    // The last run's extent, and its first move beyond the travel (line -1:
    // none), for the status line.
    ProgramExtent extent_;
    int travelLine_ = -1;
    TravelExcess travelExcess_;
    // The codes the last run accepted without effect ("G40", "M8").
    QStringList withoutEffect_;
    bool closeAfterRun_ = false;
    bool settingSourceRow_ = false;  // a selection set by code, not by a click
    int sourceSelectionChanges_ = 0; // counts selection changes of Source
    int changesAtPress_ = -1;
};
