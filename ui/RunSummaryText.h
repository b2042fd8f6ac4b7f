// What the window says about a run besides its reports, in the user's
// language: the program's extent (status line) and the first move beyond
// the machine's travel.
#pragma once

#include <QString>

#include "engine/Extent.h"

// "Étendue X -5,0 à 5,0, Y ... mm"; empty for a run without a move.
QString extentText(int language, const ProgramExtent& extent);
// "Ligne 12 : le parcours sort de la course Z (100 mm) de 170,0 mm.", the
// line counted from 0.
QString travelText(int language, int line, const TravelExcess& excess);
