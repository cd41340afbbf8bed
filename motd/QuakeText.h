#pragma once
#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// The message of the day as the game sees it: lines of 8-bit characters, each with a colour. Two colours carry
// meaning and are compared exactly; every other colour is ordinary text.
struct TextColor {
    quint8 red = 255;
    quint8 green = 255;
    quint8 blue = 255;
    friend constexpr bool operator==(TextColor, TextColor) = default;
};

inline constexpr TextColor WhiteColor{255, 255, 255};
// clLime: the game's alternate (green) text.
inline constexpr TextColor GreenColor{0, 255, 0};
// The bar pieces.
inline constexpr TextColor SpecialColor{225, 113, 0};

struct QuakeChar {
    quint8 code = 0;
    TextColor color;
    friend bool operator==(const QuakeChar&, const QuakeChar&) = default;
};

using QuakeLine = QList<QuakeChar>;

class QuakeText {
public:
    // An empty text is one empty line; a line break separates two lines.
    QuakeText() : m_lines(1) {}

    const QList<QuakeLine>& lines() const { return m_lines; }
    void append(quint8 code, TextColor color) { m_lines.last().append({code, color}); }
    void append(const QuakeLine& chars) { m_lines.last().append(chars); }
    void appendLineBreak() { m_lines.append(QuakeLine()); }
    bool isEmpty() const { return m_lines.size() == 1 && m_lines.first().isEmpty(); }

    friend bool operator==(const QuakeText&, const QuakeText&) = default;

private:
    QList<QuakeLine> m_lines;
};

namespace quaketext {

// No line of the message may hold more characters than this.
inline constexpr int MaxLineLength = 40;
// A message file whose text runs longer than this is no message: it would take the editor minutes to show
// (a real message is a few hundred bytes), so it is not loaded, and not rewritten until the user writes one.
inline constexpr qsizetype MaxLoadedText = 64 * 1024;
// What the encoding yields in place of a message that breaks the line limit.
inline const QByteArray ErrorMarker = QByteArrayLiteral("[Error]");

QString lineTooLongMessage();

// The bar pieces: < - > and « = » stand for the game's bytes 29, 30, 31 and 128, 129, 130.
// Every other value passes through unchanged.
quint8 encodeSpecialChar(quint8 c);
quint8 decodeSpecialChar(quint8 b);

// A bar of exactly the line limit, of bar-piece characters (single: < - >, double: « = »), not yet coloured.
QByteArray singleBar();
QByteArray doubleBar();

// The file's bytes for the text, line breaks as CR LF; nothing when some line is longer than the limit.
std::optional<QByteArray> encode(const QuakeText& text);
// The text the bytes stand for. A CR LF pair is a line break; so is a lone CR or LF.
QuakeText decode(const QByteArray& bytes);

// How the message file's lines are joined before decoding: CR LF after each line, except after an empty last
// line, so a file written with its final CR LF reads back with one line break after its last line.
QByteArray joinFileLines(const QList<QByteArray>& lines);

// True when nothing but bytes of code 32 or less is left after trimming them: such a message is no message.
// Bar pieces 29 to 31 count as blanks here, as they always have.
bool isBlank(const QByteArray& encoded);

} // namespace quaketext
