#include "FileContents.h"
#include "support/AppError.h"
#include "support/Ini.h"
#include "support/Installation.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace velstrom::test;

namespace {

// A fixed pseudo-random byte soup, the same on every run.
QByteArray garbage(int size)
{
    QByteArray bytes(size, '\0');
    quint32 x = 2463534242u;
    for (char& b : bytes) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b = char(x & 0xff);
    }
    return bytes;
}

} // namespace

class TestIni : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void read_data();
    void read();
    void readMissingFile();
    void readGarbage();
    void writeNewFile();
    void writeAppendsInOrder();
    void writeKeepsTheRest();
    void writeReplacesFirstDuplicate();
    void writeKeepsStoredSpelling();
    void writeFlattensLineBreaks();
    void writeRoundTrip_data();
    void writeRoundTrip();
    void writeFailure_data();
    void writeFailure();
    void eachCallRereadsTheFile();
    void programDirectoryFiles();
};

void TestIni::read_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");

    const QByteArray options = "[Options]\r\nCurrentUser=fragger\r\nSoundDisable=CHK\r\n";
    QTest::newRow("stored value") << options << "Options" << "CurrentUser" << "fragger";
    QTest::newRow("section in other case") << options << "OPTIONS" << "CurrentUser" << "fragger";
    QTest::newRow("key in other case") << options << "Options" << "sounddisable" << "CHK";
    QTest::newRow("missing key") << options << "Options" << "AutoRemove" << "<default>";
    QTest::newRow("missing section") << options << "Server" << "CurrentUser" << "<default>";
    QTest::newRow("key of another section")
        << QByteArray("[A]\r\nK=1\r\n[B]\r\nL=2\r\n") << "B" << "K" << "<default>";
    QTest::newRow("second section") << QByteArray("[A]\r\nK=1\r\n\r\n[B]\r\nK=2\r\n") << "B" << "K" << "2";
    QTest::newRow("stored empty value is not the default")
        << QByteArray("[Options]\r\nPassword=\r\n") << "Options" << "Password" << "";
    QTest::newRow("first of duplicate keys wins")
        << QByteArray("[Options]\r\nMap=first\r\nMap=second\r\n") << "Options" << "Map" << "first";
    QTest::newRow("blanks around key and value")
        << QByteArray("[Options]\r\n  HostName  =  My Server  \r\n") << "Options" << "HostName" << "My Server";
    QTest::newRow("comment line is no key")
        << QByteArray("[Options]\r\n;Port=1\r\nPort=27910\r\n") << "Options" << "Port" << "27910";
    QTest::newRow("LF line ends") << QByteArray("[Options]\nPort=27911\n") << "Options" << "Port" << "27911";
    QTest::newRow("no final line end") << QByteArray("[Options]\r\nPort=27912") << "Options" << "Port" << "27912";
    QTest::newRow("equals sign in value")
        << QByteArray("[Options]\r\nExtra=+set a=b\r\n") << "Options" << "Extra" << "+set a=b";
    QTest::newRow("UTF-8 value")
        << QByteArray("[Options]\r\nName=caf\xc3\xa9\r\n") << "Options" << "Name" << QStringLiteral("caf\u00e9");
    QTest::newRow("1023 characters kept whole")
        << "[Options]\r\nMotd=" + QByteArray(1023, 'm') + "\r\n" << "Options" << "Motd" << QString(1023, u'm');
    QTest::newRow("1024 characters cut to 1023")
        << "[Options]\r\nMotd=" + QByteArray(1024, 'm') + "\r\n" << "Options" << "Motd" << QString(1023, u'm');
    QByteArray longValue;
    for (int i = 0; longValue.size() < 100 * 1024; ++i)
        longValue += QByteArray::number(i % 10);
    QTest::newRow("100 KB value cut to 1023")
        << "[Options]\r\nBig=" + longValue + "\r\nAfter=1\r\n" << "Options" << "Big"
        << QString::fromLatin1(longValue.left(1023));
    QTest::newRow("key after a 100 KB value")
        << "[Options]\r\nBig=" + longValue + "\r\nAfter=1\r\n" << "Options" << "After" << "1";
}

void TestIni::read()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("untitled.ini");
    putFile(path, file);
    QCOMPARE(iniRead(path, section, key, QStringLiteral("<default>")), value);
}

