// The message file's encoding: characters and colours to bytes and back, without any widget.
#include "motd/QuakeText.h"
#include "motd/Windows1252.h"
#include "support/TextFile.h"

#include <QTest>

using namespace quaketext;

Q_DECLARE_METATYPE(QuakeText)

namespace {

struct Piece {
    QByteArray chars; // '\n' is a line break
    TextColor color;
};

QuakeText text(std::initializer_list<Piece> pieces)
{
    QuakeText t;
    for (const Piece& p : pieces)
        for (const char c : p.chars) {
            if (c == '\n')
                t.appendLineBreak();
            else
                t.append(quint8(c), p.color);
        }
    return t;
}

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray b;
    for (const int v : values)
        b.append(char(v));
    return b;
}

QByteArray repeated(int value, int count) { return QByteArray(count, char(value)); }

constexpr TextColor Red{255, 0, 0};
constexpr TextColor NearlyGreen{0, 254, 0};
constexpr TextColor NearlySpecial{225, 113, 1};

} // namespace

class TestQuakeText : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void windows1252_data();
    void windows1252();
    void everyByteSurvivesTheCodePage();

    void specialChars_data();
    void specialChars();
    void otherValuesPassThroughSpecialChars();

    void encode_data();
    void encode();
    void lineLimit_data();
    void lineLimit();
    void errorMessage();

    void decode_data();
    void decode();

    void roundTrip_data();
    void roundTrip();

    void fileText_data();
    void fileText();

    void blank_data();
    void blank();
};

void TestQuakeText::windows1252_data()
{
    QTest::addColumn<uint>("ch");
    QTest::addColumn<int>("byte");
    QTest::newRow("ascii") << uint('A') << 65;
    QTest::newRow("left guillemet") << 0xABu << 171;
    QTest::newRow("right guillemet") << 0xBBu << 187;
    QTest::newRow("euro sign") << 0x20ACu << 128;
    QTest::newRow("low-9 quote") << 0x201Au << 130;
    QTest::newRow("y diaeresis capital") << 0x178u << 159;
    QTest::newRow("nbsp") << 0xA0u << 160;
    QTest::newRow("y diaeresis") << 0xFFu << 255;
    QTest::newRow("undefined 0x8D kept") << 0x8Du << 141;
    QTest::newRow("C1 control the code page lacks") << 0x80u << int('?');
    QTest::newRow("C1 control 0x9E") << 0x9Eu << int('?');
    QTest::newRow("cyrillic") << 0x416u << int('?');
    QTest::newRow("outside the BMP") << 0x1F600u << int('?');
    QTest::newRow("NUL") << 0u << 0;
}

void TestQuakeText::windows1252()
{
    QFETCH(uint, ch);
    QFETCH(int, byte);
    QCOMPARE(int(cp1252::fromUnicode(char32_t(ch))), byte);
}

void TestQuakeText::everyByteSurvivesTheCodePage()
{
    for (int b = 0; b < 256; ++b)
        QCOMPARE(int(cp1252::fromUnicode(cp1252::toUnicode(quint8(b)))), b);
}

void TestQuakeText::specialChars_data()
{
    QTest::addColumn<int>("character");
    QTest::addColumn<int>("byte");
    QTest::newRow("<") << int('<') << 29;
    QTest::newRow("-") << int('-') << 30;
    QTest::newRow(">") << int('>') << 31;
    QTest::newRow("left guillemet") << 171 << 128;
    QTest::newRow("=") << int('=') << 129;
    QTest::newRow("right guillemet") << 187 << 130;
}

void TestQuakeText::specialChars()
{
    QFETCH(int, character);
    QFETCH(int, byte);
    QCOMPARE(int(encodeSpecialChar(quint8(character))), byte);
    QCOMPARE(int(decodeSpecialChar(quint8(byte))), character);
}

