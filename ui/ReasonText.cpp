// The reasons of the reports in the three languages of the window. A new
// reason of the engine gets its row here, at the end, in the enum's order.
#include "ui/ReasonText.h"

namespace {

struct ReasonRow {
    ReportReason reason;
    const char* french;
    const char* german;
    const char* english;
};

constexpr ReasonRow kReasons[] = {
    {ReportReason::None, "traduit", "übersetzt", "translated"},
    {ReportReason::UnsupportedCode, "code non pris en charge", "nicht unterstützter Code",
     "unsupported code"},
    {ReportReason::Parameter, "paramètre ou expression", "Parameter oder Ausdruck",
     "parameter or expression"},
    {ReportReason::PolarCoordinate, "coordonnée polaire", "Polarkoordinate", "polar coordinate"},
    {ReportReason::LongNumber, "nombre trop long", "Zahl zu lang", "number too long"},
    {ReportReason::NegativeFeed, "avance négative", "negativer Vorschub", "negative feed"},
    {ReportReason::OtherAxis, "axe que cette machine n'a pas (A, B, C, U, V, W)",
     "Achse, die diese Maschine nicht hat (A, B, C, U, V, W)",
     "axis this machine does not have (A, B, C, U, V, W)"},
    {ReportReason::OutOfRange, "coordonnée hors de la plage du contrôleur",
     "Koordinate außerhalb des Bereichs der Steuerung",
     "coordinate out of the controller's range"},
    {ReportReason::TooManyStairs, "déplacement trop long pour être écrit en escalier",
     "Bewegung zu lang, um sie als Treppe zu schreiben", "move too long to write as a staircase"},
    {ReportReason::OffCircle, "le point final de l'arc n'est pas sur son cercle",
     "der Endpunkt des Bogens liegt nicht auf seinem Kreis", "arc end point not on its circle"},
    {ReportReason::NoCircle, "arc donné par son rayon sans cercle possible",
     "Bogen mit Radiusangabe ohne möglichen Kreis", "radius-form arc without a circle"},
    {ReportReason::ValueOutOfRange, "valeur hors limites", "Wert außerhalb des zulässigen Bereichs",
     "value out of range"},
    {ReportReason::ArcWithoutCentre, "arc sans centre (ni I, J, K de son plan, ni R)",
     "Kreisbogen ohne Mittelpunkt (kein I, J, K seiner Ebene, kein R)",
     "arc without centre (no I, J, K of its plane, no R)"},
    {ReportReason::SlowFeed, "vitesse d'avance sous 0,1 mm/s, envoyée à 0,1 mm/s",
     "Vorschub unter 0,1 mm/s, als 0,1 mm/s gesendet", "feed below 0.1 mm/s, sent as 0.1 mm/s"},
    {ReportReason::NoPeckDepth, "cycle de débourrage sans profondeur de passe (Q)",
     "Tieflochbohrzyklus ohne Zustelltiefe (Q)", "peck cycle without peck depth (Q)"},
    {ReportReason::StartFeed,
     "déplacement d'usinage avant tout F : il se fait à la vitesse de départ de 5,2 mm/s",
     "Vorschubbewegung vor jedem F: sie läuft mit der Anfangsgeschwindigkeit 5,2 mm/s",
     "feed move before any F: runs at the start speed 5.2 mm/s"},
    {ReportReason::ControlByte, "caractère de contrôle dans la ligne", "Steuerzeichen in der Zeile",
     "control byte in the line"},
    {ReportReason::TwoCodesOfOneGroup, "deux codes d'un même groupe modal sur la ligne",
     "zwei Codes derselben modalen Gruppe in der Zeile", "two codes of one modal group on the line"},
    {ReportReason::AxisWordsTwice, "coordonnées à la fois pour G28/G30 et pour un code de mouvement",
     "Achsworte zugleich für G28/G30 und einen Bewegungscode",
     "axis words with both G28/G30 and a motion code"},
    {ReportReason::ContinuesUntranslatedMotion, "suite d'un code de mouvement non traduit",
     "Fortsetzung eines nicht übersetzten Bewegungscodes", "continues an untranslated motion code"},
};

} // namespace

QString reportReasonText(int language, ReportReason reason)
{
    for (const ReasonRow& row : kReasons) {
        if (row.reason != reason)
            continue;
        const char* text = language == 1 ? row.german : language == 2 ? row.english : row.french;
        return QString::fromUtf8(text);
    }
    // A reason added to the engine and not yet here: its English words.
    return QString::fromUtf8(reasonText(reason));
}

QString reportReasonText(int language, const ReportInfo& info)
{
    QString text = reportReasonText(language, info.reason);
    if (info.code[0] != '\0')
        text += QLatin1Char(' ') + QString::fromLatin1(info.code.data());
    return text;
}
