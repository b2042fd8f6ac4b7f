#include "engine/Settings.h"

#include <array>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <memory>
#include <utility>

#include "engine/IniFile.h"
#include "engine/platform/FileStatus.h"

namespace {

// What the last load could not use (see settingsProblems), as sentences
// and as values.
std::vector<std::string> problems;
std::vector<SettingsProblem> details;

void noteProblem(SettingsProblem::Kind kind, std::string key, std::string text, std::string used)
{
    SettingsProblem problem;
    problem.kind = kind;
    problem.key = std::move(key);
    problem.text = std::move(text);
    problem.used = std::move(used);
    details.push_back(std::move(problem));
}

std::string quoted(const std::string& text)
{
    return "\"" + text + "\"";
}

// Notes a value that is present but does not read as a number.
void checkNumberText(const IniFile& ini, const char* key, bool whole, const std::string& used)
{
    const auto text = ini.value("Machine", key);
    if (!text)
        return;
    float real = 0.0f;
    int32_t integer = 0;
    const bool ok = whole ? parseSettingsInteger(*text, integer) : parseSettingsFloat(*text, real);
    if (!ok) {
        problems.push_back(std::string(key) + " = " + quoted(*text) + " is not " +
                           (whole ? "a whole number" : "a number") + "; " + used + " is used.");
        noteProblem(whole ? SettingsProblem::Kind::NotAWholeNumber
                          : SettingsProblem::Kind::NotANumber,
                    key, *text, used);
    }
}

// The French texts of the user interface, by key. Other languages come from
// the settings file only; without it every window speaks French.
constexpr std::array<const char*, 110> kFrenchTexts = {
    "Fichier",                                                  // 0  main menu Fichier1
    "Ouvrir",                                                   // 1  open source file
    "Enregistrer fichier traduit",                              // 2  save translated file
    "Edition",                                                  // 3  main menu Editio1
    "Fraisage",                                                 // 4  main menu Fraisage1
    "Configuration",                                            // 5  menu Configuration1
    "Quitter",                                                  // 6  Quitter1
    "A propos",                                                 // 7  Apropos1
    "Axe X",                                                    // 8  configuration dialog
    "Axe Y",                                                    // 9
    "Axe Z",                                                    // 10
    "Nombre de pas par tour",                                   // 11
    "Pas de la vis en mm",                                      // 12
    "Autres",                                                   // 13
    "Vitesse rapide en mm/s sur axes XY",                       // 14
    "Précision en interpolation en mm",                         // 15
    "Applications",                                             // 16
    "Langue",                                                   // 17
    "Editeur de texte",                                         // 18
    "Controle profiler",                                        // 19
    "OK",                                                       // 20 (the About box uses "Ok")
    "Cancel",                                                   // 21
    "Auteur",                                                   // 22 About box
    "Tests",                                                    // 23
    "Ne plus afficher",                                         // 24
    "About",                                                    // 25
    "Le code suivant non traité a été ignoré",                  // 26 ignored word group
    "Fichiers Iso|*.iso|Fichier nc|*.nc|Tous les fichiers|*.*", // 27
    "Actualiser fichier source",                                // 28
    "Editer fichier source",                                    // 29
    "Relancer la convertion",                                   // 30
    "Fichier colinbus|*.Cbr|Fichier colinbus 3D|*.C3d|Tous les fichiers|*.*", // 31
    "Vitesse rapide en mm/s sur axe Z",                                       // 32
    "Aperçu",                                                                 // 33
    "Usiner",                                                                 // 34
    "Pièce Brute",                                                            // 35
    "Ignorer la suite",               // 36 skips the remaining reports of a run
    "Ligne %1\u00a0: %2",             // 37 the report box's second line
    "(ligne vide)",                   // 38
    "Aucun code ignoré",              // 39 status line
    "1 code ignoré, ligne %1",        // 40
    "%1 codes ignorés, ligne %2",     // 41
    "%1 codes ignorés sur %2 lignes", // 42
    "%1\u00a0: ligne signalée suivante, %2\u00a0: précédente", // 43
    "Ligne signalée suivante",                                 // 44 menu, F8
    "Ligne signalée précédente",                               // 45 menu, Shift+F8
    "Ligne signalée %1 sur %2\u00a0: ligne %3",                // 46
    "Ignoré\u00a0: %1",                                        // 47 tooltip of a marked line
    "Impossible de lire «\u00a0%1\u00a0»\u00a0: %2.",          // 48 failures of the commands
    "Impossible d'écrire «\u00a0%1\u00a0»\u00a0: %2.",         // 49
    "Un fichier existant de ce nom n'a pas été modifié.",      // 50
    "Impossible de démarrer le programme «\u00a0%1\u00a0»\u00a0: %2.",           // 51
    "Commande\u00a0: %1",                                                        // 52
    "Vérifiez le programme dans %1.",                                            // 53
    "Aucun programme n'est indiqué pour cette commande («\u00a0%1\u00a0»).",     // 54
    "Indiquez-le dans %1.",                                                      // 55
    "Pas assez de mémoire pour traduire «\u00a0%1\u00a0».",                      // 56
    "Certains réglages de «\u00a0%1\u00a0» ne peuvent pas être utilisés\u00a0:", // 57
    "Impossible d'enregistrer les réglages\u00a0:",                              // 58
    "c'est un dossier",                                                          // 59 reasons
    "ce n'est pas un fichier ordinaire",                                         // 60
    "il dépasse 2\u00a0Gio, ce n'est pas un programme",                          // 61
    "pas assez de mémoire",                                                      // 62
    "tout n'a pas pu être écrit",                                                // 63
    "ce fichier n'existe pas",                                                   // 64
    "c'est un dossier, pas un programme",                                        // 65
    "le fichier n'est pas exécutable",                                           // 66
    "aucun programme de ce nom n'a été trouvé dans le PATH",                     // 67
    "le système a refusé de le démarrer",                                        // 68
    "fichier ou dossier introuvable",                                            // 69 ENOENT
    "permission refusée",                                                        // 70 EACCES, EPERM
    "système de fichiers en lecture seule",                                      // 71 EROFS
    "plus de place sur le disque",                                      // 72 ENOSPC, EDQUOT
    "fichier trop volumineux",                                          // 73 EFBIG
    "un élément du chemin n'est pas un dossier",                        // 74 ENOTDIR
    "erreur d'entrée-sortie",                                           // 75 EIO
    "nom de fichier trop long",                                         // 76 ENAMETOOLONG
    "trop de fichiers ouverts",                                         // 77 EMFILE, ENFILE
    "fichier ou périphérique occupé",                                   // 78 EBUSY, ETXTBSY
    "trop de niveaux de liens symboliques",                             // 79 ELOOP
    "impossible de créer un fichier temporaire dans son dossier (%1)",  // 80 the settings file
    "n'a pas pu être lu et reste donc inchangé (%1)",                   // 81
    "c'est un dossier, pas un fichier",                                 // 82
    "%1 = «\u00a0%2\u00a0» n'est pas un nombre\u00a0; %3 est utilisé.", // 83 values of the settings
                                                                        // file that cannot be used
    "%1 = «\u00a0%2\u00a0» n'est pas un nombre entier\u00a0; %3 est utilisé.", // 84
    "%1 = %2 avec %3 = %4 ne donne pas de nombre de pas par millimètre utilisable (il faut un pas "
    "de vis supérieur à 0 et au moins un pas entier par millimètre)\u00a0; les valeurs d'usine "
    "%5\u00a0mm et %6 pas sont utilisées.",                                                  // 85
    "%1 = %2 n'est pas une vitesse que la machine peut suivre\u00a0; %3 est utilisé.",       // 86
    "Precision = «\u00a0%1\u00a0» n'est pas un nombre supérieur à 0\u00a0; %2 est utilisé.", // 87
    "Le fichier n'a pas pu être lu (%1)\u00a0; tous les réglages prennent leur valeur d'usine.", // 88
    "%1\u00a0:",                                            // 89 a field name before its problem
    "«\u00a0%1\u00a0» n'est pas un nombre positif.",        // 90 the configuration dialog
    "«\u00a0%1\u00a0» n'est pas un nombre entier positif.", // 91
    "Rechercher un fichier",                                // 92
    "Fichier exe|*.exe|Tous les fichiers|*.*",              // 93
    "%1 «\u00a0%2\u00a0» n'est pas un nombre valide",       // 94 the preview: a stock size
    "Cadrer",                                               // 95 frames the whole path
    "Montrer toute la trajectoire (%1)",                    // 96 its tooltip, %1 the key
    "Une erreur inattendue s'est produite.",                // 97 the program's start
    "Traduit des programmes G-code en commandes pour la fraiseuse PROFILER.", // 98
    "Programme G-code à ouvrir (.nc, .iso).",                                 // 99
    "[fichier]",                                                              // 100
    "%p\u00a0%",                                                              // 101 progress bar
    "ce n'est pas un fichier texte G-code", // 102 why a file is not opened
    "Étendue X %1 à %2, Y %3 à %4, Z %5 à %6\u00a0mm", // 103 status line
    "Ligne %1\u00a0: le parcours sort de la course %2 (%3\u00a0mm) de %4\u00a0mm.", // 104
    "Course en mm", // 105 configuration dialog: the machine's travel
    "«\u00a0%1\u00a0» n'est pas compris entre %2 et %3.", // 106
    "%1 pas par tour avec un pas de vis de %2\u00a0mm donnent %3 pas par millimètre\u00a0; il en faut "
    "entre %4 et %5.", // 107
    "«\u00a0%1\u00a0» n'est pas une course en mm (laissez le champ vide si elle n'est pas connue).", // 108
    "%1 = «\u00a0%2\u00a0» n'est pas une course en mm\u00a0; la course est prise comme inconnue.", // 109
};

constexpr float kDefaultPitch = 5.0f;
constexpr int32_t kDefaultStepsPerRev = 200;
constexpr float kDefaultStepsPerMm = 40.0f;
constexpr float kDefaultPrecision = 0.25f;

const char* languageSection(int language)
{
    switch (language) {
    case 0:
        return "FR";
    case 1:
        return "DE";
    case 2:
        return "GB";
    default:
        return nullptr;
    }
}

// Reads one axis: screw pitch, steps per revolution, and the steps per
// millimetre derived from them at once. A pitch or step count the machine
// cannot have (zero, negative) or fewer than one whole step per millimetre
// would divide by zero or make every coordinate zero; the axis then keeps its
// factory mechanics.
void readAxis(const IniFile& ini, const char* pitchKey, const char* stepsKey, float& pitch,
              int32_t& stepsPerRev, float& stepsPerMm)
{
    checkNumberText(ini, pitchKey, false, formatSettingsFloat(kDefaultPitch));
    checkNumberText(ini, stepsKey, true, std::to_string(kDefaultStepsPerRev));
    pitch = ini.readFloat("Machine", pitchKey, kDefaultPitch);
    stepsPerRev = ini.readInteger("Machine", stepsKey, kDefaultStepsPerRev);
    bool usable = pitch > 0.0f && stepsPerRev > 0;
    if (usable) {
        stepsPerMm = static_cast<float>(static_cast<long double>(stepsPerRev) /
                                        static_cast<long double>(pitch));
        // The whole part must also fit the controller's integer step counts.
        usable = std::isfinite(stepsPerMm) && stepsPerMm >= 1.0f && stepsPerMm < 2147483648.0f;
    }
    if (!usable) {
        problems.push_back(std::string(pitchKey) + " = " + formatSettingsFloat(pitch) + " with " +
                           stepsKey + " = " + std::to_string(stepsPerRev) +
                           " gives no usable steps per millimetre (a lead above 0 and at least "
                           "one whole step per millimetre are needed); the factory " +
                           formatSettingsFloat(kDefaultPitch) + " mm and " +
                           std::to_string(kDefaultStepsPerRev) + " steps are used.");
        noteProblem(SettingsProblem::Kind::NoStepsPerMm, pitchKey, formatSettingsFloat(pitch),
                    formatSettingsFloat(kDefaultPitch));
        details.back().otherKey = stepsKey;
        details.back().otherText = std::to_string(stepsPerRev);
        details.back().otherUsed = std::to_string(kDefaultStepsPerRev);
        pitch = kDefaultPitch;
        stepsPerRev = kDefaultStepsPerRev;
        stepsPerMm = kDefaultStepsPerMm;
    }
}

std::string wholeNumberText(float value)
{
    return std::to_string(static_cast<long long>(std::trunc(value)));
}

// A rapid speed the machine cannot run (zero or negative) falls back to the
// factory value instead of writing a header that stops the machine.
float readSpeed(const IniFile& ini, const char* key, float def)
{
    checkNumberText(ini, key, false, formatSettingsFloat(def));
    const float speed = ini.readFloat("Machine", key, def);
    if (speed > 0.0f)
        return speed;
    problems.push_back(std::string(key) + " = " + formatSettingsFloat(speed) +
                       " is not a speed the machine can run; " + formatSettingsFloat(def) +
                       " is used.");
    noteProblem(SettingsProblem::Kind::NotASpeed, key, formatSettingsFloat(speed),
                formatSettingsFloat(def));
    return def;
}

// Every window looks its captions up one by one, each lookup reading the
// settings file. The file read last is kept and used again while the file on
// disk is the same one, unchanged (same inode, size and change times), so a
// localisation pass reads it once; any change on disk, ours included (they
// replace the inode), makes the next lookup read it afresh. File times tick
// coarsely, so a file changed in the last seconds before it was read could be
// changed again with the same times: such a copy is never used again.
struct CachedFile {
    std::string path;
    FileStatus st;
    std::unique_ptr<IniFile> ini;
};
CachedFile cache;

bool sameFileState(const FileStatus& a, const FileStatus& b)
{
    return sameFile(a, b) && a.size == b.size && a.modifiedNs == b.modifiedNs &&
           a.changedNs == b.changedNs;
}

std::int64_t wholeSeconds(std::int64_t nanoseconds)
{
    return nanoseconds / 1'000'000'000;
}

const IniFile& settingsFile()
{
    const std::string path = settingsFilePath();
    FileStatus st;
    if (!fileStatus(path, st) || st.kind != FileKind::Regular || !st.identityKnown) {
        cache.ini = std::make_unique<IniFile>(path);
        cache.path.clear();
        return *cache.ini;
    }
    if (!cache.ini || cache.path != path || !sameFileState(cache.st, st)) {
        cache.ini = std::make_unique<IniFile>(path);
        cache.path = path;
        cache.st = st;
        FileStatus after;
        const std::int64_t now = std::chrono::duration_cast<std::chrono::seconds>(
                                     std::chrono::system_clock::now().time_since_epoch())
                                     .count();
        const bool recent =
            now - wholeSeconds(st.modifiedNs) < 3 || now - wholeSeconds(st.changedNs) < 3;
        if (recent || !fileStatus(path, after) || !sameFileState(after, st))
            cache.path.clear();
    }
    return *cache.ini;
}

// A travel in mm: empty or missing means unknown (no check); anything but a
// positive number is reported and left unknown.
float readTravel(const IniFile& ini, const char* key)
{
    const auto text = ini.value("Machine", key);
    if (!text || text->empty())
        return 0.0f;
    float travel = 0.0f;
    if (parseSettingsFloat(*text, travel) && travel > 0.0f)
        return travel;
    problems.push_back(std::string(key) + " = " + quoted(*text) +
                       " is not a travel in mm; the travel is taken as unknown.");
    noteProblem(SettingsProblem::Kind::NotATravel, key, *text, {});
    return 0.0f;
}

} // namespace

