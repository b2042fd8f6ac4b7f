// The configuration dialog: machine mechanics, speeds, precision, editor and
// driver commands, user-interface language. OK writes the settings file.
//
// The dialog keeps nothing of its own: it reads the settings file when it is
// built and writes it when the user confirms. Every field is checked before
// anything is written, and the file is replaced in one step, so the settings
// are never left half saved.
#pragma once

#include <QDialog>
#include <QString>
#include <string>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QWidget;

// The filter of the browse dialog for programs: on Windows as the text table
// gives it (programs are .exe files), elsewhere with the entry for every file
// moved first.
QString programsFilter(const QString& pipeFilter, bool windows);
// The one place that asks which system the program runs on.
bool runsOnWindows();

class TForm2 : public QDialog {
    Q_OBJECT
  public:
    explicit TForm2(QWidget* parent = nullptr);

    // Elements of the dialog, named as in its design.
    QTabWidget* PageControl1 = nullptr;
    QWidget* TabSheet1 = nullptr;
    QWidget* TabSheet2 = nullptr;
    QWidget* Langue = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label7 = nullptr;
    QLabel* Label8 = nullptr;
    QLabel* Label9 = nullptr;
    QLabel* Label15 = nullptr;
    QLabel* Label16 = nullptr;
    QLabel* Label18 = nullptr;
    QLabel* Label17 = nullptr;
    QLabel* Label10 = nullptr;
    QLabel* Label11 = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* PasParTourX = nullptr;
    QLineEdit* PasVisX = nullptr;
    QLineEdit* PasParTourY = nullptr;
    QLineEdit* PasVisY = nullptr;
    QLineEdit* PasParTourZ = nullptr;
    QLineEdit* PasVisZ = nullptr;
    QLineEdit* VMax = nullptr;
    QLineEdit* VMax_Z = nullptr;
    QLineEdit* Precision = nullptr;
    // The machine's travel per axis in mm, empty when not known, with its
    // caption in each axis row.
    QLabel* LabelCourseX = nullptr;
    QLabel* LabelCourseY = nullptr;
    QLabel* LabelCourseZ = nullptr;
    QLineEdit* CourseX = nullptr;
    QLineEdit* CourseY = nullptr;
    QLineEdit* CourseZ = nullptr;
    QLineEdit* EditorName = nullptr;
    QLineEdit* DriverName = nullptr;
    QPushButton* BitBtn3 = nullptr;
    QPushButton* BitBtn4 = nullptr;
    // Off by default: the driver then starts without an argument.
    QCheckBox* DriverFichier = nullptr;
    QComboBox* LangueChoisie = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QPushButton* BitBtn2 = nullptr;

    // Browse for the editor and for the driver program.
    void BitBtn3Click();
    void BitBtn4Click();
    // OK: checks every field, writes the settings file, closes the dialog.
    // On a bad field or a failed write the dialog stays open and says why.
    void BitBtn1Click();
    // Fills the controls from the settings file.
    void FormCreate();

    // The language the dialog's captions were read in.
    int language() const { return language_; }

  private:
    void buildLayout();
    void localise();
    // Puts the path chosen in the file dialog into `edit`.
    void browseInto(QLineEdit* edit);
    // The bytes to store for a path field: the file's own bytes when the
    // text was not changed (so that nothing gets re-encoded), else UTF-8.
    std::string pathBytes(const QLineEdit* edit, const std::string& loaded) const;
    // Checks the numeric fields against their ranges (ui/ConfigChecks.h);
    // on the first bad one tells the user, puts the cursor in it and returns
    // false.
    bool validate();

    int language_ = 0;
    std::string editorLoaded_;
    std::string driverLoaded_;
    bool driverFileKeyPresent_ = false;
};
