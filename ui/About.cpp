#include "ui/About.h"

#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QPalette>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <string>

#include "engine/IniFile.h"
#include "engine/Settings.h"
#include "ui/ConfigLayout.h"
#include "ui/FailureText.h"
#include "ui/MessageBox.h"
#include "ui/UiText.h"

namespace {

QString caption(int language, int key, const char* frenchDefault)
{
    return settingsTextToQString(
        lookupText(language, std::to_string(key), std::string(frenchDefault)));
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

// The header line, ignoring letter case and blanks around it.
bool isHeader(std::string_view line, std::string_view header)
{
    while (!line.empty() && isBlank(line.front()))
        line.remove_prefix(1);
    while (!line.empty() && isBlank(line.back()))
        line.remove_suffix(1);
    if (line.size() != header.size())
        return false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
        if (lower(line[i]) != lower(header[i]))
            return false;
    }
    return true;
}

// Calls take(line, next) for each line of `bytes` (ends: CR LF, LF or a lone
// CR; a final line break adds no empty line), `next` being the offset of the
// following line, until take returns false.
template <typename Take> void forEachLine(std::string_view bytes, Take&& take)
{
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        std::size_t end = bytes.find_first_of("\r\n", pos);
        if (end == std::string_view::npos)
            end = bytes.size();
        std::size_t next = end;
        if (next < bytes.size())
            next +=
                (bytes[next] == '\r' && next + 1 < bytes.size() && bytes[next + 1] == '\n') ? 2 : 1;
        if (!take(bytes.substr(pos, end - pos), next))
            return;
        pos = next;
    }
}

} // namespace

QStringList TAboutBox::aboutLines(std::string_view fileBytes, int language)
{
    const char* const headers[] = {"[AboutFR]", "[AboutDE]", "[AboutGB]"};
    const std::string_view header = headers[(language >= 1 && language <= 2) ? language : 0];
    // Where the header line is missing the text starts at the top of the file.
    std::size_t start = 0;
    forEachLine(fileBytes, [&](std::string_view line, std::size_t next) {
        if (!isHeader(line, header))
            return true;
        start = next;
        return false;
    });
    // The file is decoded as a whole: UTF-8 when all of it is, else Windows-1252.
    const bool utf8 = isValidUtf8(fileBytes);
    QStringList lines;
    forEachLine(fileBytes.substr(start), [&](std::string_view line, std::size_t) {
        if (line.find('[') != std::string_view::npos)
            return false;
        lines << (utf8 ? QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size()))
                       : decodeWindows1252(line));
        return true;
    });
    return lines;
}

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("AboutBox"));
    applyDesignFont(this);
    buildLayout();

    {
        const IniFile ini(settingsFilePath());
        const int l = ini.readInteger("Langue", "current", 0);
        language_ = l;
        Copyright->setText(caption(l, 22, "Auteur"));
        Copyright1->setText(caption(l, 23, "Tests"));
        CheckBox1->setText(caption(l, 24, "Ne plus afficher"));
        setWindowTitle(caption(l, 25, "About"));
        CheckBox1->setChecked(ini.readBool("About", "Affiche", false));
        OKButton->setText(caption(l, 20, "Ok"));
        fitLabels(this);

        // A missing or unreadable file leaves the text empty.
        if (ini.exists() && ini.loadError().empty())
            Memo1->setPlainText(aboutLines(ini.content(), l).join(QLatin1Char('\n')));
    }
}

void TAboutBox::buildLayout()
{
    setFixedSize(589, 436);

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(8, 8, 576, 377);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setLineWidth(2);

    ProgramIcon = new QLabel(Panel1);
    ProgramIcon->setObjectName(QStringLiteral("ProgramIcon"));
    ProgramIcon->setGeometry(8, 8, 74, 66);
    ProgramIcon->setScaledContents(true);
    ProgramIcon->setPixmap(QPixmap(QStringLiteral(":/icons/tolvane.png")));

    Softname = designLabel(Panel1, "Softname", 88, 8);
    Version = designLabel(Panel1, "Version", 88, 41);
    for (QLabel* title : {Softname, Version})
        applyDesignFont(title, 24, {QStringLiteral("Comic Sans MS"), QStringLiteral("Comic Neue")});
    Softname->setText(QStringLiteral("Tolvane"));
    Version->setText(QStringLiteral("V 1.11"));
    Comments = designLabel(Panel1, "Comments", 88, 80);
    Comments->setWordWrap(true);
    Comments->setText(QStringLiteral("02/01/2009"));

    // Each credit caption ends just before the name it introduces.
    Copyright = designLabel(Panel1, "Copyright", 264, 12, 33, true);
    Label3 = designLabel(Panel1, "Label3", 301, 12);
    Label3->setText(QStringLiteral("Tolvane developers"));
    Copyright1 = designLabel(Panel1, "Copyright1", 264, 31, 85, true);
    Label5 = designLabel(Panel1, "Label5", 353, 31);
    Label5->setText(QStringLiteral("Tolvane contributors"));
    Label4 = designLabel(Panel1, "Label4", 256, 64);
    applyDesignFont(Label4, 19);
    QPalette red = Label4->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    Label4->setPalette(red);
    Label4->setText(QStringLiteral("tolvane.invalid"));
    Label4->setTextInteractionFlags(Qt::TextSelectableByMouse);

    Memo1 = new QPlainTextEdit(Panel1);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setGeometry(8, 118, 537, 241);
    Memo1->setReadOnly(true);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    OKButton = new QPushButton(this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setGeometry(247, 404, 75, 25);
    OKButton->setDefault(true);
    OKButton->setFocus();
    connect(OKButton, &QPushButton::clicked, this, &TAboutBox::OKButtonClick);

    CheckBox1 = new QCheckBox(this);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckBox1->setGeometry(8, 408, 233, 17);
    // clicked, not toggled: only the user's tick is stored, not the state
    // read from the file.
    connect(CheckBox1, &QCheckBox::clicked, this, &TAboutBox::CheckBox1Click);
}

void TAboutBox::OKButtonClick()
{
    accept();
}

void TAboutBox::CheckBox1Click()
{
    std::string error;
    if (setShowAboutAtStart(CheckBox1->isChecked(), &error))
        return;
    // The box shows what the file holds.
    CheckBox1->setChecked(!CheckBox1->isChecked());
    showError(this, settingsNotSavedText(language_, error));
}
