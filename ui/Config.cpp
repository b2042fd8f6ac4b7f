#include "ui/Config.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QOperatingSystemVersion>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <algorithm>
#include <iterator>

#include "engine/IniFile.h"
#include "engine/Settings.h"
#include "ui/ConfigChecks.h"
#include "ui/ConfigLayout.h"
#include "ui/DriverStart.h"
#include "ui/WindowText.h"
#include "ui/FailureText.h"
#include "ui/MessageBox.h"
#include "ui/RunTextKeys.h"
#include "ui/UiText.h"

namespace {

const char* const kDefaultEditor = "c:\\windows\\notepad.exe";
const char* const kDefaultDriver = "C:\\Program Files\\Colinbus\\ColiDriveProfiler\\COLUSR.exe";
// Offered for a missing precision: a finer chord than the translator's own
// fallback for a missing key; confirming the dialog stores it.
constexpr float kDialogPrecision = 0.05f;
// Digits every numeric field shows whole.
constexpr int kDigitsShown = 10;

QString caption(int language, int key, const char* frenchDefault)
{
    return settingsTextToQString(
        lookupText(language, std::to_string(key), std::string(frenchDefault)));
}

bool positiveFloat(const QString& text, float& value)
{
    const QByteArray bytes = text.toUtf8();
    float v = 0.0f;
    if (!parseSettingsFloat(std::string_view(bytes.constData(), bytes.size()), v) || !(v > 0.0f))
        return false;
    value = v;
    return true;
}

bool positiveInteger(const QString& text, int32_t& value)
{
    const QByteArray bytes = text.toUtf8();
    int32_t v = 0;
    if (!parseSettingsInteger(std::string_view(bytes.constData(), bytes.size()), v) || v <= 0)
        return false;
    value = v;
    return true;
}

std::string utf8(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

} // namespace

QString programsFilter(const QString& pipeFilter, bool windows)
{
    if (windows)
        return pipeFilter;
    // Programs on other systems have no ".exe": the entry for every file
    // comes first, the others keep their order after it.
    const QStringList parts = pipeFilter.split(QLatin1Char('|'));
    QStringList everything;
    QStringList others;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QStringList patterns =
            parts[i + 1].split(QRegularExpression(QStringLiteral("[;\\s]+")), Qt::SkipEmptyParts);
        const bool all =
            patterns.contains(QLatin1String("*.*")) || patterns.contains(QLatin1String("*"));
        (all && everything.isEmpty() ? everything : others) << parts[i] << parts[i + 1];
    }
    return (everything + others).join(QLatin1Char('|'));
}

bool runsOnWindows()
{
    return QOperatingSystemVersion::currentType() == QOperatingSystemVersion::Windows;
}

TForm2::TForm2(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Config Tolvane"));
    applyDesignFont(this);
    buildLayout();
    localise();
    FormCreate();
}

