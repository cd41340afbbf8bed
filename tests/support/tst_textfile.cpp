#include "FileContents.h"
#include "support/AppError.h"
#include "support/TextFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <chrono>
#include <future>
#include <memory>
#include <thread>
#include <utility>

#include <sys/stat.h>
#include <unistd.h>

using namespace velstrom::test;

namespace {

mode_t modeOf(const QString& path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

// Permission bits stop everyone but the super-user.
bool permissionsBind() { return ::geteuid() != 0; }

} // namespace

class TestTextFile : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void splitLines_data();
    void splitLines();
    void readLinesFromFile();
    void readUtf8();
    void bytesSurviveDecoding_data();
    void bytesSurviveDecoding();
    void readErrors_data();
    void readErrors();
    void writeLines_data();
    void writeLines();
    void writeReplacesLongerFile();
    void writeLeavesNoTemporaryFiles();
    void writePermissions_data();
    void writePermissions();
    void failedWriteKeepsOldFile_data();
    void failedWriteKeepsOldFile();
    void writeThroughSymlink();
};

void TestTextFile::splitLines_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QList<QByteArray>>("lines");
    using L = QList<QByteArray>;
    QTest::newRow("empty file") << QByteArray() << L{};
    QTest::newRow("CR LF") << QByteArray("a\r\nb\r\n") << L{"a", "b"};
    QTest::newRow("lone CR") << QByteArray("a\rb\r") << L{"a", "b"};
    QTest::newRow("lone LF") << QByteArray("a\nb\n") << L{"a", "b"};
    QTest::newRow("mixed endings") << QByteArray("a\r\nb\nc\rd") << L{"a", "b", "c", "d"};
    QTest::newRow("final line without ending") << QByteArray("a\r\nlast") << L{"a", "last"};
    QTest::newRow("only a line ending") << QByteArray("\r\n") << L{""};
    QTest::newRow("empty lines kept") << QByteArray("a\r\n\r\n\nb") << L{"a", "", "", "b"};
    QTest::newRow("LF then CR is two endings") << QByteArray("a\n\rb") << L{"a", "", "b"};
    QTest::newRow("CR CR LF") << QByteArray("a\r\r\nb") << L{"a", "", "b"};
    QTest::newRow("no trimming") << QByteArray("  a b \t\r\n\tc  ") << L{"  a b \t", "\tc  "};
    QTest::newRow("byte 26 inside is data") << QByteArray("a\r\nb\x1a" "c\r\nd\r\n") << L{"a", "b\x1a" "c", "d"};
    QTest::newRow("byte 26 first") << QByteArray("\x1a" "a\r\n") << L{"\x1a" "a"};
    QTest::newRow("byte 26 right after CR") << QByteArray("a\r\x1a\nb") << L{"a", "\x1a", "b"};
    QTest::newRow("byte 26 on a line of its own") << QByteArray("dm_alpha\r\n\x1a\r\ndm_beta\r\ndm_gamma\r\n")
                                                   << L{"dm_alpha", "\x1a", "dm_beta", "dm_gamma"};
    QTest::newRow("byte 26 as the last byte") << QByteArray("a\r\nb\x1a") << L{"a", "b"};
    QTest::newRow("byte 26 after the last line ending") << QByteArray("a\r\n\x1a") << L{"a"};
    QTest::newRow("only byte 26") << QByteArray("\x1a") << L{};
    QTest::newRow("two bytes 26 at the end") << QByteArray("a\x1a\x1a") << L{"a\x1a"};
    QTest::newRow("NUL bytes are ordinary") << QByteArray("a\0b\r\n", 5) << L{QByteArray("a\0b", 3)};
    QTest::newRow("8-bit bytes kept") << QByteArray("caf\xe9\r\n\xff") << L{"caf\xe9", "\xff"};
}

void TestTextFile::splitLines()
{
    QFETCH(QByteArray, data);
    QFETCH(QList<QByteArray>, lines);
    QCOMPARE(textfile::splitLines(data), lines);
}

void TestTextFile::readLinesFromFile()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("QLevels.TXT");
    putFile(path, "q2dm1\r\nq2dm2\nbase1\rbase2");
    QCOMPARE(textfile::readLines(path), (QList<QByteArray>{"q2dm1", "q2dm2", "base1", "base2"}));

    // A file bigger than one read buffer comes back whole.
    QByteArray big;
    for (int i = 0; i < 20000; ++i)
        big += "level" + QByteArray::number(i) + "\r\n";
    putFile(path, big);
    const QList<QByteArray> lines = textfile::readLines(path);
    QCOMPARE(lines.size(), 20000);
    QCOMPARE(lines.last(), QByteArray("level19999"));
}

