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

// Windows-1252 decoding of every byte (the five bytes the code page leaves
// undefined become the C1 control of the same number).
QString decodeWindows1252(std::string_view bytes);

// Text `key` of the text table in `language`, French when missing.
QString uiText(int language, int key);

// The same for a menu caption: "&" is doubled so that Qt shows it instead of
// taking it for a mnemonic marker.
QString menuText(int language, int key);

// "Description|pattern|Description|pattern..." (patterns of one entry
// separated by ";") to "Description (pattern pattern);;...". "*.*" means every
// file, as it does on Windows, and becomes "*". A description without pattern
// is dropped; an empty description shows its patterns.
QString qtFileFilter(const QString& pipeFilter);
