// Turning the bytes of the settings file and of G-code programs into texts
// for the widgets, and the text table's file filters into Qt's filter form.
//
// Neither kind of file declares an encoding. Settings files written on the
// original Windows machines hold French accents as single Windows-1252 bytes;
// ours are UTF-8. G-code comes from every CAM system there is; the engine only
// ever sees the original bytes, the decoding here is for display alone.
#pragma once

#include <QString>
#include <string>
#include <string_view>

// True when `bytes` is well-formed UTF-8 (no overlong forms, no surrogates,
// nothing above U+10FFFF).
bool isValidUtf8(std::string_view bytes);

// A text of the settings file: UTF-8 when valid, otherwise Windows-1252.
QString settingsTextToQString(std::string_view bytes);

// A line of a G-code program: UTF-8 when valid, otherwise Latin-1.
QString sourceLineToQString(std::string_view bytes);

// The first bytes of `bytes`, at most `room`, never ending inside a UTF-8
// sequence (text that is not UTF-8 may lose up to three bytes more).
std::string_view utf8Prefix(std::string_view bytes, std::size_t room);

// Windows-1252 decoding of every byte (the five bytes the code page leaves
// undefined become the C1 control of the same number).
QString decodeWindows1252(std::string_view bytes);

// Text `key` of the text table in `language`, French when missing.
QString uiText(int language, int key);

// The same for a menu caption: "&" is doubled so that Qt shows it instead of
// taking it for a mnemonic marker.
QString menuText(int language, int key);

// "Description|pattern|Description|pattern..." (patterns of one entry
// separated by ";" or blanks) to "Description (pattern pattern);;...". "*.*"
// means every file, as it does on Windows, and becomes "*". A description
// without pattern is dropped; an empty description shows its patterns.
//
// With `anyCase`, each entry matches its patterns in any letter case
// ("*.nc" also finds PART.NC on a file system that tells cases apart): the
// entry becomes "Description (*.nc) (*.[nN][cC])", to be shown with
// QFileDialog::HideNameFilterDetails, which hides the last parenthesis.
// Not for save dialogs: Qt takes a save filter's first pattern as the
// extension to give a typed name.
QString qtFileFilter(const QString& pipeFilter, bool anyCase = false);

// A pattern that matches its letters in either case: "*.nc" -> "*.[nN][cC]".
// A pattern that already holds a "[" set is kept.
QString anyCasePattern(const QString& pattern);
