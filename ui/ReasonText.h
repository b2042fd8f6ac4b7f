// Why a word group was reported, in the words of the user interface: French,
// German and English, one row per reason of the engine.
#pragma once

#include <QString>

#include "engine/ReportReason.h"

// The reason in `language` (0 French, 1 German, 2 English; any other value
// French), lower case, without a final full stop, to follow a colon.
QString reportReasonText(int language, ReportReason reason);
// The same for a report, with the code it names, if any ("... G84").
QString reportReasonText(int language, const ReportInfo& info);
