#include "support/ModalRun.h"

#include <QApplication>
#include <QDialog>
#include <QTest>
#include <QTimer>

class TestModalRun : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void keyboardReturnsToTheWindow_data();
    void keyboardReturnsToTheWindow();
};

void TestModalRun::keyboardReturnsToTheWindow_data()
{
    QTest::addColumn<bool>("activeBefore");
    QTest::newRow("window active before") << true;
    // Shown but never given the keyboard: where no window manager runs, the dialog's parent.
    QTest::newRow("no window active before") << false;
}

void TestModalRun::keyboardReturnsToTheWindow()
{
    QFETCH(bool, activeBefore);
    QWidget window;
    window.setAttribute(Qt::WA_ShowWithoutActivating, !activeBefore);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    if (activeBefore) {
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
    }
    if (!activeBefore && QApplication::activeWindow() == &window)
        QSKIP("this platform gives every window the keyboard when it is shown");
    QCOMPARE(QApplication::activeWindow() == &window, activeBefore);

    QDialog dialog(&window);
    QTimer::singleShot(0, &dialog, [&dialog] { dialog.done(7); });
    QCOMPARE(runModal(dialog), 7);
    QVERIFY(QTest::qWaitForWindowActive(&window, 2000));
}

QTEST_MAIN(TestModalRun)
#include "tst_modalrun.moc"
