// The check before a launch: which levels count as installed, what each answer of the missing-level question
// does, and that looking the maps directory and maps.lst up once gives what looking them up for every level
// gives.
#include "levels/LevelCatalogue.h"
#include "levels/LevelListModel.h"
#include "levels/PlayListVerifier.h"
#include "support/AppError.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Install {
    QTemporaryDir dir;
    QString maps() const { return dir.path() + QStringLiteral("/maps/"); }
    QString mapsList() const { return dir.path() + QStringLiteral("/maps.lst"); }
    Install(const QStringList& files, const std::optional<QByteArray>& mapsLst)
    {
        QDir().mkpath(maps());
        for (const QString& f : files) {
            QFile file(maps() + f);
            file.open(QIODevice::WriteOnly);
        }
        if (mapsLst) {
            QFile file(mapsList());
            file.open(QIODevice::WriteOnly);
            file.write(*mapsLst);
        }
    }
};

// Levels to Play with these names.
struct PlayList : LevelListModel {
    explicit PlayList(const QStringList& names) : LevelListModel(Order::Insertion)
    {
        QList<LevelEntry> entries;
        for (const QString& n : names)
            entries.append(LevelEntry::fromName(n));
        addAll(entries);
    }
};

// A scripted dialog: each answer is a button ("All", "Yes", "No", "Abort") or "" for the close box.
struct ScriptedDialog {
    QStringList answers;
    QStringList asked;
    void operator()(const QString& level, QString& result)
    {
        asked.append(level);
        const QString answer = answers.isEmpty() ? QString() : answers.takeFirst();
        if (!answer.isEmpty())
            result = answer;
    }
};

// The check as first written: the directory listed and maps.lst read afresh for every level.
void referenceVerify(QStringList& list, const QString& mapsDir, const QString& mapsListPath, bool autoRemove,
                     QString& result, const AskMissingLevel& ask)
{
    result.clear();
    int i = 0;
    while (i < list.size()) {
        const QString e = list.at(i);
        bool present = false;
        // As a Linux engine opens it: maps/<name>.bsp, then maps/<name in lower case>.bsp (ASCII only).
        QDir dir(mapsDir);
        const QString lower = QString::fromLatin1(e.toLatin1().toLower());
        for (const QString& name : dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System)) {
            if (name.endsWith(QStringLiteral(".bsp")) && (name.chopped(4) == e || name.chopped(4) == lower)) {
                present = true;
                break;
            }
        }
        if (!present) {
            QFile f(mapsListPath);
            if (!f.open(QIODevice::ReadOnly))
                throw AppError::fileNotFound();
            const QByteArray data = f.readAll();
            for (const QByteArray& line : data.split('\n')) {
                const QByteArray l = line.endsWith('\r') ? line.chopped(1) : line;
                const qsizetype space = l.indexOf(' ');
                if (space > 0 && QString::fromUtf8(l.left(space)) == e)
                    present = true;
            }
        }
        if (present) {
            ++i;
        } else if (autoRemove) {
            list.removeAt(i);
        } else if (result == u"Abort") {
            return;
        } else if (result == u"All") {
            list.removeAt(i);
        } else {
            ask(e, result);
            if (result == u"Yes" || result == u"All")
                list.removeAt(i);
            else
                ++i;
        }
    }
}

} // namespace

class TestPlayListVerifier : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void emptyListReadsNothing();
    void presentLevelsNeedNoMapsList();
    void presence_data();
    void presence();
    void answers_data();
    void answers();
    void autoRemoveAsksNothing();
    void unreadableMapsListEndsTheCheck();
    void unlistableMapsFolderEndsTheCheck();
    void sameResultsAsLookingUpEveryLevel();
};

void TestPlayListVerifier::emptyListReadsNothing()
{
    Install q2({}, std::nullopt);
    PlayList play({});
    LevelPresence presence(q2.maps(), q2.mapsList());
    QString result = QStringLiteral("stale");
    ScriptedDialog dialog;
    verifyPlayList(play, presence, false, result, std::ref(dialog));
    QCOMPARE(result, QString());
    QVERIFY(!presence.mapsDirListed() && !presence.mapsListRead());
    QVERIFY(dialog.asked.isEmpty());
}

void TestPlayListVerifier::presentLevelsNeedNoMapsList()
{
    // maps.lst is missing, but every level is a file: no error, no question.
    Install q2({"q2dm1.bsp", "Base1.bsp", "odd.bsp"}, std::nullopt);
    PlayList play({"q2dm1", "Base1", "odd"});
    LevelPresence presence(q2.maps(), q2.mapsList());
    QString result;
    ScriptedDialog dialog;
    verifyPlayList(play, presence, false, result, std::ref(dialog));
    QCOMPARE(result, QString());
    QCOMPARE(play.count(), 3);
    QVERIFY(!presence.mapsListRead());
}

