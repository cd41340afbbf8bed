#include "support/Associations.h"
#include "support/MessageBoxes.h"
#include "support/Shell.h"
#include "support/TextUtil.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

// The desktop's associations, read by GIO from a desktop of our own making:
//   system/mime/            the MIME types GIO knows (XDG_DATA_DIRS)
//   config/mimeapps.list    default application for text/plain (XDG_CONFIG_HOME)
//   data/applications/      the two applications' .desktop files and the default for text/html (XDG_DATA_HOME)
//   opt/my editor/bin/ed, bin/browse, bin/cat   the applications: they record their arguments
class TestDesktopAssociations : public QObject {
    Q_OBJECT

public:
    explicit TestDesktopAssociations(QString root) : m_root(std::move(root)) {}

private Q_SLOTS:
    void initTestCase();
    void registryShape_data();
    void registryShape();
    void findAssociatedProgram_data();
    void findAssociatedProgram();
    void openReadmeWithAssociatedProgram();
    void bareViewerNeverFromWorkingDirectory();

private:
    void put(const QString& relative, const QByteArray& data, mode_t mode = 0644);
    QString editor() const { return m_root + "/opt/my editor/bin/ed"; }
    QString browser() const { return m_root + "/bin/browse"; }

    QString m_root;
};

void TestDesktopAssociations::put(const QString& relative, const QByteArray& data, mode_t mode)
{
    const QString path = m_root + '/' + relative;
    QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(data), data.size());
    f.close();
    QVERIFY(::chmod(QFile::encodeName(path).constData(), mode) == 0);
}

void TestDesktopAssociations::initTestCase()
{
    const QByteArray recorder = "#!/bin/sh\n"
                                "log=\"$(dirname \"$0\")/launch.log\"\n"
                                "{ basename \"$0\"; for a in \"$@\"; do printf '%s\\n' \"$a\"; done; } > \"$log.tmp\"\n"
                                "mv \"$log.tmp\" \"$log\"\n";
    put("opt/my editor/bin/ed", recorder, 0755);
    put("bin/browse", recorder, 0755);
    put("bin/cat", recorder, 0755);
    put("work/cat", recorder, 0755); // named like the viewer, in the directory the program is started from

    put("system/mime/globs2", "50:text/plain:*.txt\n"
                              "50:text/html:*.htm\n"
                              "50:text/html:*.html\n"
                              "50:application/x-quake2-level:*.bsp\n"
                              "50:text/x-velstrom-note:*.vnote\n");
    const QByteArray xml = "<?xml version=\"1.0\"?>\n"
                           "<mime-type xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\"/>\n";
    put("system/mime/text/plain.xml", xml);
    put("system/mime/text/html.xml", xml);
    put("system/mime/application/x-quake2-level.xml", xml);
    put("system/mime/text/x-velstrom-note.xml", xml);

    put("data/applications/myeditor.desktop", "[Desktop Entry]\n"
                                              "Type=Application\n"
                                              "Name=My Editor\n"
                                              "Exec=\"" + editor().toUtf8() + "\" %f\n"
                                              "MimeType=text/plain;\n");
    put("data/applications/browser.desktop", "[Desktop Entry]\n"
                                             "Type=Application\n"
                                             "Name=Browser\n"
                                             "Exec=" + browser().toUtf8() + " %U\n"
                                             "MimeType=text/html;\n");
    put("data/applications/viewer.desktop", "[Desktop Entry]\n"
                                            "Type=Application\n"
                                            "Name=Viewer\n"
                                            "Exec=cat %f\n"
                                            "MimeType=text/x-velstrom-note;\n");
    put("config/mimeapps.list", "[Default Applications]\ntext/plain=myeditor.desktop\n"
                                "text/x-velstrom-note=viewer.desktop\n");
    put("data/applications/mimeapps.list", "[Default Applications]\ntext/html=browser.desktop\n");
}

void TestDesktopAssociations::registryShape_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<bool>("exists");
    QTest::addColumn<QString>("value"); // "-" for no value

    QTest::newRow("extension") << ".txt" << true << "text/plain";
    QTest::newRow("extension in upper case") << ".HTM" << true << "text/html";
    QTest::newRow("extension has no shell of its own") << ".txt\\shell" << false << "-";
    QTest::newRow("extension without an application") << ".bsp" << true << "application/x-quake2-level";
    QTest::newRow("unknown extension") << ".zzqv" << false << "-";
    QTest::newRow("class") << "text/plain" << true << "-";
    QTest::newRow("class without an application") << "application/x-quake2-level" << true << "-";
    QTest::newRow("its shell is missing") << "application/x-quake2-level\\shell" << false << "-";
    QTest::newRow("unknown class") << "application/x-nothing-at-all" << false << "-";
    QTest::newRow("shell") << "text/plain\\shell" << true << "-";
    QTest::newRow("shell open") << "text/plain\\shell\\open" << true << "-";
    QTest::newRow("other verbs do not exist") << "text/plain\\shell\\print" << false << "-";
    QTest::newRow("command") << "text/plain\\shell\\open\\command" << true << "\"{editor}\" %f";
    QTest::newRow("command of the data-directory default") << "text/html\\shell\\open\\command" << true
                                                           << "{browser} %U";
}

