#include "ui/WindowText.h"

namespace {

struct TextRow {
    WindowText key;
    const char* french;
    const char* german;
    const char* english;
};

// clang-format off
constexpr TextRow kTexts[] = {
    {WindowText::ReportNotTranslated, "Non traduit\u00a0: %1", "Nicht übersetzt: %1", "Not translated: %1"},
    {WindowText::ReportPartlyTranslated, "Traduit en partie\u00a0: %1", "Teilweise übersetzt: %1",
     "Partly translated: %1"},
    {WindowText::ReportReasonLine, "Raison\u00a0: %1.", "Grund: %1.", "Reason: %1."},
    {WindowText::ReportPartlyNote,
     "Ce qui pouvait être traduit l'a été ; le reste du groupe a été laissé de côté.",
     "Was übersetzt werden konnte, wurde übersetzt; der Rest der Gruppe wurde ausgelassen.",
     "What could be translated was; the rest of the group was left out."},
    {WindowText::ReportCount, "Rapport %1 / %2", "Meldung %1 / %2", "Report %1 / %2"},
    {WindowText::ReportSkipButton, "Ne plus afficher de rapports pour cette traduction",
     "Keine Meldungen mehr für diese Übersetzung", "Stop showing reports for this translation"},
    {WindowText::ToolTipNotTranslated, "Non traduit\u00a0: %1 (%2)", "Nicht übersetzt: %1 (%2)",
     "Not translated: %1 (%2)"},
    {WindowText::ToolTipPartlyTranslated, "Traduit en partie\u00a0: %1 (%2)",
     "Teilweise übersetzt: %1 (%2)", "Partly translated: %1 (%2)"},
    {WindowText::SaveBeforeDriverCaption, "Usiner", "Fräsen", "Machining"},
    {WindowText::SaveBeforeDriverText,
     "La traduction affichée n'a pas été enregistrée\u00a0: le pilote ne pourrait charger qu'un "
     "fichier plus ancien. L'enregistrer d'abord ?",
     "Die angezeigte Übersetzung wurde nicht gespeichert: der Treiber könnte nur eine ältere "
     "Datei laden. Zuerst speichern?",
     "The translation on screen has not been saved: the driver could only load an older file. "
     "Save it first?"},
    {WindowText::SaveBeforeDriverSave, "Enregistrer", "Speichern", "Save"},
    {WindowText::SaveBeforeDriverStart, "Démarrer sans enregistrer", "Ohne Speichern starten",
     "Start without saving"},
    {WindowText::SaveBeforeDriverCancel, "Annuler", "Abbrechen", "Cancel"},
    {WindowText::DriverLoadFile,
     "Chargez dans le pilote le fichier de commandes :\n%1\n\nSon chemin est copié dans le "
     "presse-papiers.",
     "Laden Sie im Treiber die Befehlsdatei:\n%1\n\nIhr Pfad ist in die Zwischenablage kopiert.",
     "Load this command file in the driver:\n%1\n\nIts path has been copied to the clipboard."},
    {WindowText::DriverNoSavedFile,
     "Aucun fichier de commandes n'a été enregistré\u00a0: le pilote n'a rien à charger de cette "
     "traduction.",
     "Es wurde keine Befehlsdatei gespeichert: der Treiber hat von dieser Übersetzung nichts zu "
     "laden.",
     "No command file has been saved: the driver has nothing of this translation to load."},
    {WindowText::DriverOlderFile,
     "Attention\u00a0: le dernier fichier enregistré ne contient pas la traduction affichée.",
     "Achtung: die zuletzt gespeicherte Datei enthält nicht die angezeigte Übersetzung.",
     "Beware: the file saved last does not hold the translation on screen."},
    {WindowText::DriverPassFileOption, "Donner au pilote le fichier de commandes enregistré",
     "Dem Treiber die gespeicherte Befehlsdatei übergeben",
     "Pass the saved command file to the driver"},
    {WindowText::SavedStatus, "Enregistré\u00a0: %1", "Gespeichert: %1", "Saved: %1"},
    {WindowText::EmptyProgramStatus, "Le programme est vide", "Das Programm ist leer",
     "The program is empty"},
    {WindowText::GoToLineMenu, "Aller à la ligne…", "Gehe zu Zeile…", "Go to line…"},
    {WindowText::GoToLineCaption, "Aller à la ligne", "Gehe zu Zeile", "Go to line"},
    {WindowText::GoToLineLabel, "Ligne (1 à %1)\u00a0:", "Zeile (1 bis %1):", "Line (1 to %1):"},
    {WindowText::FindMenu, "Rechercher…", "Suchen…", "Find…"},
    {WindowText::FindNextMenu, "Rechercher le suivant", "Weitersuchen", "Find next"},
    {WindowText::FindCaption, "Rechercher", "Suchen", "Find"},
    {WindowText::FindLabel, "Texte à rechercher dans le programme\u00a0:",
     "Im Programm zu suchender Text:", "Text to find in the program:"},
    {WindowText::FindNotFound, "«\u00a0%1\u00a0» introuvable", "„%1“ nicht gefunden", "\"%1\" not found"},
    {WindowText::FindFoundWrapped, "«\u00a0%1\u00a0» trouvé en reprenant au début",
     "„%1“ gefunden, vom Anfang an weitergesucht", "\"%1\" found, going on from the top"},
    {WindowText::RecentFilesMenu, "Fichiers récents", "Zuletzt geöffnet", "Recent files"},
    {WindowText::RecentFilesNone, "(aucun)", "(keine)", "(none)"},
    {WindowText::ReportedLineReason, "\u00a0: %1", ": %1", ": %1"},
    {WindowText::PreviewExtent, "Programme\u00a0: X %1 à %2, Y %3 à %4, Z %5 à %6 mm",
     "Programm: X %1 bis %2, Y %3 bis %4, Z %5 bis %6 mm",
     "Program: X %1 to %2, Y %3 to %4, Z %5 to %6 mm"},
    {WindowText::WithoutEffectStatus, "Sans effet sur cette machine : %1",
     "Ohne Wirkung auf dieser Maschine: %1", "No effect on this machine: %1"},
};
// clang-format on

} // namespace

QString windowText(int language, WindowText text)
{
    for (const TextRow& row : kTexts) {
        if (row.key != text)
            continue;
        const char* chosen = language == 1 ? row.german : language == 2 ? row.english : row.french;
        return QString::fromUtf8(chosen);
    }
    return {};
}