void TestTextFile::readUtf8()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("maps.txt");
    putFile(path, QStringLiteral("d\u00e9p\u00f4t\r\nq2dm1").toUtf8());
    QCOMPARE(textfile::readUtf8Lines(path), (QStringList{QStringLiteral("d\u00e9p\u00f4t"), "q2dm1"}));
}

void TestTextFile::bytesSurviveDecoding_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("ascii") << QByteArray("q2dm1");
    QTest::newRow("utf-8") << QByteArray("d\xc3\xa9p\xc3\xb4t");
    QTest::newRow("utf-8 multi-byte last") << QByteArray("caf\xc3\xa9");
    QTest::newRow("latin-1 e acute") << QByteArray("caf\xe9");
    QTest::newRow("latin-1 e grave") << QByteArray("caf\xe8");
    QTest::newRow("cut sequence at the end") << QByteArray("x\xe2\x82");
    QTest::newRow("overlong slash") << QByteArray("\xc0\xaf");
    QTest::newRow("encoded surrogate") << QByteArray("\xed\xb2\x80");
    QTest::newRow("four-byte and stray") << QByteArray("\xf0\x9f\x98\x80\xff");
}

// Level names are file names, and file names are bytes: what is read is written back byte for byte.
void TestTextFile::bytesSurviveDecoding()
{
    QFETCH(QByteArray, line);
    QTemporaryDir dir;
    const QString path = dir.filePath("maps.txt");
    putFile(path, line + "\r\n");
    const QStringList lines = textfile::readUtf8Lines(path);
    QCOMPARE(lines.size(), 1);
    textfile::writeUtf8Lines(path, lines);
    QCOMPARE(fileContents(path), line + "\r\n");
    if (QString::fromUtf8(line).toUtf8() == line)
        QCOMPARE(lines.first(), QString::fromUtf8(line)); // valid text reads as its text
}

void TestTextFile::readErrors_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("error");
    QTest::newRow("missing file") << "nothing.txt" << "File not found";
    QTest::newRow("a directory") << "folder" << "File access denied";
    QTest::newRow("unreadable file") << "secret.txt" << "File access denied";
    QTest::newRow("a FIFO nobody writes to") << "pipe" << "File access denied";
    QTest::newRow("a device that never ends") << "/dev/zero" << "File access denied";
    QTest::newRow("8 MiB is read") << "limit.txt" << "read";
    QTest::newRow("a byte more is not") << "over.txt" << "{path} is too large to read (9 MB); it is left as it is.";
}

// The read runs on a thread of its own, so one that blocks fails the test within seconds instead of hanging it.
static QString readError(const QString& path)
{
    auto outcome = std::make_shared<std::promise<QString>>();
    std::future<QString> result = outcome->get_future();
    std::thread([outcome, path] {
        try {
            textfile::readAll(path);
            outcome->set_value(QStringLiteral("read"));
        } catch (const AppError& e) {
            outcome->set_value(e.text());
        }
    }).detach();
    if (result.wait_for(std::chrono::seconds(5)) != std::future_status::ready)
        return QStringLiteral("blocked");
    return result.get();
}

void TestTextFile::readErrors()
{
    QFETCH(QString, name);
    QFETCH(QString, error);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QDir(dir.path()).mkdir("folder"));
    const QString secret = dir.filePath("secret.txt");
    putFile(secret, "x\r\n");
    QVERIFY(QFile::setPermissions(secret, QFileDevice::WriteOwner));
    QCOMPARE(::mkfifo(QFile::encodeName(dir.filePath("pipe")).constData(), 0600), 0);
    // Sparse: the size costs no disk.
    for (const auto& [file, size] :
         {std::pair{"limit.txt", textfile::MaxReadSize}, std::pair{"over.txt", textfile::MaxReadSize + 1}}) {
        putFile(dir.filePath(file), QByteArray());
        QVERIFY(QFile(dir.filePath(file)).resize(size));
    }
    if (name == "secret.txt" && !permissionsBind())
        QSKIP("the super-user reads any file");
    const QString path = name.startsWith(u'/') ? name : dir.filePath(name);
    QCOMPARE(readError(path), QString(error).replace("{path}", path));
}

void TestTextFile::writeLines_data()
{
    QTest::addColumn<QList<QByteArray>>("lines");
    QTest::addColumn<QByteArray>("bytes");
    using L = QList<QByteArray>;
    QTest::newRow("no lines") << L{} << QByteArray();
    QTest::newRow("one empty line") << L{""} << QByteArray("\r\n");
    QTest::newRow("CR LF after every line") << L{"set a 1", "", "set b 2"} << QByteArray("set a 1\r\n\r\nset b 2\r\n");
    QTest::newRow("blanks kept") << L{"  x  "} << QByteArray("  x  \r\n");
}