void TestQuakeText::otherValuesPassThroughSpecialChars()
{
    const QList<int> pieces{'<', '-', '>', 171, '=', 187};
    const QList<int> codes{29, 30, 31, 128, 129, 130};
    for (int v = 0; v < 256; ++v) {
        if (!pieces.contains(v))
            QCOMPARE(int(encodeSpecialChar(quint8(v))), v);
        if (!codes.contains(v))
            QCOMPARE(int(decodeSpecialChar(quint8(v))), v);
    }
}

void TestQuakeText::encode_data()
{
    QTest::addColumn<QuakeText>("input");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("empty") << QuakeText() << QByteArray();
    QTest::newRow("white text") << text({{"Hello", WhiteColor}}) << QByteArray("Hello");
    QTest::newRow("green Hi") << text({{"Hi", GreenColor}}) << bytes({200, 233});
    QTest::newRow("green blank and digits") << text({{" 0~", GreenColor}}) << bytes({160, 176, 254});
    QTest::newRow("green code of 128 or more") << text({{"\xAB\xC8", GreenColor}}) << bytes({43, 72});
    QTest::newRow("single bar") << text({{singleBar(), SpecialColor}}) << bytes({29}) + repeated(30, 38) + bytes({31});
    QTest::newRow("double bar") << text({{doubleBar(), SpecialColor}})
                                << bytes({128}) + repeated(129, 38) + bytes({130});
    QTest::newRow("bar characters typed in white") << text({{"<-=>\xAB\xBB", WhiteColor}})
                                                   << QByteArray("<-=>\xAB\xBB");
    QTest::newRow("other character in the bar colour") << text({{"A", SpecialColor}}) << QByteArray("A");
    QTest::newRow("any other colour is ordinary") << text({{"Hi", Red}}) << QByteArray("Hi");
    QTest::newRow("nearly green is ordinary") << text({{"Hi", NearlyGreen}}) << QByteArray("Hi");
    QTest::newRow("nearly the bar colour is ordinary") << text({{"<", NearlySpecial}}) << QByteArray("<");
    QTest::newRow("mixed colours in one line")
        << text({{"A", WhiteColor}, {"B", GreenColor}, {"-", SpecialColor}, {"-", WhiteColor}})
        << bytes({'A', 'B' + 128, 30, '-'});
    QTest::newRow("line breaks are CR LF") << text({{"A\nB", WhiteColor}}) << QByteArray("A\r\nB");
    QTest::newRow("text ending with a line break") << text({{"A\n", WhiteColor}}) << QByteArray("A\r\n");
    QTest::newRow("only a line break") << text({{"\n", WhiteColor}}) << QByteArray("\r\n");
    QTest::newRow("empty lines between") << text({{"A\n\nB", GreenColor}}) << bytes({193, 13, 10, 13, 10, 194});
    QTest::newRow("the marker as a message") << text({{"[Error]", WhiteColor}}) << QByteArray("[Error]");
    QTest::newRow("NUL byte") << text({{QByteArray("A\0B", 3), WhiteColor}}) << QByteArray("A\0B", 3);
}

void TestQuakeText::encode()
{
    QFETCH(QuakeText, input);
    QFETCH(QByteArray, expected);
    const std::optional<QByteArray> encoded = quaketext::encode(input);
    QVERIFY(encoded.has_value());
    QCOMPARE(*encoded, expected);
}

void TestQuakeText::lineLimit_data()
{
    QTest::addColumn<QuakeText>("input");
    QTest::addColumn<bool>("fits");
    const QByteArray forty(40, 'x');
    const QByteArray fortyOne(41, 'x');
    QTest::newRow("40 characters") << text({{forty, WhiteColor}}) << true;
    QTest::newRow("41 characters") << text({{fortyOne, WhiteColor}}) << false;
    QTest::newRow("41 green characters") << text({{fortyOne, GreenColor}}) << false;
    QTest::newRow("bar plus one") << text({{singleBar(), SpecialColor}, {"x", WhiteColor}}) << false;
    QTest::newRow("40 on every line") << text({{forty + '\n' + forty + '\n' + forty, WhiteColor}}) << true;
    QTest::newRow("41 on the last line") << text({{forty + '\n' + fortyOne, WhiteColor}}) << false;
    QTest::newRow("41 on the first line") << text({{fortyOne + '\n' + 'x', WhiteColor}}) << false;
    QTest::newRow("two 20s split by a break") << text({{QByteArray(20, 'x') + '\n' + QByteArray(20, 'y'), Red}})
                                              << true;
}

