#include "support/AppError.h"
#include "support/TextUtil.h"

#include <QTest>

#include <cerrno>

class TestTextUtil : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void quoteText_data();
    void quoteText();
    void parentDirectory_data();
    void parentDirectory();
    void checkStateToText_data();
    void checkStateToText();
    void textToCheckState_data();
    void textToCheckState();
    void checkStateRoundTrip();
    void chooseText();
    void isBlankText_data();
    void isBlankText();
    void toIntOrThrow_data();
    void toIntOrThrow();
    void errorTexts_data();
    void errorTexts();
};

void TestTextUtil::quoteText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("quoted");
    QTest::newRow("empty") << "" << "\"\"";
    QTest::newRow("path with blanks") << "C:\\Program Files\\x.exe" << "\"C:\\Program Files\\x.exe\"";
    QTest::newRow("quotes inside stay") << "a\"b" << "\"a\"b\"";
    QTest::newRow("already quoted") << "\"x\"" << "\"\"x\"\"";
    QTest::newRow("blanks kept") << " x " << "\" x \"";
}

void TestTextUtil::quoteText()
{
    QFETCH(QString, text);
    QFETCH(QString, quoted);
    QCOMPARE(::quoteText(text), quoted);
}

void TestTextUtil::parentDirectory_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("parent");
    QTest::newRow("win dir with backslash") << "C:\\Games\\Quake2\\Velstrom\\" << "C:\\Games\\Quake2";
    QTest::newRow("win dir without backslash") << "C:\\Games\\Quake2\\Velstrom" << "C:\\Games\\Quake2";
    QTest::newRow("win below drive") << "C:\\Quake2" << "C:";
    QTest::newRow("win drive root") << "C:\\" << "";
    QTest::newRow("bare file name") << "quake2.exe" << "";
    QTest::newRow("empty") << "" << "";
    QTest::newRow("only one trailing separator dropped") << "C:\\a\\b\\\\" << "C:\\a\\b";
    QTest::newRow("unix dir with slash") << "/games/quake2/velstrom/" << "/games/quake2";
    QTest::newRow("unix dir without slash") << "/games/quake2/velstrom" << "/games/quake2";
    QTest::newRow("unix below root") << "/quake2" << "";
    QTest::newRow("unix root") << "/" << "";
    QTest::newRow("relative") << "quake2/velstrom/" << "quake2";
    QTest::newRow("mixed separators") << "C:\\games/quake2\\velstrom/" << "C:\\games/quake2";
    QTest::newRow("blanks are part of names") << "/home/me/My Games/Quake 2/" << "/home/me/My Games";
}

void TestTextUtil::parentDirectory()
{
    QFETCH(QString, path);
    QFETCH(QString, parent);
    QCOMPARE(::parentDirectory(path), parent);
}

void TestTextUtil::checkStateToText_data()
{
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("text");
    QTest::newRow("unchecked") << int(Qt::Unchecked) << "UNC";
    QTest::newRow("checked") << int(Qt::Checked) << "CHK";
    QTest::newRow("greyed") << int(Qt::PartiallyChecked) << "GRAY";
    QTest::newRow("out of range") << 7 << "GRAY";
    QTest::newRow("negative") << -1 << "GRAY";
}

void TestTextUtil::checkStateToText()
{
    QFETCH(int, state);
    QFETCH(QString, text);
    QCOMPARE(::checkStateToText(Qt::CheckState(state)), text);
}

void TestTextUtil::textToCheckState_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("state");
    QTest::newRow("UNC") << "UNC" << int(Qt::Unchecked);
    QTest::newRow("CHK") << "CHK" << int(Qt::Checked);
    QTest::newRow("GRAY") << "GRAY" << int(Qt::PartiallyChecked);
    QTest::newRow("lower case chk") << "chk" << int(Qt::PartiallyChecked);
    QTest::newRow("lower case unc") << "unc" << int(Qt::PartiallyChecked);
    QTest::newRow("empty") << "" << int(Qt::PartiallyChecked);
    QTest::newRow("trailing blank") << "CHK " << int(Qt::PartiallyChecked);
    QTest::newRow("leading blank") << " UNC" << int(Qt::PartiallyChecked);
    QTest::newRow("number") << "1" << int(Qt::PartiallyChecked);
}