void TestIni::readMissingFile()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QCOMPARE(iniRead(dir.filePath("nobody.ini"), "Options", "CurrentUser", "untitled"), QStringLiteral("untitled"));
    QCOMPARE(iniRead(dir.filePath("no/such/dir.ini"), "Options", "CurrentUser", ""), QString());
    // Reading never creates the file.
    QVERIFY(!QFile::exists(dir.filePath("nobody.ini")));
}

void TestIni::readGarbage()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("broken.ini");
    putFile(path, garbage(64 * 1024));
    QCOMPARE(iniRead(path, "Options", "CurrentUser", "untitled"), QStringLiteral("untitled"));
    // A key written into such a file can be read back.
    iniWrite(path, "Options", "CurrentUser", "fragger");
    QCOMPARE(iniRead(path, "Options", "CurrentUser", "untitled"), QStringLiteral("fragger"));
}

void TestIni::writeNewFile()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("fragger.ini");
    const mode_t previous = ::umask(022);
    iniWrite(path, "Options", "Password", "letmein");
    ::umask(previous);
    QCOMPARE(fileContents(path), QByteArray("[Options]\r\nPassword=letmein\r\n"));
    // Profiles hold passwords: only their owner may read them.
    struct stat st {};
    QCOMPARE(::stat(QFile::encodeName(path).constData(), &st), 0);
    QCOMPARE(st.st_mode & 0777, mode_t(0600));
}

void TestIni::writeAppendsInOrder()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("untitled.ini");
    iniWrite(path, "Options", "TimeLimit", "20");
    iniWrite(path, "Options", "FragLimit", "50");
    iniWrite(path, "Options", "Auto", "CHK");
    iniWrite(path, "Options", "TimeLimit", "30"); // an existing key keeps its place
    QCOMPARE(fileContents(path), QByteArray("[Options]\r\nTimeLimit=30\r\nFragLimit=50\r\nAuto=CHK\r\n"));

    iniWrite(path, "Server", "Port", "27910");
    iniWrite(path, "options", "timelimit", "40"); // names in another case are the same names
    const QByteArray text = fileContents(path);
    QVERIFY2(text.endsWith("\r\n[Server]\r\nPort=27910\r\n"), text.constData());
    QCOMPARE(text.toLower().count("timelimit="), 1);
    QCOMPARE(text.toLower().count("[options]"), 1);
    QVERIFY(text.toLower().startsWith("[options]\r\ntimelimit=40\r\nfraglimit=50\r\nauto=chk\r\n"));
}

void TestIni::writeKeepsTheRest()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("untitled.ini");
    putFile(path, "[Other]\r\nTool=1\r\n\r\n[Options]\r\n; hand-written note\r\nA=1\r\nB=2\r\n");
    iniWrite(path, "Options", "A", "one");
    iniWrite(path, "Options", "C", "3");
    QCOMPARE(iniRead(path, "Other", "Tool", ""), QStringLiteral("1"));
    QCOMPARE(iniRead(path, "Options", "A", ""), QStringLiteral("one"));
    QCOMPARE(iniRead(path, "Options", "B", ""), QStringLiteral("2"));
    QCOMPARE(iniRead(path, "Options", "C", ""), QStringLiteral("3"));
    const QByteArray text = fileContents(path);
    QVERIFY2(text.contains("; hand-written note\r\n"), text.constData());
    QVERIFY(text.indexOf("[Other]") < text.indexOf("[Options]"));
    QVERIFY(text.indexOf("A=one") < text.indexOf("B=2") && text.indexOf("B=2") < text.indexOf("C=3"));
    QCOMPARE(text.count('\n'), text.count("\r\n"));
}

void TestIni::writeKeepsStoredSpelling()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("untitled.ini");
    putFile(path, "[options]\r\ntimelimit=5\r\n");
    iniWrite(path, "Options", "TimeLimit", "30");
    QCOMPARE(fileContents(path), QByteArray("[options]\r\ntimelimit=30\r\n"));
}

void TestIni::writeReplacesFirstDuplicate()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("untitled.ini");
    putFile(path, "[Options]\r\nMap=first\r\nMap=second\r\n");
    iniWrite(path, "Options", "Map", "third");
    QCOMPARE(iniRead(path, "Options", "Map", ""), QStringLiteral("third"));
}