void TestPlayListVerifier::presence_data()
{
    QTest::addColumn<QString>("level");
    QTest::addColumn<bool>("present");
    QTest::newRow("file, same case") << "Q2DM1" << true;
    QTest::newRow("first word of maps.lst") << "base1" << true;
    QTest::newRow("maps.lst, other case") << "BASE1" << false;
    QTest::newRow("maps.lst line without blank") << "lonely" << false;
    QTest::newRow("maps.lst line starting with blank") << "indented" << false;
    QTest::newRow("second word of maps.lst") << "Outer" << false;
    QTest::newRow("trailing blank") << "Q2DM1 " << false;
    QTest::newRow("directory entry") << "folder" << true;
    // What a Linux engine opens: maps/<name>.bsp exactly, then maps/<lower-case name>.bsp.
    QTest::newRow("lower-case file of a mixed name") << "Lower" << true;
    QTest::newRow("upper-case extension") << "Arena" << false;
    QTest::newRow("mixed file of a lower-case name") << "q2dm1" << false;
    // Names that would break the level files or run as console commands are never levels.
    QTest::newRow("quote, though in maps.lst") << "ev\"il" << false;
    QTest::newRow("semicolon, though a file") << "a;quit" << false;
}

void TestPlayListVerifier::presence()
{
    QFETCH(QString, level);
    QFETCH(bool, present);
    Install q2({"Q2DM1.bsp", "lower.bsp", "Arena.BSP", "a;quit.bsp"},
               QByteArray("base1 Outer Base\r\nlonely\r\n indented x\r\nev\"il x\r\n"));
    QDir().mkdir(q2.maps() + QStringLiteral("folder.bsp"));
    LevelPresence presence(q2.maps(), q2.mapsList());
    QCOMPARE(presence.isPresent(level), present);
}

void TestPlayListVerifier::answers_data()
{
    QTest::addColumn<QStringList>("list");
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<QStringList>("left");
    QTest::addColumn<QStringList>("asked");
    QTest::addColumn<QString>("result");
    // m1..m4 are missing, ok1/ok2 are installed.
    QTest::newRow("adjacent missing, Yes twice")
        << QStringList{"m1", "m2", "ok1", "m3"} << QStringList{"Yes", "Yes", "No"} << QStringList{"ok1", "m3"}
        << QStringList{"m1", "m2", "m3"} << "No";
    QTest::newRow("Yes to All") << QStringList{"ok1", "m1", "m2", "ok2", "m3"} << QStringList{"All"}
                                << QStringList{"ok1", "ok2"} << QStringList{"m1"} << "All";
    QTest::newRow("No keeps") << QStringList{"m1", "ok1", "m2"} << QStringList{"No", "No"}
                              << QStringList{"m1", "ok1", "m2"} << QStringList{"m1", "m2"} << "No";
    QTest::newRow("Abort on the second of three")
        << QStringList{"m1", "m2", "ok1", "m3"} << QStringList{"Yes", "Abort"} << QStringList{"m2", "ok1", "m3"}
        << QStringList{"m1", "m2"} << "Abort";
    QTest::newRow("close box after Yes removes")
        << QStringList{"m1", "m2"} << QStringList{"Yes", ""} << QStringList{} << QStringList{"m1", "m2"} << "Yes";
    QTest::newRow("close box after No keeps") << QStringList{"m1", "m2"} << QStringList{"No", ""}
                                              << QStringList{"m1", "m2"} << QStringList{"m1", "m2"} << "No";
    QTest::newRow("close box first keeps")
        << QStringList{"m1", "ok1"} << QStringList{""} << QStringList{"m1", "ok1"} << QStringList{"m1"} << "";
    QTest::newRow("all present") << QStringList{"ok1", "ok2"} << QStringList{} << QStringList{"ok1", "ok2"}
                                 << QStringList{} << "";
}

void TestPlayListVerifier::answers()
{
    QFETCH(QStringList, list);
    QFETCH(QStringList, answers);
    QFETCH(QStringList, left);
    QFETCH(QStringList, asked);
    QFETCH(QString, result);
    Install q2({"ok1.bsp"}, QByteArray("ok2 Listed only\r\n"));
    PlayList play(list);
    LevelPresence presence(q2.maps(), q2.mapsList());
    ScriptedDialog dialog{answers, {}};
    QString verifyResult;
    // The list as the dialog sees it when it asks: removals made before the question are already gone.
    QStringList shownWithFirstQuestion;
    verifyPlayList(play, presence, false, verifyResult, [&](const QString& level, QString& r) {
        if (dialog.asked.isEmpty())
            shownWithFirstQuestion = play.names();
        dialog(level, r);
    });
    QCOMPARE(play.names(), left);
    QCOMPARE(dialog.asked, asked);
    QCOMPARE(verifyResult, result);
    if (!asked.isEmpty())
        QVERIFY(shownWithFirstQuestion.contains(asked.first()));
}