void TestTextFile::writeLines()
{
    QFETCH(QList<QByteArray>, lines);
    QFETCH(QByteArray, bytes);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("Velstrom.cfg");
    textfile::writeLines(path, lines);
    QCOMPARE(fileContents(path), bytes);
    // What the writer writes, the reader reads back.
    QCOMPARE(textfile::readLines(path), lines);
}

void TestTextFile::writeReplacesLongerFile()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("SERVRMSG.TXT");
    putFile(path, QByteArray(5000, 'x'));
    textfile::writeUtf8Lines(path, {QStringLiteral("Welcome"), QStringLiteral("caf\u00e9")});
    QCOMPARE(fileContents(path), QByteArray("Welcome\r\ncaf\xc3\xa9\r\n"));
}

void TestTextFile::writeLeavesNoTemporaryFiles()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("untitled_maps.txt");
    textfile::writeLines(path, {"q2dm1"});
    textfile::writeLines(path, {"q2dm2"});
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"untitled_maps.txt"});
}

void TestTextFile::writePermissions_data()
{
    QTest::addColumn<bool>("existing");
    QTest::addColumn<int>("access");
    QTest::addColumn<int>("mode");
    QTest::newRow("new owner-only file") << false << int(textfile::Access::OwnerOnly) << 0600;
    QTest::newRow("new shared file follows umask") << false << int(textfile::Access::Shared) << 0640;
    QTest::newRow("existing file keeps its mode") << true << int(textfile::Access::OwnerOnly) << 0664;
    QTest::newRow("existing shared file keeps its mode") << true << int(textfile::Access::Shared) << 0664;
}

void TestTextFile::writePermissions()
{
    QFETCH(bool, existing);
    QFETCH(int, access);
    QFETCH(int, mode);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("profile.ini");
    if (existing) {
        putFile(path, "old\r\n");
        QVERIFY(::chmod(QFile::encodeName(path).constData(), 0664) == 0);
    }
    const mode_t previous = ::umask(027);
    textfile::writeLines(path, {"[Options]"}, textfile::Access(access));
    ::umask(previous);
    QCOMPARE(int(modeOf(path)), mode);
}

void TestTextFile::failedWriteKeepsOldFile_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("read-only file") << "read-only file";
    QTest::newRow("read-only directory") << "read-only directory";
    QTest::newRow("no room for the temporary name") << "long name";
    QTest::newRow("target is a directory") << "directory";
}

void TestTextFile::failedWriteKeepsOldFile()
{
    QFETCH(QString, how);
    if (how.startsWith("read-only") && !permissionsBind())
        QSKIP("the super-user writes through permission bits");
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QString path = dir.filePath("velstrom.ini");
    const QByteArray old = "[Options]\r\nCurrentUser=fragger\r\n";
    if (how == "long name")
        path = dir.filePath(QString(250, u'n')); // the name fits, the name of its temporary file does not
    if (how == "directory") {
        QVERIFY(QDir(dir.path()).mkdir("velstrom.ini"));
    } else {
        putFile(path, old);
    }
    if (how == "read-only file")
        QVERIFY(::chmod(QFile::encodeName(path).constData(), 0444) == 0);
    if (how == "read-only directory")
        QVERIFY(::chmod(QFile::encodeName(dir.path()).constData(), 0555) == 0);

    bool failed = false;
    try {
        textfile::writeLines(path, {"[Options]", "CurrentUser=camper"}, textfile::Access::OwnerOnly);
    } catch (const AppError& e) {
        failed = true;
        QVERIFY(!e.text().isEmpty());
    }
    ::chmod(QFile::encodeName(dir.path()).constData(), 0755);
    QVERIFY(failed);
    if (how != "directory")
        QCOMPARE(fileContents(path), old);
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size(), 1);
}

void TestTextFile::writeThroughSymlink()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QDir(dir.path()).mkdir("shared"));
    const QString target = dir.filePath("shared/deathmatch.ini");
    const QString link = dir.filePath("deathmatch.ini");
    putFile(target, "old\r\n");
    QVERIFY(QFile::link(target, link));
    textfile::writeLines(link, {"new"});
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(fileContents(target), QByteArray("new\r\n"));
}

QTEST_GUILESS_MAIN(TestTextFile)
#include "tst_textfile.moc"