void TestQuakeText::lineLimit()
{
    QFETCH(QuakeText, input);
    QFETCH(bool, fits);
    QCOMPARE(quaketext::encode(input).has_value(), fits);
}

void TestQuakeText::errorMessage()
{
    QCOMPARE(lineTooLongMessage(), QStringLiteral("No line should be greater than 40 characters."));
    QCOMPARE(ErrorMarker, QByteArray("[Error]"));
}

void TestQuakeText::decode_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QuakeText>("expected");

    QTest::newRow("empty") << QByteArray() << QuakeText();
    QTest::newRow("green Hi") << bytes({200, 233}) << text({{"Hi", GreenColor}});
    QTest::newRow("green from 160") << bytes({160, 255}) << text({{" \x7F", GreenColor}});
    QTest::newRow("single bar pieces") << bytes({29, 30, 31}) << text({{"<->", SpecialColor}});
    QTest::newRow("double bar pieces") << bytes({128, 129, 130}) << text({{"\xAB=\xBB", SpecialColor}});
    QTest::newRow("the rest of 128 to 159 is white")
        << bytes({131, 141, 157, 158, 159}) << text({{"\x83\x8D\x9D\x9E\x9F", WhiteColor}});
    QTest::newRow("bar characters as bytes are white") << QByteArray("<-=>") << text({{"<-=>", WhiteColor}});
    QTest::newRow("CR LF is a line break") << QByteArray("A\r\nB\r\n") << text({{"A\nB\n", WhiteColor}});
    QTest::newRow("lone LF is a line break") << QByteArray("A\nB") << text({{"A\nB", WhiteColor}});
    QTest::newRow("lone CR is a line break") << QByteArray("A\rB") << text({{"A\nB", WhiteColor}});
    QTest::newRow("low control bytes are white") << bytes({0, 1, 28, 32}) << text({{bytes({0, 1, 28, 32}), WhiteColor}});
}

void TestQuakeText::decode()
{
    QFETCH(QByteArray, input);
    QFETCH(QuakeText, expected);
    QCOMPARE(quaketext::decode(input), expected);
}

// Written, then read back: what a message turns into after one trip through the file.
void TestQuakeText::roundTrip_data()
{
    QTest::addColumn<QuakeText>("written");
    QTest::addColumn<QuakeText>("readBack");

    QTest::newRow("green Hi") << text({{"Hi", GreenColor}}) << text({{"Hi", GreenColor}});
    QTest::newRow("single bar") << text({{singleBar(), SpecialColor}}) << text({{singleBar(), SpecialColor}});
    QTest::newRow("double bar") << text({{doubleBar(), SpecialColor}}) << text({{doubleBar(), SpecialColor}});
    QTest::newRow("bar characters in white") << text({{singleBar(), WhiteColor}}) << text({{singleBar(), WhiteColor}});
    QTest::newRow("white character of 160 or more comes back green and lower")
        << text({{"\xAB\xC1", WhiteColor}}) << text({{"+A", GreenColor}});
    QTest::newRow("green character of 128 or more comes back white and lower")
        << text({{"\xC8\x80", GreenColor}}) << text({{QByteArray("H\0", 2), WhiteColor}});
    QTest::newRow("green 129 and 130 come back as white 1 and 2")
        << text({{"\x81\x82", GreenColor}}) << text({{bytes({1, 2}), WhiteColor}});
    QTest::newRow("green 157 to 159 come back as single bar pieces")
        << text({{"\x9D\x9E\x9F", GreenColor}}) << text({{"<->", SpecialColor}});
    QTest::newRow("red text comes back white") << text({{"Hi", Red}}) << text({{"Hi", WhiteColor}});
    QTest::newRow("lines keep their breaks") << text({{"A\n\nB\n", GreenColor}}) << text({{"A\n\nB\n", GreenColor}});
}

