// Start-up, the main window's own buttons and every way of closing it.
#include "FakeQuake2.h"
#include "app/MainWindow.h"
#include "app/Startup.h"
#include "support/Ini.h"
#include "support/Installation.h"
#include "support/MessageBoxes.h"
#include "ui_MainWindow.h"

#include <QAbstractItemModel>
#include <QDir>
#include <QListView>
#include <QLockFile>
#include <QSysInfo>
#include <QSignalSpy>
#include <QTest>

#include <atomic>
#include <chrono>
#include <thread>

#include <sys/stat.h>

using namespace velstrom::test;

namespace {

const QString WarningText =
    QStringLiteral("This program must reside in a subdirectory of the main Quake2 directory or the whole program "
                   "won't work!!!\r\n\r\nThe \"readme.txt\" file contains much information on how the program works, "
                   "and can save you some possible frustration.  Would you like to read it now?");

int rows(QListView* list) { return list->model() ? list->model()->rowCount() : 0; }

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        // No desktop associations: the readme command then names no program.
        qputenv("XDG_DATA_HOME", m_xdg.path().toUtf8() + "/data");
        qputenv("XDG_CONFIG_HOME", m_xdg.path().toUtf8() + "/config");
        qputenv("XDG_DATA_DIRS", m_xdg.path().toUtf8() + "/none");
    }

    void windowHasItsFixedShape()
    {
        FakeQuake2 q2;
        auto window = makeMainWindow();
        QCOMPARE(window->windowTitle(), QStringLiteral("Velstrom"));
        QCOMPARE(window->size(), QSize(547, 336));
        QCOMPARE(window->minimumSize(), window->maximumSize());
        QVERIFY(!(window->windowFlags() & Qt::WindowMaximizeButtonHint));
        auto& ui = window->ui();
        const QStringList pages{QStringLiteral("Maps"), QStringLiteral("Deathmatch Settings"),
                                QStringLiteral("Beginner Empathy"), QStringLiteral("Server Settings"),
                                QStringLiteral("Preferences"), QStringLiteral("M.O.T.D.")};
        QCOMPARE(ui.pcPages->count(), pages.size());
        for (int i = 0; i < pages.size(); ++i)
            QCOMPARE(ui.pcPages->tabText(i), pages[i]);
        QCOMPARE(ui.pcPages->currentWidget(), ui.tsMaps);
        QCOMPARE(ui.goButton->text(), QStringLiteral("&Go!"));
        QCOMPARE(ui.closeButton->toolTip(), QStringLiteral("Hasta la vista, baby (saving all options, of course)."));
        QVERIFY(ui.goButton->isDefault());
    }

    void tabOrderOfTheButtonRow()
    {
        FakeQuake2 q2;
        auto window = makeMainWindow();
        auto& ui = window->ui();
        const QList<QWidget*> order{ui.goButton,    ui.goExitButton, ui.resetAllButton,
                                    ui.closeButton, ui.aboutButton,  ui.pcPages};
        for (qsizetype i = 0; i + 1 < order.size(); ++i)
            QCOMPARE(order[i]->nextInFocusChain(), order[i + 1]);
    }

    void missingGameWarnsBeforeTheListsFill_data()
    {
        QTest::addColumn<QString>("soundDisable");
        QTest::newRow("sounds on") << QStringLiteral("UNC");
        QTest::newRow("sounds off") << QStringLiteral("CHK");
    }

    void missingGameWarnsBeforeTheListsFill()
    {
        QFETCH(QString, soundDisable);
        FakeQuake2 q2;
        q2.addLevels({QStringLiteral("dm1.bsp"), QStringLiteral("dm2.bsp")});
        q2.writeProgramFile(QStringLiteral("velstrom.ini"), "[Options]\r\nSoundDisable=" + soundDisable.toUtf8() + "\r\n");
        const QString workingDir = QDir::currentPath();
        std::unique_ptr<MainWindow> window(startVelstrom());
        const auto shown = msgbox::shown();
        QVERIFY(!shown.isEmpty());
        QCOMPARE(shown.first().caption, QStringLiteral("Warning"));
        QCOMPARE(shown.first().text, WarningText);
        QCOMPARE(shown.first().buttons, (QList<msgbox::Button>{msgbox::Button::Yes, msgbox::Button::No}));
        // The warning sound ignores the user's switch.
        QCOMPARE(q2.sounds().names().first(), QStringLiteral("SND_WARNGAME"));
        QCOMPARE(q2.sounds().played().first().wait, false);
        QVERIFY(window->isVisible());
        // Every path is absolute: the start leaves the process's working directory alone.
        QCOMPARE(QDir::currentPath(), workingDir);
    }

    void warningSeenBeforeLevelsAreListed()
    {
        FakeQuake2 q2;
        q2.addLevels({QStringLiteral("dm1.bsp"), QStringLiteral("dm2.bsp")});
        int rowsAtWarning = -1;
        MainWindow* seen = nullptr;
        msgbox::onShow([&](const msgbox::Shown& box) {
            if (box.caption != QStringLiteral("Warning"))
                return;
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* form = qobject_cast<MainWindow*>(w)) {
                    seen = form;
                    rowsAtWarning = rows(form->ui().lstAvailable);
                }
        });
        std::unique_ptr<MainWindow> window(startVelstrom());
        msgbox::onShow({});
        QCOMPARE(seen, window.get());
        QCOMPARE(rowsAtWarning, 0);
    }

    void readmeOfferOpensTheReadme()
    {
        FakeQuake2 q2;
        msgbox::script({msgbox::Button::Yes});
        std::unique_ptr<MainWindow> window(startVelstrom());
        const auto shown = msgbox::shown();
        QCOMPARE(shown.size(), 2);
        // With no program associated with text files the command starts with two quotes, and the system's
        // answer is what the user reads.
        QCOMPARE(shown[1].text, QStringLiteral("The file (\"\" \"%1readme.txt\") was not found.")
                                    .arg(installation().programDir()));
    }

    void gameBesideTheProgramGivesNoWarning_data()
    {
        QTest::addColumn<QString>("game");
        QTest::newRow("quake2.exe") << QStringLiteral("quake2.exe");
        QTest::newRow("quake2") << QStringLiteral("quake2");
    }

    void gameBesideTheProgramGivesNoWarning()
    {
        QFETCH(QString, game);
        FakeQuake2 q2;
        q2.installGame(game);
        std::unique_ptr<MainWindow> window(startVelstrom());
        QVERIFY(msgbox::shown().isEmpty());
        QVERIFY(q2.sounds().names().isEmpty());
        QVERIFY(window->isVisible());
    }

    void closeButtonSavesAndPlaysItsSound_data()
    {
        QTest::addColumn<bool>("soundsOff");
        QTest::newRow("sounds on") << false;
        QTest::newRow("sounds off") << true;
    }

    void closeButtonSavesAndPlaysItsSound()
    {
        QFETCH(bool, soundsOff);
        FakeQuake2 q2;
        q2.installGame();
        auto window = startMainWindow();
        window->show();
        window->ui().cbSoundDisable->setChecked(soundsOff);
        window->state().soundsEnabled = !soundsOff;
        bool hiddenWhenSounding = false;
        struct Probe : SoundOutput {
            MainWindow* form;
            bool* hidden;
            RecordingSound* record;
            void play(const QString& name, bool wait) override
            {
                *hidden = !form->isVisible() && form->windowTitle() == QStringLiteral("Velstrom - Closing...");
                record->play(name, wait);
            }
        } probe;
        probe.form = window.get();
        probe.hidden = &hiddenWhenSounding;
        probe.record = &q2.sounds();
        SoundOutput* previous = setSoundOutput(&probe);
        QTest::mouseClick(window->ui().closeButton, Qt::LeftButton);
        setSoundOutput(previous);

        QVERIFY(!window->isVisible());
        QCOMPARE(window->windowTitle(), QStringLiteral("Velstrom - Closing..."));
        if (soundsOff) {
            QVERIFY(q2.sounds().played().isEmpty());
        } else {
            QCOMPARE(q2.sounds().names(), QStringList{QStringLiteral("SND_CLOSING")});
            QVERIFY(q2.sounds().played().first().wait);
            QVERIFY(hiddenWhenSounding);
        }
        QCOMPARE(iniRead(q2.file(QStringLiteral("velstrom.ini")), QStringLiteral("Options"),
                         QStringLiteral("CurrentUser"), QString()),
                 QStringLiteral("untitled"));
    }

    void closeBoxSavesSilentlyAndKeepsTheCaption()
    {
        FakeQuake2 q2;
        q2.installGame();
        auto window = startMainWindow();
        window->show();
        QVERIFY(window->close());
        QCOMPARE(window->windowTitle(), QStringLiteral("Velstrom"));
        QVERIFY(q2.sounds().played().isEmpty());
        QVERIFY(QFile::exists(q2.file(QStringLiteral("velstrom.ini"))));
        QVERIFY(QFile::exists(q2.file(QStringLiteral("untitled.ini"))));
    }

    void failedSaveIsReportedAndTheWindowStillCloses()
    {
        FakeQuake2 q2;
        q2.installGame();
        auto window = startMainWindow();
        window->show();
        QFile::setPermissions(installation().programDir(), QFile::ReadOwner | QFile::ExeOwner);
        if (QFileInfo(installation().programDir()).isWritable())
            QSKIP("running with rights that ignore file permissions");
        const bool closed = window->close();
        QFile::setPermissions(installation().programDir(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY(closed);
        QVERIFY(!window->isVisible());
        const auto shown = msgbox::shown();
        QVERIFY(!shown.isEmpty());
        QVERIFY(shown.first().text.startsWith(QStringLiteral("Unable to write to ")));
    }

    // FIFOs in place of every file the start reads: nothing blocks, and the window comes up. A watchdog ends the
    // test within seconds if a read does block.
    void fifosInPlaceOfFilesBlockNothing()
    {
        FakeQuake2 q2;
        q2.addLevels({QStringLiteral("dm1.bsp")});
        for (const char* name : {"velstrom.ini", "untitled.ini", "untitled_maps.txt", "qskipped.txt", "SERVRMSG.TXT",
                                 "../baseq2/maps/fifo.bsp"})
            QCOMPARE(::mkfifo(QFile::encodeName(q2.file(QString::fromLatin1(name))).constData(), 0600), 0);
        std::atomic<bool> done = false;
        std::thread watchdog([&done] {
            for (int i = 0; i < 100 && !done; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            if (!done)
                qFatal("the start blocked on a FIFO");
        });
        std::unique_ptr<MainWindow> window(startVelstrom());
        // The title of the level that is a FIFO.
        QListView* list = window->ui().lstAvailable;
        const QModelIndexList fifo = list->model()->match(list->model()->index(0, 0), Qt::DisplayRole, QStringLiteral("fifo"));
        QCOMPARE(fifo.size(), 1);
        const QPoint at = list->visualRect(fifo.first()).center();
        window->levels().listMouseMoved(list, Qt::NoModifier, at.x(), at.y());
        QCOMPARE(window->ui().lblSrcMapDesc->text(), QStringLiteral("fifo")); // no title: the name stands
        done = true;
        watchdog.join();
        QVERIFY(window->isVisible());
    }

    // One copy a program directory; a lock left by a copy that died does not count.
    void secondCopyEndsAndAStaleLockDoesNot()
    {
        FakeQuake2 q2;
        const QString lockPath = q2.file(QStringLiteral(".velstrom.lock"));
        {
            QFile stale(lockPath); // pid, program, host: a process that is gone
            QVERIFY(stale.open(QIODevice::WriteOnly));
            stale.write("999999999\nvelstrom\n" + QSysInfo::machineHostName().toUtf8() + "\n");
        }
        const std::unique_ptr<QLockFile> first = lockProgramDirectory();
        QVERIFY(first);
        QVERIFY(msgbox::shown().isEmpty());
        QVERIFY(!lockProgramDirectory());
        QCOMPARE(msgbox::shown().size(), 1);
        QCOMPARE(msgbox::shown().first().caption, QStringLiteral("Information"));
        QCOMPARE(msgbox::shown().first().text,
                 QStringLiteral("Velstrom is already running from ") + q2.programDir().chopped(1) + u'.');
    }

    void formCreateRunsAgainOnALiveWindow()
    {
        FakeQuake2 q2;
        q2.installGame();
        auto window = startMainWindow();
        auto& ui = window->ui();
        ui.pcPages->setCurrentWidget(ui.tsServer);
        window->levels().setLastHoverIndex(4);
        QVERIFY(!window->state().pak2Present);
        q2.writePak2();
        QDir::setCurrent(QDir::tempPath());
        window->initialise();
        QCOMPARE(ui.pcPages->currentWidget(), ui.tsMaps);
        QVERIFY(window->state().pak2Present);
        QCOMPARE(window->levels().lastHoverIndex(), -1);
        QVERIFY(!window->state().loadingSettings);
        QCOMPARE(window->motd().serverMsgPath(), q2.file(QStringLiteral("SERVRMSG.TXT")));
        // Every path is absolute: the window leaves the process's working directory alone.
        QCOMPARE(QDir::currentPath(), QDir::tempPath());
    }

    void enterPressesTheFocusedButtonOrGo()
    {
        FakeQuake2 q2;
        q2.installGame();
        auto window = makeMainWindow();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        QSignalSpy go(window->ui().goButton, &QPushButton::clicked);
        QSignalSpy refresh(window->ui().refreshButton, &QPushButton::clicked);
        window->ui().refreshButton->setFocus();
        QTest::keyClick(window->ui().refreshButton, Qt::Key_Return);
        QCOMPARE(refresh.count(), 1);
        QCOMPARE(go.count(), 0);
        window->ui().pcPages->setFocus();
        QTest::keyClick(window->ui().pcPages, Qt::Key_Return);
        QCOMPARE(go.count(), 1);
    }

private:
    QTemporaryDir m_xdg;
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