StepsPerMmTexts loadMachineSettings(const std::function<void()>& showAboutBox)
{
    const IniFile& ini = settingsFile();
    problems.clear();
    details.clear();
    if (!ini.loadError().empty()) {
        problems.push_back("The file could not be read (" + ini.loadError() +
                           "); every setting takes its factory value.");
        noteProblem(SettingsProblem::Kind::Unreadable, {}, ini.loadError(), {});
    }
    MachineSettings s;
    s.editorPath = ini.readString("Applications", "Editeur", s.editorPath);
    s.driverPath = ini.readString("Applications", "Driver", s.driverPath);
    readAxis(ini, "Pas de vis X", "Pas par tour X", s.screwPitchX, s.stepsPerRevX, s.stepsPerMmX);
    readAxis(ini, "Pas de vis Y", "Pas par tour Y", s.screwPitchY, s.stepsPerRevY, s.stepsPerMmY);
    readAxis(ini, "Pas de vis Z", "Pas par tour Z", s.screwPitchZ, s.stepsPerRevZ, s.stepsPerMmZ);
    s.maxSpeedXY = readSpeed(ini, "Vitesse maxi", 50.0f);
    s.maxSpeedZ = readSpeed(ini, "Vitesse maxi Z", 30.0f);

    // Files written under a ',' locale and under a '.' locale both hold
    // usable precisions; anything that is not a positive number would make
    // the chord computation of arcs meaningless.
    float precision = kDefaultPrecision;
    const auto text = ini.value("Machine", "Precision");
    if (text && parseSettingsFloat(*text, precision) && precision > 0.0f) {
        s.arcPrecision = precision;
    } else {
        s.arcPrecision = kDefaultPrecision;
        if (text) {
            problems.push_back("Precision = " + quoted(*text) + " is not a number above 0; " +
                               formatSettingsFloat(kDefaultPrecision) + " is used.");
            noteProblem(SettingsProblem::Kind::BadPrecision, "Precision", *text,
                        formatSettingsFloat(kDefaultPrecision));
        }
    }

    s.travelX = readTravel(ini, kTravelKeys[0]);
    s.travelY = readTravel(ini, kTravelKeys[1]);
    s.travelZ = readTravel(ini, kTravelKeys[2]);

    s.language = ini.readInteger("Langue", "current", 0);
    const bool aboutSwitchedOff = ini.readBool("About", "Affiche", false);
    machineSettings = s;

    StepsPerMmTexts texts;
    texts.ofx = wholeNumberText(s.stepsPerMmX);
    texts.ofy = wholeNumberText(s.stepsPerMmY);
    texts.ofz = wholeNumberText(s.stepsPerMmZ);
    if (!aboutSwitchedOff && showAboutBox)
        showAboutBox();
    return texts;
}

const std::vector<std::string>& settingsProblems()
{
    return problems;
}

const std::vector<SettingsProblem>& settingsProblemDetails()
{
    return details;
}

std::string lookupText(int language, const std::string& key, const std::string& frenchDefault)
{
    const char* section = languageSection(language);
    if (!section)
        return frenchDefault;
    return settingsFile().readString(section, key, frenchDefault);
}

std::string lookupText(int language, int key)
{
    return lookupText(language, std::to_string(key), frenchText(key));
}

std::string frenchText(int key)
{
    if (key < 0 || key >= static_cast<int>(kFrenchTexts.size()))
        return {};
    return kFrenchTexts[static_cast<std::size_t>(key)];
}

bool setShowAboutAtStart(bool flag, std::string* error)
{
    std::string path;
    if (!prepareSettingsForWriting(path, error))
        return false;
    IniFile ini(path);
    ini.writeBool("About", "Affiche", flag);
    return ini.save(error);
}