void TForm2::buildLayout()
{
    setFixedSize(529, 360);

    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->setGeometry(0, 0, 529, 297);

    // ---- the machine: steps per turn and screw pitch per axis, speeds, precision
    TabSheet1 = new QWidget;
    TabSheet1->setObjectName(QStringLiteral("TabSheet1"));
    PageControl1->addTab(TabSheet1, QStringLiteral("Profiler"));
    struct AxisRow {
        QLabel** heading;
        const char* headingName;
        int headingTop;
        QLabel** stepsLabel;
        const char* stepsLabelName;
        QLineEdit** steps;
        const char* stepsName;
        QLabel** pitchLabel;
        const char* pitchLabelName;
        QLineEdit** pitch;
        const char* pitchName;
        int top; // of the edits
    };
    const AxisRow rows[] = {
        {&Label3, "Label3", 19, &Label4, "Label4", &PasParTourX, "PasParTourX", &Label5, "Label5",
         &PasVisX, "PasVisX", 35},
        {&Label7, "Label7", 57, &Label8, "Label8", &PasParTourY, "PasParTourY", &Label9, "Label9",
         &PasVisY, "PasVisY", 83},
        {&Label15, "Label15", 103, &Label16, "Label16", &PasParTourZ, "PasParTourZ", &Label18,
         "Label18", &PasVisZ, "PasVisZ", 131},
    };
    for (const AxisRow& r : rows) {
        *r.heading = designLabel(TabSheet1, r.headingName, 16, r.headingTop);
        *r.stepsLabel = designLabel(TabSheet1, r.stepsLabelName, 54, r.top + 3, 121, true);
        *r.steps = designEdit(TabSheet1, r.stepsName, 181, r.top, 26);
        *r.pitchLabel = designLabel(TabSheet1, r.pitchLabelName, 240, r.top + 3, 103, true);
        *r.pitch = designEdit(TabSheet1, r.pitchName, 349, r.top, 26);
        (*r.stepsLabel)->setBuddy(*r.steps);
        (*r.pitchLabel)->setBuddy(*r.pitch);
    }
    struct TravelRow {
        QLabel** label;
        const char* labelName;
        QLineEdit** edit;
        const char* editName;
        int top;
    };
    const TravelRow travelRows[] = {
        {&LabelCourseX, "LabelCourseX", &CourseX, "CourseX", 35},
        {&LabelCourseY, "LabelCourseY", &CourseY, "CourseY", 83},
        {&LabelCourseZ, "LabelCourseZ", &CourseZ, "CourseZ", 131},
    };
    for (const TravelRow& r : travelRows) {
        *r.label = designLabel(TabSheet1, r.labelName, 385, r.top + 3, 70, true);
        *r.edit = designEdit(TabSheet1, r.editName, 461, r.top, 40);
        (*r.label)->setBuddy(*r.edit);
    }
    Label17 = designLabel(TabSheet1, "Label17", 16, 164);
    Label10 = designLabel(TabSheet1, "Label10", 28, 198, 175, true);
    VMax = designEdit(TabSheet1, "VMax", 209, 195, 26);
    Label11 = designLabel(TabSheet1, "Label11", 28, 233, 175, true);
    VMax_Z = designEdit(TabSheet1, "VMax_Z", 209, 230, 26);
    Label6 = designLabel(TabSheet1, "Label6", 284, 198, 155, true);
    Precision = designEdit(TabSheet1, "Precision", 445, 195, 44);
    Label10->setBuddy(VMax);
    Label11->setBuddy(VMax_Z);
    Label6->setBuddy(Precision);
    // The axis headings stand out from the captions under them.
    for (QLabel* heading : {Label3, Label7, Label15, Label17}) {
        QFont bold = heading->font();
        bold.setBold(true);
        heading->setFont(bold);
    }

    // ---- the external programs
    TabSheet2 = new QWidget;
    TabSheet2->setObjectName(QStringLiteral("TabSheet2"));
    PageControl1->addTab(TabSheet2, QString());
    Label1 = designLabel(TabSheet2, "Label1", 40, 61, 78, true);
    EditorName = designEdit(TabSheet2, "EditorName", 123, 58, 286);
    BitBtn3 = new QPushButton(TabSheet2);
    BitBtn3->setObjectName(QStringLiteral("BitBtn3"));
    designPlace(BitBtn3, 438, 56, 27, 25);
    Label2 = designLabel(TabSheet2, "Label2", 40, 112, 78, true);
    DriverName = designEdit(TabSheet2, "DriverName", 123, 109, 286);
    BitBtn4 = new QPushButton(TabSheet2);
    BitBtn4->setObjectName(QStringLiteral("BitBtn4"));
    designPlace(BitBtn4, 438, 107, 27, 25);
    const QIcon glyph(QStringLiteral(":/icons/open.png"));
    for (QPushButton* browse : {BitBtn3, BitBtn4}) {
        browse->setIcon(glyph);
        browse->setIconSize(QSize(16, 16));
        browse->setAutoDefault(false);
    }
    DriverFichier = new QCheckBox(TabSheet2);
    DriverFichier->setObjectName(QStringLiteral("DriverFichier"));
    DriverFichier->move(123, 142);
    Label1->setBuddy(EditorName);
    Label2->setBuddy(DriverName);
    connect(BitBtn3, &QPushButton::clicked, this, &TForm2::BitBtn3Click);
    connect(BitBtn4, &QPushButton::clicked, this, &TForm2::BitBtn4Click);

    // ---- the language of the user interface
    Langue = new QWidget;
    Langue->setObjectName(QStringLiteral("Langue"));
    PageControl1->addTab(Langue, QString());
    LangueChoisie = new QComboBox(Langue);
    LangueChoisie->setObjectName(QStringLiteral("LangueChoisie"));
    LangueChoisie->setEditable(true);
    LangueChoisie->setInsertPolicy(QComboBox::NoInsert);
    LangueChoisie->addItems(
        {QStringLiteral("Fran\u00e7ais"), QStringLiteral("Deutsch"), QStringLiteral("English")});
    LangueChoisie->setGeometry(48, 24, 145, 21);

    // ---- the buttons under the pages
    BitBtn1 = new QPushButton(this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setGeometry(96, 312, 75, 25);
    BitBtn1->setDefault(true);
    BitBtn2 = new QPushButton(this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn2->setGeometry(248, 312, 75, 25);
    BitBtn2->setAutoDefault(false);
    connect(BitBtn1, &QPushButton::clicked, this, &TForm2::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);

    // Fonts on Linux are wider than the design's: a field must still show a
    // whole value (25600, 1.27), so the fields grow, what stands right of
    // them moves along, and the dialog grows by what that takes.
    int grow = 0;
    for (QWidget* page : {TabSheet1, TabSheet2, Langue})
        grow = std::max(grow, widenEditsForDigits(page, kDigitsShown));
    setFixedSize(529 + grow, 360);
    PageControl1->setGeometry(0, 0, 529 + grow, 297);
}

void TForm2::localise()
{
    const IniFile ini(settingsFilePath());
    language_ = ini.readInteger("Langue", "current", 0);
    const int l = language_;
    BitBtn1->setText(caption(l, 20, "OK"));
    BitBtn2->setText(caption(l, 21, "Cancel"));
    Label3->setText(caption(l, 8, "Axe X"));
    Label7->setText(caption(l, 9, "Axe Y"));
    Label15->setText(caption(l, 10, "Axe Z"));
    Label17->setText(caption(l, 13, "Autres"));
    const QString steps = caption(l, 11, "Nombre de pas par tour");
    Label4->setText(steps);
    Label8->setText(steps);
    Label16->setText(steps);
    const QString pitch = caption(l, 12, "Pas de la vis en mm");
    Label5->setText(pitch);
    Label9->setText(pitch);
    Label18->setText(pitch);
    const QString travel = uiText(l, kTextTravelCaption);
    LabelCourseX->setText(travel);
    LabelCourseY->setText(travel);
    LabelCourseZ->setText(travel);
    Label10->setText(caption(l, 14, "Vitesse rapide en mm/s sur axes XY"));
    Label11->setText(caption(l, 32, "Vitesse rapide en mm/s sur axe Z"));
    Label6->setText(caption(l, 15,
                            "Pr\xC3\xA9"
                            "cision en interpolation en mm"));
    PageControl1->setTabText(PageControl1->indexOf(TabSheet2), caption(l, 16, "Applications"));
    PageControl1->setTabText(PageControl1->indexOf(Langue), caption(l, 17, "Langue"));
    DriverFichier->setText(windowText(l, WindowText::DriverPassFileOption));
    DriverFichier->adjustSize();
    Label1->setText(caption(l, 18, "Editeur de texte"));
    Label2->setText(caption(l, 19, "Controle profiler"));
    fitLabels(this);
    int grow = 0;
    for (QWidget* page : {TabSheet1, TabSheet2, Langue})
        grow = std::max(grow, keepCaptionsClear(page));
    if (grow > 0) {
        setFixedSize(width() + grow, height());
        PageControl1->resize(PageControl1->width() + grow, PageControl1->height());
    }
}

void TForm2::FormCreate()
{
    const IniFile ini(settingsFilePath());
    editorLoaded_ = ini.readString("Applications", "Editeur", kDefaultEditor);
    EditorName->setText(settingsTextToQString(editorLoaded_));
    driverLoaded_ = ini.readString("Applications", "Driver", kDefaultDriver);
    DriverName->setText(settingsTextToQString(driverLoaded_));
    driverFileKeyPresent_ = ini.value("Applications", kDriverFileKey).has_value();
    DriverFichier->setChecked(ini.readBool("Applications", kDriverFileKey, false));
    const auto number = [](float value) {
        return QString::fromStdString(formatSettingsFloat(value));
    };
    PasVisX->setText(number(ini.readFloat("Machine", "Pas de vis X", 5.0f)));
    PasParTourX->setText(QString::number(ini.readInteger("Machine", "Pas par tour X", 200)));
    PasVisY->setText(number(ini.readFloat("Machine", "Pas de vis Y", 5.0f)));
    PasParTourY->setText(QString::number(ini.readInteger("Machine", "Pas par tour Y", 200)));
    PasVisZ->setText(number(ini.readFloat("Machine", "Pas de vis Z", 5.0f)));
    PasParTourZ->setText(QString::number(ini.readInteger("Machine", "Pas par tour Z", 200)));
    const int current = ini.readInteger("Langue", "current", 0);
    if (current >= 0 && current < LangueChoisie->count()) {
        LangueChoisie->setCurrentIndex(current);
    } else {
        LangueChoisie->setCurrentIndex(-1);
        LangueChoisie->setEditText(QString());
    }
    VMax->setText(number(ini.readFloat("Machine", "Vitesse maxi", 50.0f)));
    VMax_Z->setText(number(ini.readFloat("Machine", "Vitesse maxi Z", 30.0f)));
    Precision->setText(settingsTextToQString(
        ini.readString("Machine", "Precision", formatSettingsFloat(kDialogPrecision))));
    QLineEdit* const travels[] = {CourseX, CourseY, CourseZ};
    for (int a = 0; a < 3; ++a)
        travels[a]->setText(settingsTextToQString(ini.readString("Machine", kTravelKeys[a], "")));
    for (QLineEdit* edit : findChildren<QLineEdit*>())
        edit->setCursorPosition(0);
}

void TForm2::browseInto(QLineEdit* edit)
{
    FileDialog dialog(FileDialog::Mode::Open);
    dialog.title = uiText(language_, 92);
    dialog.filter = programsFilter(uiText(language_, 93), runsOnWindows());
    if (QFileInfo(edit->text()).isFile())
        dialog.fileName = edit->text();
    if (dialog.execute(this))
        edit->setText(dialog.fileName);
}

void TForm2::BitBtn3Click()
{
    browseInto(EditorName);
}

void TForm2::BitBtn4Click()
{
    browseInto(DriverName);
}

std::string TForm2::pathBytes(const QLineEdit* edit, const std::string& loaded) const
{
    if (edit->text() == settingsTextToQString(loaded))
        return loaded;
    return utf8(edit->text());
}

bool TForm2::validate()
{
    struct Field {
        QLineEdit* edit;
        QString name;
        ConfigField kind;
    };
    const auto axis = [](const QLabel* heading, const QLabel* caption) {
        return heading->text() + QStringLiteral(" \u2013 ") + caption->text();
    };
    const Field fields[] = {
        {PasVisX, axis(Label3, Label5), ConfigField::Lead},
        {PasParTourX, axis(Label3, Label4), ConfigField::StepsPerRev},
        {CourseX, axis(Label3, LabelCourseX), ConfigField::Travel},
        {PasVisY, axis(Label7, Label9), ConfigField::Lead},
        {PasParTourY, axis(Label7, Label8), ConfigField::StepsPerRev},
        {CourseY, axis(Label7, LabelCourseY), ConfigField::Travel},
        {PasVisZ, axis(Label15, Label18), ConfigField::Lead},
        {PasParTourZ, axis(Label15, Label16), ConfigField::StepsPerRev},
        {CourseZ, axis(Label15, LabelCourseZ), ConfigField::Travel},
        {VMax, Label10->text(), ConfigField::Speed},
        {VMax_Z, Label11->text(), ConfigField::Speed},
        {Precision, Label6->text(), ConfigField::Precision},
    };
    const auto refuse = [this](QLineEdit* edit, const QString& name, const QString& why) {
        showMessageBox(this, BoxRequest{QStringLiteral("Config Tolvane"),
                                        uiText(language_, 89).arg(name) + QLatin1Char('\n') + why,
                                        {},
                                        QMessageBox::Warning,
                                        {}});
        PageControl1->setCurrentWidget(TabSheet1);
        edit->setFocus();
        edit->selectAll();
        return false;
    };
    double values[std::size(fields)] = {};
    for (std::size_t i = 0; i < std::size(fields); ++i) {
        const Field& f = fields[i];
        const QString why = checkField(language_, f.kind, f.edit->text(), values[i]);
        if (!why.isEmpty())
            return refuse(f.edit, f.name, why);
    }
    // Each axis's steps per revolution over its lead: the whole steps per
    // millimetre the translator works with.
    for (std::size_t i = 0; i < 9; i += 3) {
        const QString why = checkAxis(language_, static_cast<int32_t>(values[i + 1]), values[i]);
        if (!why.isEmpty())
            return refuse(fields[i].edit, fields[i].name, why);
    }
    return true;
}

void TForm2::BitBtn1Click()
{
    if (!validate())
        return;
    float value = 0.0f;
    int32_t whole = 0;
    const auto real = [&](const QLineEdit* edit) {
        positiveFloat(edit->text(), value);
        return value;
    };
    const auto integer = [&](const QLineEdit* edit) {
        positiveInteger(edit->text(), whole);
        return whole;
    };
    // A language typed by hand that names none of the three selects none.
    const int language =
        LangueChoisie->findText(LangueChoisie->currentText().trimmed(), Qt::MatchFixedString);

    // An installed Tolvane writes into the user's own file, made now from
    // the file beside the program when it does not exist yet.
    std::string path;
    std::string error;
    if (!prepareSettingsForWriting(path, &error)) {
        showError(this, settingsNotSavedText(language_, error));
        return;
    }
    IniFile ini(path);
    ini.writeString("Applications", "Editeur", pathBytes(EditorName, editorLoaded_));
    ini.writeString("Applications", "Driver", pathBytes(DriverName, driverLoaded_));
    // Written once the user turned it on: a file that never had the option
    // gets no new line.
    if (driverFileKeyPresent_ || DriverFichier->isChecked())
        ini.writeBool("Applications", kDriverFileKey, DriverFichier->isChecked());
    ini.writeFloat("Machine", "Pas de vis X", real(PasVisX));
    ini.writeInteger("Machine", "Pas par tour X", integer(PasParTourX));
    ini.writeFloat("Machine", "Pas de vis Y", real(PasVisY));
    ini.writeInteger("Machine", "Pas par tour Y", integer(PasParTourY));
    ini.writeFloat("Machine", "Pas de vis Z", real(PasVisZ));
    ini.writeInteger("Machine", "Pas par tour Z", integer(PasParTourZ));
    ini.writeFloat("Machine", "Vitesse maxi", real(VMax));
    ini.writeFloat("Machine", "Vitesse maxi Z", real(VMax_Z));
    // A travel left empty stays out of a file that does not have the key.
    const QLineEdit* const travels[] = {CourseX, CourseY, CourseZ};
    for (int a = 0; a < 3; ++a) {
        const QString text = travels[a]->text().trimmed();
        if (!text.isEmpty() || ini.value("Machine", kTravelKeys[a]))
            ini.writeString("Machine", kTravelKeys[a], utf8(text));
    }
    // Stored as typed: the loader reads either decimal separator.
    ini.writeString("Machine", "Precision", utf8(Precision->text()));
    ini.writeInteger("Langue", "current", language);
    if (!ini.save(&error)) {
        showError(this, settingsNotSavedText(language_, error));
        return;
    }
    accept();
}
