#include "motd/QuakeText.h"

namespace quaketext {

namespace {

struct SpecialPiece {
    quint8 character;
    quint8 byte;
};

constexpr SpecialPiece Pieces[] = {
    {'<', 29}, {'-', 30}, {'>', 31}, {171, 128}, {'=', 129}, {187, 130},
};

bool isSpecialByte(quint8 b) { return (b >= 29 && b <= 31) || (b >= 128 && b <= 130); }

QByteArray bar(char first, char middle, char last)
{
    QByteArray text(MaxLineLength, middle);
    text[0] = first;
    text[MaxLineLength - 1] = last;
    return text;
}

} // namespace

QString lineTooLongMessage()
{
    return QStringLiteral("No line should be greater than ") + QString::number(MaxLineLength) +
           QStringLiteral(" characters.");
}

quint8 encodeSpecialChar(quint8 c)
{
    for (const SpecialPiece& p : Pieces)
        if (p.character == c)
            return p.byte;
    return c;
}

quint8 decodeSpecialChar(quint8 b)
{
    for (const SpecialPiece& p : Pieces)
        if (p.byte == b)
            return p.character;
    return b;
}

QByteArray singleBar() { return bar('<', '-', '>'); }

QByteArray doubleBar() { return bar(char(171), '=', char(187)); }

std::optional<QByteArray> encode(const QuakeText& text)
{
    if (text.isEmpty())
        return QByteArray();
    qsizetype size = 0;
    for (const QuakeLine& line : text.lines())
        size += line.size() + 2;
    QByteArray out;
    out.reserve(size);
    bool tooLong = false;
    bool first = true;
    for (const QuakeLine& line : text.lines()) {
        if (!first)
            out.append("\r\n", 2);
        first = false;
        if (line.size() > MaxLineLength)
            tooLong = true;
        for (const QuakeChar& c : line) {
            quint8 b = c.code;
            if (c.color == GreenColor)
                b = quint8(c.code ^ 0x80);
            else if (c.color == SpecialColor)
                b = encodeSpecialChar(c.code);
            out.append(char(b));
        }
    }
    if (tooLong)
        return std::nullopt;
    return out;
}

QuakeText decode(const QByteArray& bytes)
{
    QuakeText text;
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n; ++i) {
        const quint8 b = quint8(bytes[i]);
        if (b == '\r' || b == '\n') {
            if (b == '\r' && i + 1 < n && bytes[i + 1] == '\n')
                ++i;
            text.appendLineBreak();
        } else if (b >= 160) {
            text.append(quint8(b - 128), GreenColor);
        } else if (isSpecialByte(b)) {
            text.append(decodeSpecialChar(b), SpecialColor);
        } else {
            text.append(b, WhiteColor);
        }
    }
    return text;
}

QByteArray joinFileLines(const QList<QByteArray>& lines)
{
    QByteArray text;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        text.append(lines[i]);
        if (i + 1 < lines.size() || !lines[i].isEmpty())
            text.append("\r\n", 2);
    }
    return text;
}

bool isBlank(const QByteArray& encoded)
{
    for (const char c : encoded)
        if (quint8(c) > 32)
            return false;
    return true;
}

} // namespace quaketext
