// The About box: program name, version, credits and the information text of
// the user's language, taken from the settings file.
#pragma once

#include <QDialog>
#include <QStringList>
#include <string_view>

class QCheckBox;
class QFrame;
class QLabel;
class QPlainTextEdit;
class QPushButton;

class TAboutBox : public QDialog {
    Q_OBJECT
  public:
    explicit TAboutBox(QWidget* parent = nullptr);

    // Elements of the box, named as in its design.
    QFrame* Panel1 = nullptr;
    QLabel* ProgramIcon = nullptr;
    QLabel* Softname = nullptr;
    QLabel* Version = nullptr;
    QLabel* Comments = nullptr;
    QLabel* Copyright = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Copyright1 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label4 = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    QPushButton* OKButton = nullptr;
    QCheckBox* CheckBox1 = nullptr;

    void OKButtonClick();
    // Stores the check box's state at once: the box is not shown at the next
    // start-up while it is ticked.
    void CheckBox1Click();

    // The information text of `language` in the bytes of a settings file: the
    // lines after the line "[AboutFR]" ("[AboutDE]", "[AboutGB]"; French for
    // any other language) up to the first line holding a "[", or from the
    // first line when the header is missing.
    static QStringList aboutLines(std::string_view fileBytes, int language);

  private:
    void buildLayout();

    int language_ = 0;
};
