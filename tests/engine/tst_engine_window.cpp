// The real main window's Go and Go/Exit starting a real q2ded (through a launcher in its place that runs it as
// the engine tests do), and the server window watching it.
#include "FakeQuake2.h"
#include "RealServer.h"
#include "TestClient.h"

#include "app/MainWindow.h"
#include "app/ServerWindow.h"
#include "support/GameProcess.h"
#include "support/Installation.h"
#include "support/MessageBoxes.h"
#include "support/Quake2Paths.h"
#include "support/RadioGroup.h"
#include "support/TextFile.h"
#include "ui_MainWindow.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QTableWidget>
#include <QTest>

#include <csignal>

using namespace velstrom::test;

namespace {

constexpr int StartMs = 10000;

// The program installed in the real server's tree, as FakeQuake2 installs it in a fake one.
class ProgramIn {
public:
    explicit ProgramIn(const RealServer& server) : m_previousCwd(QDir::currentPath())
    {
        setInstallation(server.installation());
        QDir::setCurrent(server.installation().programDir());
        m_previousSound = setSoundOutput(&m_sounds);
        msgbox::script();
    }
    ~ProgramIn()
    {
        msgbox::unscript();
        setSoundOutput(m_previousSound);
        setInstallation(Installation());
        QDir::setCurrent(m_previousCwd);
    }
    ProgramIn(const ProgramIn&) = delete;
    ProgramIn& operator=(const ProgramIn&) = delete;

private:
    QString m_previousCwd;
    RecordingSound m_sounds;
    SoundOutput* m_previousSound = nullptr;
};

// A dedicated server on a free port with a remote console, set in the window as an operator sets it.
quint16 dedicatedServer(Ui::MainWindow& ui)
{
    const quint16 port = freeUdpPort();
    ui.rsServType->setItemIndex(1);
    ui.edPort->setText(QString::number(port));
    ui.cbRemoteConsole->setCheckState(Qt::Checked);
    ui.edROPW->setText(QStringLiteral("rcon-test"));
    ui.edTimeLimit->setText(QStringLiteral("20"));
    ui.cbConfigFiles->setCurrentText(QStringLiteral("[None]"));
    return port;
}

QString text(QWidget* window, const char* name) { return window->findChild<QLabel*>(QLatin1String(name))->text(); }

} // namespace

class TestEngineWindow : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY2(enginesProblem().isEmpty(), qPrintable(enginesProblem())); }

    // A server that quits right at its start (here q2pro, whose game, our module, finds no stock game): Go/Exit
    // keeps the window open and shows what the server said last.
    void goExitWhenTheServerQuits()
    {
        RealServer server(Layout::Q2proPortable);
        QVERIFY(QFile::remove(server.baseDir() + QStringLiteral("/gamex86_64.so")));
        server.installLauncher();
        textfile::writeUtf8Lines(server.installation().file(QStringLiteral("untitled_maps.txt")),
                                 {QStringLiteral("q2t_plain")});
        ProgramIn program(server);
        auto window = startMainWindow();
        window->show();
        dedicatedServer(window->ui());

        window->ui().goExitButton->click();

        QTRY_COMPARE_WITH_TIMEOUT(msgbox::shown().size(), 1, StartMs);
        const msgbox::Shown box = msgbox::shown().first();
        QCOMPARE(box.icon, msgbox::Icon::Error);
        QVERIFY2(box.text.startsWith(QStringLiteral("The server stopped right after it started (exit code 1).")),
                 qPrintable(box.text));
        QVERIFY2(box.text.contains(QStringLiteral("Velstrom game module: no stock game library found")),
                 qPrintable(box.text));
        QVERIFY(window->isVisible());
    }

    // The server window on a running server: its state, level and title, the player, Skip Level, the server's own
    // output, and Stop Server.
    void serverWindow()
    {
        RealServer server(Layout::Yquake2);
        server.installLauncher();
        textfile::writeUtf8Lines(server.installation().file(QStringLiteral("untitled_maps.txt")),
                                 {QStringLiteral("q2t_plain"), QStringLiteral("ew_plain")});
        ProgramIn program(server);
        auto window = startMainWindow();
        window->show();
        const quint16 port = dedicatedServer(window->ui());

        window->ui().goButton->click();

        auto* serverWindow = window->findChild<ServerWindow*>();
        QVERIFY(serverWindow && serverWindow->process());
        const pid_t pid = serverWindow->process()->pid();
        const auto end = qScopeGuard([pid] { ::kill(pid, SIGKILL); }); // whatever a check below does
        QTRY_COMPARE_WITH_TIMEOUT(text(serverWindow, "lblState"), QStringLiteral("Running"), StartMs);
        QTRY_VERIFY_WITH_TIMEOUT(text(serverWindow, "lblLevel").contains(QStringLiteral("q2t_plain")), StartMs);
        QVERIFY(text(serverWindow, "lblLevel").contains(QStringLiteral("The Plain Arena")));

        TestClient client(port, QStringLiteral("visitor"));
        QTRY_VERIFY2_WITH_TIMEOUT(client.inGame(), qPrintable(client.problem()), StartMs);
        auto* players = serverWindow->findChild<QTableWidget*>(QStringLiteral("tblPlayers"));
        QTRY_VERIFY_WITH_TIMEOUT(players->rowCount() == 1 && players->item(0, 0)->text() == QStringLiteral("visitor"),
                                 StartMs);

        serverWindow->findChild<QPushButton*>(QStringLiteral("skipLevelButton"))->click();
        QTRY_COMPARE_WITH_TIMEOUT(client.levelsEntered(), 2, StartMs);
        QCOMPARE(client.level(), QStringLiteral("ew_plain"));
        QTRY_VERIFY_WITH_TIMEOUT(text(serverWindow, "lblLevel").contains(QStringLiteral("ew_plain")), StartMs);
        QCOMPARE(textfile::readLines(server.installation().file(q2::SkippedLevels)), QList<QByteArray>{"q2t_plain"});
        // The server's own console in its pane, with our module's line at each level start.
        auto* output = serverWindow->findChild<QPlainTextEdit*>(QStringLiteral("edServerOutput"));
        QVERIFY(output);
        QTRY_COMPARE_WITH_TIMEOUT(output->toPlainText().count(QStringLiteral("Velstrom: kickback")), 2, StartMs);

        serverWindow->findChild<QPushButton*>(QStringLiteral("stopButton"))->click();
        QTRY_VERIFY_WITH_TIMEOUT(!serverWindow->process()->isRunning(), StartMs);
        QTRY_VERIFY(text(serverWindow, "lblState").startsWith(QStringLiteral("Stopped")));
    }
};

QTEST_MAIN(TestEngineWindow)
#include "tst_engine_window.moc"
