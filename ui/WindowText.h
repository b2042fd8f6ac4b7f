// The texts of the window's everyday aids (the report boxes, the driver's
// prompt, find and go-to, recent files, the status line's confirmations) in
// French, German and English. They are the program's own, not entries of
// the settings file's text table, so a user's file never lacks them.
#pragma once

#include <QString>

enum class WindowText {
    ReportNotTranslated,   // "Not translated: %1" (the group)
    ReportPartlyTranslated, // "Partly translated: %1"
    ReportReasonLine,      // "Reason: %1."
    ReportPartlyNote,      // what "partly" means
    ReportCount,           // "Report %1 / %2"
    ReportSkipButton,      // stops showing the boxes of this translation
    ToolTipNotTranslated,  // "Not translated: %1 (%2)" in a line's tooltip
    ToolTipPartlyTranslated,
    SaveBeforeDriverCaption,
    SaveBeforeDriverText,
    SaveBeforeDriverSave,
    SaveBeforeDriverStart,
    SaveBeforeDriverCancel,
    DriverLoadFile,        // "%1" the saved command file, copied to the clipboard
    DriverNoSavedFile,
    DriverOlderFile,       // "%1" the file saved before the translation on screen
    DriverPassFileOption,  // the Applications tab's check box
    SavedStatus,           // "Saved: %1"
    EmptyProgramStatus,
    GoToLineMenu,
    GoToLineCaption,
    GoToLineLabel,         // "Line (1 to %1):"
    FindMenu,
    FindNextMenu,
    FindCaption,
    FindLabel,
    FindNotFound,          // "%1" the text
    FindFoundWrapped,      // found after going round to the top
    RecentFilesMenu,
    RecentFilesNone,
    ReportedLineReason,    // " – %1" after the "reported line n of N" status
    PreviewExtent,         // the program's extent, X %1 to %2, Y %3 to %4, Z %5 to %6
    WithoutEffectStatus,   // "%1" the codes a run accepted without effect
};

// The text in `language` (0 French, 1 German, 2 English; any other value
// French).
QString windowText(int language, WindowText text);
