// Files a user could leave in the program's way: stray bytes in a play list. What the window loads, what it says,
// and what Close leaves on disk.
#include "FakeQuake2.h"
#include "app/MainForm.h"
#include "support/MessageBoxes.h"
#include "ui_MainForm.h"

#include <QListView>
#include <QTest>

using namespace velstrom::test;

namespace {

QStringList errorTexts()
{
    QStringList texts;
    for (const msgbox::Shown& box : msgbox::shown())
        if (box.icon == msgbox::Icon::Error)
            texts.append(box.text);
    return texts;
}

void closeWindow(Tmainform& form)
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
        form->levels().SetItem(form->ui().DstList, 0);
        form->levels().ExcludeBtnClick();
    }
    closeWindow(*form);
    QCOMPARE(errorTexts(), QStringList());
    QCOMPARE(q2.readProgramFile(QStringLiteral("untitled_maps.txt")), afterClose);
}

QTEST_MAIN(TestHostileFiles)
#include "tst_hostilefiles.moc"