void TestTextUtil::textToCheckState()
{
    QFETCH(QString, text);
    QFETCH(int, state);
    QCOMPARE(int(::textToCheckState(text)), state);
}

void TestTextUtil::checkStateRoundTrip()
{
    for (const Qt::CheckState s : {Qt::Unchecked, Qt::Checked, Qt::PartiallyChecked})
        QCOMPARE(::textToCheckState(::checkStateToText(s)), s);
}

void TestTextUtil::chooseText()
{
    const QString piece = QStringLiteral(" +set dedicated 1");
    const QString nothing;
    QCOMPARE(QStringLiteral("quake2.exe") + ::chooseText(true, piece, nothing), "quake2.exe +set dedicated 1");
    QCOMPARE(QStringLiteral("quake2.exe") + ::chooseText(false, piece, nothing), "quake2.exe");
}

void TestTextUtil::isBlankText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("blank");
    QTest::newRow("empty") << "" << true;
    QTest::newRow("blanks and controls") << QStringLiteral(" \t\r\n\x1f ") << true;
    QTest::newRow("one letter") << "  x " << false;
    QTest::newRow("non-breaking space") << QStringLiteral("\u00a0") << false;
}

void TestTextUtil::isBlankText()
{
    QFETCH(QString, text);
    QFETCH(bool, blank);
    QCOMPARE(::isBlankText(text), blank);
}

void TestTextUtil::toIntOrThrow_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("value");
    QTest::newRow("plain") << "27960" << true << 27960;
    QTest::newRow("zero") << "0" << true << 0;
    QTest::newRow("leading blanks") << "   20" << true << 20;
    QTest::newRow("negative") << "-15" << true << -15;
    QTest::newRow("plus") << "+8" << true << 8;
    QTest::newRow("dollar hex") << "$1F" << true << 31;
    QTest::newRow("0x hex") << "0x10" << true << 16;
    QTest::newRow("0X hex upper") << "0XfF" << true << 255;
    QTest::newRow("leading zeros") << "007" << true << 7;
    QTest::newRow("largest") << "2147483647" << true << 2147483647;
    QTest::newRow("smallest") << "-2147483648" << true << int(-2147483647 - 1);
    QTest::newRow("one too large") << "2147483648" << false << 0;
    QTest::newRow("one too small") << "-2147483649" << false << 0;
    QTest::newRow("far too large") << "99999999999999999999" << false << 0;
    QTest::newRow("empty") << "" << false << 0;
    QTest::newRow("blanks only") << "   " << false << 0;
    QTest::newRow("trailing blank") << "12 " << false << 0;
    QTest::newRow("decimal point") << "1.5" << false << 0;
    QTest::newRow("letters") << "abc" << false << 0;
    QTest::newRow("hex digits without prefix") << "1F" << false << 0;
    QTest::newRow("sign alone") << "-" << false << 0;
    QTest::newRow("dollar alone") << "$" << false << 0;
    QTest::newRow("0x alone") << "0x" << false << 0;
    QTest::newRow("two signs") << "--1" << false << 0;
    QTest::newRow("arabic-indic digit") << QStringLiteral("\u0661") << false << 0;
}

void TestTextUtil::toIntOrThrow()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(int, value);
    if (valid) {
        QCOMPARE(::toIntOrThrow(text), value);
        return;
    }
    try {
        ::toIntOrThrow(text);
        QFAIL("no error for an invalid integer");
    } catch (const AppError& e) {
        QCOMPARE(e.text(), QStringLiteral("'%1' is not a valid integer value").arg(text));
        QCOMPARE(QString::fromUtf8(e.what()), e.text());
    }
}

void TestTextUtil::errorTexts_data()
{
    QTest::addColumn<int>("err");
    QTest::addColumn<QString>("text");
    QTest::newRow("missing file") << ENOENT << "File not found";
    QTest::newRow("permission") << EACCES << "File access denied";
    QTest::newRow("read-only file system") << EROFS << "File access denied";
    QTest::newRow("a directory") << EISDIR << "File access denied";
    QTest::newRow("disk full") << ENOSPC << "Disk full";
}

void TestTextUtil::errorTexts()
{
    QFETCH(int, err);
    QFETCH(QString, text);
    QCOMPARE(AppError::fromErrno(err).text(), text);
}

QTEST_GUILESS_MAIN(TestTextUtil)
#include "tst_textutil.moc"