void TestIni::writeFlattensLineBreaks()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("untitled.ini");
    // A line break would otherwise smuggle in a key of its own.
    iniWrite(path, "Options", "HostName", "my\r\nPassword=x");
    QCOMPARE(iniRead(path, "Options", "Password", "<none>"), QStringLiteral("<none>"));
    QCOMPARE(iniRead(path, "Options", "HostName", ""), QStringLiteral("my  Password=x"));
}

void TestIni::writeRoundTrip_data()
{
    QTest::addColumn<QString>("value");
    QTest::newRow("empty") << "";
    QTest::newRow("blanks inside") << "Velstrom Deathmatch Server";
    QTest::newRow("quotes") << "\"quoted\" and 'single'";
    QTest::newRow("semicolon") << "a;b";
    QTest::newRow("brackets") << "[not a section]";
    QTest::newRow("UTF-8") << QStringLiteral("Stra\u00dfe \u2014 \u65e5\u672c");
    QTest::newRow("1023 characters") << QString(1023, u'x');
}

void TestIni::writeRoundTrip()
{
    QFETCH(QString, value);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("untitled.ini");
    iniWrite(path, "Options", "Key", value);
    QCOMPARE(iniRead(path, "Options", "Key", "<default>"), value);
}

void TestIni::writeFailure_data()
{
    QTest::addColumn<QString>("relative");
    QTest::addColumn<bool>("needsPermissions");
    QTest::newRow("directory missing") << "gone/untitled.ini" << false;
    QTest::newRow("directory is a file") << "file/untitled.ini" << false;
    QTest::newRow("file is a directory") << "folder.ini" << false;
    QTest::newRow("read-only directory") << "locked/untitled.ini" << true;
    QTest::newRow("read-only file") << "readonly.ini" << true;
}

void TestIni::writeFailure()
{
    QFETCH(QString, relative);
    QFETCH(bool, needsPermissions);
    if (needsPermissions && ::geteuid() == 0)
        QSKIP("the super-user writes through permission bits");
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QDir root(dir.path());
    putFile(root.filePath("file"), "x");
    QVERIFY(root.mkdir("folder.ini"));
    QVERIFY(root.mkdir("locked"));
    putFile(root.filePath("locked/untitled.ini"), "[Options]\r\nA=1\r\n");
    QVERIFY(::chmod(QFile::encodeName(root.filePath("locked")).constData(), 0555) == 0);
    putFile(root.filePath("readonly.ini"), "[Options]\r\nA=1\r\n");
    QVERIFY(::chmod(QFile::encodeName(root.filePath("readonly.ini")).constData(), 0444) == 0);

    const QString path = root.filePath(relative);
    QString error;
    try {
        iniWrite(path, "Options", "A", "2");
    } catch (const AppError& e) {
        error = e.text();
    }
    ::chmod(QFile::encodeName(root.filePath("locked")).constData(), 0755);
    QCOMPARE(error, "Unable to write to " + path);
    if (needsPermissions)
        QCOMPARE(iniRead(path, "Options", "A", ""), QStringLiteral("1"));
}

void TestIni::eachCallRereadsTheFile()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("untitled.ini");
    iniWrite(path, "Options", "A", "1");
    putFile(path, "[Options]\r\nA=changed\r\nB=new\r\n");
    QCOMPARE(iniRead(path, "Options", "A", ""), QStringLiteral("changed"));
    iniWrite(path, "Options", "C", "3");
    QCOMPARE(fileContents(path), QByteArray("[Options]\r\nA=changed\r\nB=new\r\nC=3\r\n"));
}

void TestIni::programDirectoryFiles()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const Installation previous = installation();
    setInstallation(Installation(dir.path(), "velstrom"));

    writeProgramSetting("Options", "CurrentUser", "fragger");
    writeIniSetting("fragger", "Options", "TimeLimit", "15");
    QCOMPARE(fileContents(dir.filePath("velstrom.ini")), QByteArray("[Options]\r\nCurrentUser=fragger\r\n"));
    QCOMPARE(fileContents(dir.filePath("fragger.ini")), QByteArray("[Options]\r\nTimeLimit=15\r\n"));
    QCOMPARE(readProgramSetting("Options", "CurrentUser", "untitled"), QStringLiteral("fragger"));
    QCOMPARE(readIniSetting("fragger", "Options", "TimeLimit", "0"), QStringLiteral("15"));
    QCOMPARE(readIniSetting("camper", "Options", "TimeLimit", "0"), QStringLiteral("0"));

    setInstallation(previous);
}

QTEST_GUILESS_MAIN(TestIni)
#include "tst_ini.moc"
