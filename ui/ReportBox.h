// The box that reports one word group a conversion run could not translate
// (or translated only in part): what happened, why, the line as written,
// and where the report stands among those of the run.
#pragma once

#include <QString>
#include <string_view>

#include "engine/ReportReason.h"
#include "ui/MessageBox.h"

// A word group as the engine keeps it ("G64P0.01", "M8()") in a form a user
// reads: blanks between the words, comments left out ("G64 P0.01", "M8").
QString readableGroup(std::string_view group);

struct ReportBoxContent {
    int language = 0;
    std::string_view group; // as the engine kept it
    bool cut = false;       // the group was longer than what was kept
    ReportInfo info;
    QString lineText; // "Line 12: G64 P0.01 (blend)", the line as written
    std::size_t index = 0; // this report among those of the run, from 0
    std::size_t count = 1; // reports of the run
};

// The box's texts and its skip button.
BoxRequest reportBoxRequest(const ReportBoxContent& content);

// What a reported line's tooltip says of one of its groups.
QString reportToolTipEntry(int language, std::string_view group, bool cut, ReportInfo info,
                           const QString& emptyGroup);
