// Files a user could leave in the program's way: stray bytes in a play list, and files far larger than any the
// program writes. What the window loads, what it says, and what Close leaves on disk.
#include "FakeQuake2.h"
#include "app/MainWindow.h"
#include "support/ErrorReport.h"
#include "support/MessageBoxes.h"
#include "ui_MainWindow.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QListView>
#include <QTest>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

using namespace velstrom::test;

namespace {

constexpr qint64 MiB = 1024 * 1024;

// Ends the whole test program when a test is still running after `limit`: a file read that freezes the window
// fails in a minute with a message, not at the test runner's time-out.
class Watchdog {
public:
    explicit Watchdog(std::chrono::seconds limit)
        : m_thread([this, limit] {
              std::unique_lock lock(m_mutex);
              if (!m_done.wait_for(lock, limit, [this] { return m_finished; })) {
                  std::fprintf(stderr, "watchdog: still running after %lld s\n", static_cast<long long>(limit.count()));
                  std::abort();
              }
          })
    {
    }
    ~Watchdog()
    {
        {
            std::lock_guard lock(m_mutex);
            m_finished = true;
        }
        m_done.notify_one();
        m_thread.join();
    }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

private:
    std::mutex m_mutex;
    std::condition_variable m_done;
    bool m_finished = false;
    std::thread m_thread;
};

void closeWindow(MainWindow& form)
{
    form.show();
    form.close();
}

} // namespace

class TestHostileFiles : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void playListBytes_data();
    void playListBytes();
    void largeFiles_data();
    void largeFiles();
};

void TestHostileFiles::playListBytes_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<bool>("userChange"); // the first level is taken off the list before Close
    QTest::addColumn<QByteArray>("afterClose");

    const QByteArray withMark = "dm_alpha\r\n\x1a\r\ndm_beta\r\ndm_gamma\r\n";
    const QStringList three{"dm_alpha", "dm_beta", "dm_gamma"};
    QTest::newRow("byte 26 on a line of its own") << withMark << three << false << withMark;
    QTest::newRow("byte 26 line, then the user changes the list")
        << withMark << three << true << QByteArray("dm_beta\r\ndm_gamma\r\n");
    QTest::newRow("byte 26 inside a name") << QByteArray("dm_al\x1apha\r\ndm_beta\r\n")
                                           << QStringList{"dm_al\x1apha", "dm_beta"} << false
                                           << QByteArray("dm_al\x1apha\r\ndm_beta\r\n");
    QTest::newRow("byte 26 as the last byte is the end mark")
        << QByteArray("dm_alpha\r\ndm_beta\r\n\x1a") << QStringList{"dm_alpha", "dm_beta"} << false
        << QByteArray("dm_alpha\r\ndm_beta\r\n");
    QTest::newRow("blank lines") << QByteArray("dm_alpha\r\n\r\n \t\r\ndm_beta\r\n")
                                 << QStringList{"dm_alpha", "dm_beta"} << false
                                 << QByteArray("dm_alpha\r\n\r\n \t\r\ndm_beta\r\n");
    QTest::newRow("a level twice") << QByteArray("dm_alpha\r\nDM_ALPHA\r\n") << QStringList{"dm_alpha"} << false
                                   << QByteArray("dm_alpha\r\nDM_ALPHA\r\n");
    QTest::newRow("nothing left out: written in our own line endings")
        << QByteArray("dm_alpha\ndm_beta") << QStringList{"dm_alpha", "dm_beta"} << false
        << QByteArray("dm_alpha\r\ndm_beta\r\n");
}

// Lines the list leaves out are lost if the file is written back, so it stays as it is until the user changes
// the list.
void TestHostileFiles::playListBytes()
{
    QFETCH(QByteArray, file);
    QFETCH(QStringList, shown);
    QFETCH(bool, userChange);
    QFETCH(QByteArray, afterClose);
    FakeQuake2 q2;
    q2.writeProgramFile(QStringLiteral("untitled_maps.txt"), file);
    auto form = startMainWindow();
    QCOMPARE(form->levels().playList(), shown);
    if (userChange) {
        form->levels().selectItem(form->ui().lstToPlay, 0);
        form->levels().excludeClicked();
    }
    closeWindow(*form);
    QCOMPARE(errorTexts(), QStringList());
    QCOMPARE(q2.readProgramFile(QStringLiteral("untitled_maps.txt")), afterClose);
}

void TestHostileFiles::largeFiles_data()
{
    QTest::addColumn<QString>("name"); // in the program directory, or maps.lst
    QTest::addColumn<qint64>("size");
    QTest::addColumn<int>("shownMB"); // 0: read as usual, nothing said

    QTest::newRow("play list at the limit") << "untitled_maps.txt" << 8 * MiB << 0;
    QTest::newRow("play list one byte over") << "untitled_maps.txt" << 8 * MiB + 1 << 9;
    QTest::newRow("play list of 130 MB") << "untitled_maps.txt" << 130 * MiB << 130;
    QTest::newRow("profile INI") << "untitled.ini" << 126 * MiB << 126;
    QTest::newRow("program INI") << "velstrom.ini" << 9 * MiB << 9;
    QTest::newRow("message file") << "SERVRMSG.TXT" << 20 * MiB << 20;
    QTest::newRow("skipped levels") << "qskipped.txt" << 10 * MiB << 10;
    QTest::newRow("maps.lst, id levels shown") << "maps.lst" << 12 * MiB << 12;
}

// Sparse files: their size costs no disk, and a reading program would still have to go through every byte.
void TestHostileFiles::largeFiles()
{
    QFETCH(QString, name);
    QFETCH(qint64, size);
    QFETCH(int, shownMB);
    const Watchdog watchdog(std::chrono::seconds(90));
    FakeQuake2 q2;
    const QString path = name == "maps.lst" ? q2.quake2Dir() + "/baseq2/maps.lst" : q2.file(name);
    if (name == "maps.lst")
        q2.writeProgramFile("untitled.ini", "[Options]\r\nShowOriginalLevels=CHK\r\n");
    q2.addLevel("q2dm1.bsp");
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        QVERIFY(f.resize(size));
    }
    const QDateTime written = QFileInfo(path).lastModified();

    auto form = startMainWindow();
    const QString message = path + " is too large to read (" + QString::number(shownMB) + " MB); it is left as it is.";
    QCOMPARE(errorTexts(), shownMB == 0 ? QStringList() : QStringList{message});
    // Treated as a file that cannot be read: the levels are still listed, the settings are the defaults.
    QCOMPARE(form->levels().availableLevels().names(), QStringList{"q2dm1"});
    QCOMPARE(form->ui().edPort->text(), QStringLiteral("27910"));
    // Reloading the profile does not say it again.
    guarded([&] { form->settings().newCurrentUser(); });
    QCOMPARE(errorTexts().size(), shownMB == 0 ? 0 : 1);

    closeWindow(*form);
    if (shownMB == 0)
        return;
    // Never written or deleted.
    QCOMPARE(QFileInfo(path).size(), size);
    QCOMPARE(QFileInfo(path).lastModified(), written);
}

QTEST_MAIN(TestHostileFiles)
#include "tst_hostilefiles.moc"