void TestQuakeText::roundTrip()
{
    QFETCH(QuakeText, written);
    QFETCH(QuakeText, readBack);
    const std::optional<QByteArray> encoded = quaketext::encode(written);
    QVERIFY(encoded.has_value());
    QCOMPARE(quaketext::decode(*encoded), readBack);
}

// From the file's bytes to the text the editor gets.
void TestQuakeText::fileText_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("joined");

    QTest::newRow("empty file") << QByteArray() << QByteArray();
    QTest::newRow("as written, one line") << QByteArray("Hi\r\n") << QByteArray("Hi\r\n");
    QTest::newRow("last line without ending") << QByteArray("Hi") << QByteArray("Hi\r\n");
    QTest::newRow("empty last line is dropped") << QByteArray("Hi\r\n\r\n") << QByteArray("Hi\r\n");
    QTest::newRow("two empty lines") << QByteArray("\r\n\r\n") << QByteArray("\r\n");
    QTest::newRow("one empty line") << QByteArray("\r\n") << QByteArray();
    QTest::newRow("empty line in the middle") << QByteArray("A\r\n\r\nB\r\n") << QByteArray("A\r\n\r\nB\r\n");
    QTest::newRow("LF-only endings end lines") << QByteArray("A\nB\n") << QByteArray("A\r\nB\r\n");
    QTest::newRow("lone CR ends a line") << QByteArray("A\rB") << QByteArray("A\r\nB\r\n");
    QTest::newRow("byte 26 inside is a character") << QByteArray("Hi\x1a\r\nmore\r\n")
                                                   << QByteArray("Hi\x1a\r\nmore\r\n");
    QTest::newRow("byte 26 first") << QByteArray("\x1aHi\r\n") << QByteArray("\x1aHi\r\n");
    QTest::newRow("byte 26 as the last byte ends the file") << QByteArray("Hi\r\n\x1a") << QByteArray("Hi\r\n");
    QTest::newRow("green 154 written as 26 reads back") << bytes({200, 26, 233, 13, 10})
                                                        << bytes({200, 26, 233, 13, 10});
    QTest::newRow("NUL bytes are characters") << QByteArray("A\0B\r\n", 5) << QByteArray("A\0B\r\n", 5);
}

void TestQuakeText::fileText()
{
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, joined);
    QCOMPARE(joinFileLines(textfile::splitLines(file)), joined);
}

void TestQuakeText::blank_data()
{
    QTest::addColumn<QByteArray>("encoded");
    QTest::addColumn<bool>("blank");
    QTest::newRow("empty") << QByteArray() << true;
    QTest::newRow("blanks and line breaks") << QByteArray("  \r\n \t\r\n") << true;
    QTest::newRow("single bar") << bytes({29}) + repeated(30, 38) + bytes({31}) << true;
    QTest::newRow("NUL") << bytes({0}) << true;
    QTest::newRow("double bar") << bytes({128}) + repeated(129, 38) + bytes({130}) << false;
    QTest::newRow("one letter among blanks") << QByteArray(" \r\n a \r\n") << false;
    QTest::newRow("green blank") << bytes({160}) << false;
}

void TestQuakeText::blank()
{
    QFETCH(QByteArray, encoded);
    QFETCH(bool, blank);
    QCOMPARE(isBlank(encoded), blank);
}

QTEST_APPLESS_MAIN(TestQuakeText)
#include "tst_quaketext.moc"