void TestPlayListVerifier::autoRemoveAsksNothing()
{
    Install q2({"ok1.bsp"}, QByteArray("ok2 x\r\n"));
    PlayList play({"m1", "ok1", "m2", "m3", "ok2", "m4"});
    LevelPresence presence(q2.maps(), q2.mapsList());
    ScriptedDialog dialog;
    QString result;
    verifyPlayList(play, presence, true, result, std::ref(dialog));
    QCOMPARE(play.names(), (QStringList{"ok1", "ok2"}));
    QVERIFY(dialog.asked.isEmpty());
    QCOMPARE(result, QString());
}

// A maps folder that cannot be listed is an error, never an empty folder: auto-remove would empty the list.
void TestPlayListVerifier::unlistableMapsFolderEndsTheCheck()
{
    Install q2({}, QByteArray("base1 x\r\n"));
    QVERIFY(QDir(q2.maps()).removeRecursively());
    QFile blocker(q2.dir.path() + QStringLiteral("/maps"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    PlayList play({"ok1", "base1"});
    LevelPresence presence(q2.maps(), q2.mapsList());
    ScriptedDialog dialog;
    QString result;
    try {
        verifyPlayList(play, presence, true, result, std::ref(dialog));
        QFAIL("the unlistable folder was not reported");
    } catch (const AppError& e) {
        QCOMPARE(e.text(), QStringLiteral("Cannot read the levels folder ") + q2.maps() + QStringLiteral(": Not a directory"));
    }
    QCOMPARE(play.count(), 2);
}

void TestPlayListVerifier::unreadableMapsListEndsTheCheck()
{
    Install q2({"ok1.bsp"}, std::nullopt);
    PlayList play({"ok1", "gone", "ok1b"});
    LevelPresence presence(q2.maps(), q2.mapsList());
    ScriptedDialog dialog;
    QString result;
    try {
        verifyPlayList(play, presence, true, result, std::ref(dialog));
        QFAIL("the missing maps.lst was not reported");
    } catch (const AppError& e) {
        QCOMPARE(e.text(), QStringLiteral("File not found"));
    }
    QCOMPARE(play.names(), (QStringList{"ok1", "gone", "ok1b"}));
    QVERIFY(dialog.asked.isEmpty());
}

void TestPlayListVerifier::sameResultsAsLookingUpEveryLevel()
{
    QRandomGenerator random(31337);
    const QStringList pool{"q2dm1", "Q2DM1", "base1", "BASE1", "m1", "m2", "m3", "x y", "lst1", "lst2", "odd"};
    const QStringList buttons{"All", "Yes", "No", "Abort", ""};
    for (int round = 0; round < 120; ++round) {
        QStringList files;
        for (const QString& n : pool)
            if (random.bounded(3) == 0)
                files.append(n + (random.bounded(2) ? QStringLiteral(".bsp") : QStringLiteral(".BSP")));
        QByteArray lst;
        for (const QString& n : pool)
            if (random.bounded(4) == 0)
                lst += n.toUtf8() + (random.bounded(2) ? " title\r\n" : "\r\n");
        const bool hasList = random.bounded(5) != 0;
        Install q2(files, hasList ? std::optional<QByteArray>(lst) : std::nullopt);

        QStringList list;
        for (int i = int(random.bounded(12)); i > 0; --i)
            list.append(pool.at(int(random.bounded(int(pool.size())))));
        QStringList answers;
        for (int i = 0; i < 12; ++i)
            answers.append(buttons.at(int(random.bounded(int(buttons.size())))));
        const bool autoRemove = random.bounded(4) == 0;

        QStringList expected = list;
        ScriptedDialog refDialog{answers, {}};
        QString refResult;
        QString refError;
        try {
            referenceVerify(expected, q2.maps(), q2.mapsList(), autoRemove, refResult, std::ref(refDialog));
        } catch (const AppError& e) {
            refError = e.text();
        }

        PlayList play(list);
        LevelPresence presence(q2.maps(), q2.mapsList());
        ScriptedDialog dialog{answers, {}};
        QString result;
        QString error;
        try {
            verifyPlayList(play, presence, autoRemove, result, std::ref(dialog));
        } catch (const AppError& e) {
            error = e.text();
        }
        QCOMPARE(play.names(), expected);
        QCOMPARE(dialog.asked, refDialog.asked);
        QCOMPARE(result, refResult);
        QCOMPARE(error, refError);
    }
}

QTEST_GUILESS_MAIN(TestPlayListVerifier)
#include "tst_playlistverifier.moc"
