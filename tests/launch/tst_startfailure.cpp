// When a server counts as stopped right after its start, and what the operator is told then, with output as the
// engines print it.
#include "launch/StartFailure.h"

#include <QTest>

class TestStartFailure : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void stoppedAtStart_data()
    {
        QTest::addColumn<qint64>("ranMs");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("output");
        QTest::addColumn<bool>("stopped");
        const QByteArray q2pro =
            "********************\nFATAL: Error during initialization: Failed to load game library\n"
            "********************\n";
        const QByteArray yquake2 = "NET_Socket ERROR: getaddrinfo:Address family for hostname not supported\n"
                                   "Error: FS_LoadPAK: '/q2/Velstrom/pak0.pak' is not a pack file\n";
        // clang-format off
        QTest::newRow("exit code") << qint64(400) << 1 << QByteArray() << true;
        QTest::newRow("killed by a signal") << qint64(400) << 139 << QByteArray() << true;
        QTest::newRow("exit code 0, nothing fatal") << qint64(400) << 0 << QByteArray("NET_Socket ERROR: x\n") << false;
        QTest::newRow("q2pro's fatal line, code 0") << qint64(400) << 0 << q2pro << true;
        QTest::newRow("yquake2's error line, code 0") << qint64(400) << 0 << yquake2 << true;
        QTest::newRow("syslog level, no line end") << qint64(400) << 0 << QByteArray("<3>FATAL: x") << true;
        QTest::newRow("at the limit") << server::StartupMs << 1 << QByteArray() << true;
        QTest::newRow("after the limit") << server::StartupMs + 1 << 1 << q2pro << false;
        // clang-format on
    }

    void stoppedAtStart()
    {
        QFETCH(qint64, ranMs);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, output);
        QTEST(server::stoppedAtStart(ranMs, exitCode, output), "stopped");
    }

    void text_data()
    {
        QTest::addColumn<QByteArray>("output");
        QTest::addColumn<QString>("text");
        const QString first = "The server stopped right after it started (exit code 1).";
        QByteArray many;
        for (int i = 1; i <= 20; ++i)
            many += "line " + QByteArray::number(i) + "\r\n";
        QStringList last;
        for (int i = 20 - server::ReportedLines + 1; i <= 20; ++i)
            last += "line " + QString::number(i);
        // clang-format off
        QTest::newRow("no output") << QByteArray() << first;
        QTest::newRow("blank lines only") << QByteArray("\n \n\t\n") << first;
        QTest::newRow("the last lines, CR LF") << many << first + "\n\n" + last.join('\n');
        QTest::newRow("colours, control bytes, the game's second colour")
            << QByteArray("\x02Loading \x1b[32;1mgame\x1b[0m\n\xc5rror: bad\n\n") << first + "\n\nLoading game\nError: bad";
        // clang-format on
    }

    void text()
    {
        QFETCH(QByteArray, output);
        QTEST(server::stoppedAtStartText(1, output), "text");
    }
};

QTEST_GUILESS_MAIN(TestStartFailure)
#include "tst_startfailure.moc"
