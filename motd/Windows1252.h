#pragma once
#include <QtGlobal>

// The message file holds one byte per character in the Windows ANSI code page, which the game's console font
// follows. Qt's own converters only reach it through ICU, so the table lives here.
namespace cp1252 {

// The character a byte stands for. The five bytes the code page leaves undefined (129, 141, 143, 144, 157)
// map to the control characters of the same value, as Windows does, so every byte survives a round trip.
char16_t toUnicode(quint8 byte);

// The byte of a character, or '?' when the code page has no byte for it.
quint8 fromUnicode(char32_t ch);

} // namespace cp1252
