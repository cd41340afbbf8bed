#include "motd/Windows1252.h"

namespace cp1252 {

namespace {

// Bytes 128 to 159; everything else is Latin-1.
constexpr char16_t HighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, // 128-135
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, // 136-143
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 144-151
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, // 152-159
};

} // namespace

char16_t toUnicode(quint8 byte)
{
    if (byte >= 128 && byte < 160)
        return HighControls[byte - 128];
    return char16_t(byte);
}

quint8 fromUnicode(char32_t ch)
{
    if (ch < 128 || (ch >= 160 && ch < 256))
        return quint8(ch);
    for (int i = 0; i < 32; ++i)
        if (HighControls[i] == ch)
            return quint8(128 + i);
    return quint8('?');
}

} // namespace cp1252