void TestDesktopAssociations::registryShape()
{
    QFETCH(QString, key);
    QFETCH(bool, exists);
    QFETCH(QString, value);
    const DesktopAssociations desktop;
    QCOMPARE(desktop.keyExists(key), exists);
    const std::optional<QString> stored = desktop.defaultValue(key);
    if (value == "-") {
        QVERIFY2(!stored, qPrintable(stored.value_or(QString())));
    } else {
        QVERIFY(stored.has_value());
        QCOMPARE(*stored, QString(value).replace("{editor}", editor()).replace("{browser}", browser()));
    }
}

void TestDesktopAssociations::findAssociatedProgram_data()
{
    QTest::addColumn<QString>("extension");
    QTest::addColumn<QString>("program");
    QTest::newRow("quoted program path with a blank") << "txt" << quoteText(editor());
    QTest::newRow("upper-case extension") << "TXT" << quoteText(editor());
    QTest::newRow("unquoted program keeps the blank before %U") << "htm" << quoteText(browser() + ' ');
    QTest::newRow("type without an application") << "bsp" << "\"\"";
    QTest::newRow("unknown extension") << "zzqv" << "\"\"";
    QTest::newRow("empty extension") << "" << "\"\"";
}

void TestDesktopAssociations::findAssociatedProgram()
{
    QFETCH(QString, extension);
    QFETCH(QString, program);
    QCOMPARE(::findAssociatedProgram(extension), program);
}

void TestDesktopAssociations::openReadmeWithAssociatedProgram()
{
    // What start-up does when the game is missing and the user wants to read the readme.
    const QString readme = m_root + "/Velstrom/readme.txt";
    put("Velstrom/readme.txt", "Velstrom belongs in a subdirectory of Quake 2.\r\n");
    msgbox::script();
    const bool started = runCommandLine(::findAssociatedProgram("txt") + ' ' + quoteText(readme));
    const QList<msgbox::Shown> shown = msgbox::shown();
    msgbox::unscript();
    QVERIFY(started);
    QCOMPARE(shown.size(), 0);
    const QString log = QFileInfo(editor()).absolutePath() + "/launch.log";
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(log), 10000);
    QFile f(log);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(f.readAll()), "ed\n" + readme + '\n');
}

// The association names its program bare ("cat"): it is looked up on PATH, never in the working directory, not
// even through an empty PATH entry.
void TestDesktopAssociations::bareViewerNeverFromWorkingDirectory()
{
    const QString work = m_root + "/work";
    const QString note = work + "/notes.vnote";
    put("work/notes.vnote", "a note\n");
    const QString oldDir = QDir::currentPath();
    const QByteArray oldPath = qgetenv("PATH");
    QVERIFY(QDir::setCurrent(work));
    qputenv("PATH", ":" + QFile::encodeName(m_root + "/bin") + ':' + oldPath);
    const QString program = ::findAssociatedProgram("vnote");
    msgbox::script();
    const bool started = runCommandLine(program + ' ' + quoteText(note));
    msgbox::unscript();
    QDir::setCurrent(oldDir);
    qputenv("PATH", oldPath);

    QCOMPARE(program, quoteText("cat "));
    QVERIFY(started);
    const QString log = m_root + "/bin/launch.log";
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(log), 10000);
    QFile f(log);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(f.readAll()), "cat\n" + note + '\n');
    QVERIFY(!QFile::exists(work + "/launch.log"));
}

int main(int argc, char** argv)
{
    // GIO reads these once, at its first use, so they are set before anything else happens.
    QTemporaryDir root;
    if (!root.isValid())
        return 1;
    const QString path = QDir(root.path()).canonicalPath();
    qputenv("XDG_DATA_HOME", QFile::encodeName(path + "/data"));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(path + "/config"));
    qputenv("XDG_DATA_DIRS", QFile::encodeName(path + "/system"));
    qputenv("XDG_CONFIG_DIRS", QFile::encodeName(path + "/sysconfig"));
    QApplication app(argc, argv);
    TestDesktopAssociations test(path);
    return QTest::qExec(&test, argc, argv);
}

#include "tst_desktopassociations.moc"
