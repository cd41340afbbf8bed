// The "M.O.T.D." page of the real main window: SERVRMSG.TXT in and out, the colour and bar buttons.
#include "FakeQuake2.h"
#include "Unprivileged.h"
#include "app/MainWindow.h"
#include "motd/MotdController.h"
#include "motd/QuakeText.h"
#include "support/AppError.h"
#include "support/ErrorReport.h"
#include "support/GradientButton.h"
#include "support/MessageBoxes.h"
#include "support/TextFile.h"
#include "ui_MainWindow.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>

#include <sys/stat.h>

using namespace velstrom::test;

namespace {

const QString MessageFile = QStringLiteral("SERVRMSG.TXT");

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray b;
    for (const int v : values)
        b.append(char(v));
    return b;
}

const QByteArray SingleBarBytes = bytes({29}) + QByteArray(38, char(30)) + bytes({31});
const QByteArray DoubleBarBytes = bytes({128}) + QByteArray(38, char(129)) + bytes({130});
const QString SingleBarText = QStringLiteral("<") + QString(38, u'-') + QStringLiteral(">");
const QString DoubleBarText = QStringLiteral("\u00AB") + QString(38, u'=') + QStringLiteral("\u00BB");

QColor colourAt(QTextEdit& edit, int position)
{
    QTextCursor c(edit.document());
    c.setPosition(position + 1); // the format of the character before the cursor
    return c.charFormat().foreground().color();
}

// What the editor shows for a file, by the loading rules.
QuakeText byTheRules(const QByteArray& file)
{
    return quaketext::decode(quaketext::joinFileLines(textfile::splitLines(file)));
}

QByteArray randomBytes(qsizetype size, bool keepEndOfFile)
{
    QByteArray data(size, Qt::Uninitialized);
    QRandomGenerator rng(20240521);
    for (char& c : data) {
        c = char(rng.bounded(256));
        if (!keepEndOfFile && c == 26)
            c = 27;
    }
    return data;
}

struct Page {
    std::unique_ptr<MainWindow> form;
    Ui::MainWindow& ui;
    QTextEdit& edit;

    explicit Page(std::unique_ptr<MainWindow> f) : form(std::move(f)), ui(form->ui()), edit(*ui.reServerMsg) {}

    // Shown on the M.O.T.D. page with the editor focused, as a user would type into it.
    void showAndFocus()
    {
        ui.pcPages->setCurrentWidget(ui.tsMOTD);
        form->show();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        edit.setFocus();
        QTRY_VERIFY(edit.hasFocus());
    }
    void type(const QString& text) { QTest::keyClicks(&edit, text); }
    void click(QAbstractButton* button) { QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(5, 5)); }
};

} // namespace

class TestMotdPage : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void pageLook();
    void loadedCharactersAndColours();
    void fileRoundTrip_data();
    void fileRoundTrip();
    void colourButtons();
    void colourButtonsKeepTheFocus();
    void bars_data();
    void bars();
    void lineLimit_data();
    void lineLimit();
    void markerTextIsAMessage();
    void deleteRules_data();
    void deleteRules();
    void deleteFailureIsIgnored();
    void readOnlyProgramDirectory();
    void badFiles_data();
    void badFiles();
    void oversizedFile_data();
    void oversizedFile();
    void unreadableFiles_data();
    void unreadableFiles();
};

void TestMotdPage::pageLook()
{
    FakeQuake2 fq;
    fq.writeProgramFile(MessageFile, "One\r\n\r\nThree\r\n");
    Page page(makeMainWindow());
    QTextEdit& edit = page.edit;
    QCOMPARE(edit.palette().color(QPalette::Base), QColor(Qt::black));
    QCOMPARE(edit.palette().color(QPalette::Text), QColor(Qt::white));
    QCOMPARE(edit.font().family(), QStringLiteral("Courier New"));
    QCOMPARE(edit.font().pixelSize(), 15);
    QVERIFY(edit.font().bold());

    page.showAndFocus();
    edit.moveCursor(QTextCursor::End);
    page.type(QStringLiteral("Four"));
    QTest::keyClick(&edit, Qt::Key_Return);
    page.type(QStringLiteral("Five"));
    QCOMPARE(edit.document()->blockCount(), 5);
    for (QTextBlock b = edit.document()->begin(); b.isValid(); b = b.next())
        QVERIFY2(b.blockFormat().alignment() & Qt::AlignHCenter, qPrintable(b.text()));
    // Typed text is white unless coloured.
    QCOMPARE(colourAt(edit, edit.document()->characterCount() - 2), QColor(255, 255, 255));

    for (QAbstractButton* button :
         {static_cast<QAbstractButton*>(page.ui.whiteButton), static_cast<QAbstractButton*>(page.ui.greenButton)}) {
        auto* grad = qobject_cast<GradientButton*>(button);
        QVERIFY2(grad, "the colour buttons are gradient buttons");
        QCOMPARE(grad->focusPolicy(), Qt::NoFocus);
        QCOMPARE(grad->captionColor(), QColor(Qt::white));
        QCOMPARE(grad->faceColor(), QColor(Qt::black));
    }
    QCOMPARE(qobject_cast<GradientButton*>(page.ui.whiteButton)->gradColor(), QColor(255, 255, 255));
    QCOMPARE(qobject_cast<GradientButton*>(page.ui.greenButton)->gradColor(), QColor(0, 255, 0));
    QCOMPARE(page.ui.whiteButton->text(), QStringLiteral("White"));
    QCOMPARE(page.ui.greenButton->text(), QStringLiteral("Green"));
}

// The editor itself, read without the program's own adapter: its characters and their colours.
void TestMotdPage::loadedCharactersAndColours()
{
    FakeQuake2 fq;
    fq.writeProgramFile(MessageFile, bytes({200, 233, 'o', 13, 10, 29, 30, 31, 128, 130, 13, 10, 171, 157}));
    Page page(makeMainWindow());
    QTextEdit& edit = page.edit;
    QCOMPARE(edit.toPlainText(), QStringLiteral("Hio\n<->\u00AB\u00BB\n+\u009D\n"));
    const QColor green(0, 255, 0), white(255, 255, 255), special(225, 113, 0);
    const QList<QColor> expected{green,   green,   white,   white,   special, special, special,
                                 special, special, white,   green,   white};
    for (int i = 0; i < expected.size(); ++i) {
        if (edit.toPlainText()[i] == u'\n')
            continue;
        QCOMPARE(colourAt(edit, i), expected[i]);
    }
    QVERIFY(msgbox::shown().isEmpty());
}

void TestMotdPage::fileRoundTrip_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("expected"); // null: no file afterwards
    QTest::addColumn<int>("boxes");

    const QByteArray crlf("\r\n");
    QByteArray allGreen;
    for (int v = 160; v < 256; v += 3)
        allGreen.append(char(v));

    QTest::newRow("green Hi gains the line break it loaded with")
        << bytes({200, 233, 13, 10}) << bytes({200, 233, 13, 10, 13, 10}) << 0;
    QTest::newRow("written once, stays as it is") << QByteArray("Hi\r\n\r\n") << QByteArray("Hi\r\n\r\n") << 0;
    QTest::newRow("bars, white and green")
        << SingleBarBytes + crlf + "Welcome" + crlf + DoubleBarBytes + crlf + bytes({200, 233})
        << SingleBarBytes + crlf + "Welcome" + crlf + DoubleBarBytes + crlf + bytes({200, 233}) + crlf + crlf << 0;
    QTest::newRow("green characters") << allGreen + crlf << allGreen + crlf + crlf << 0;
    QTest::newRow("bar characters in white") << QByteArray("<-->==\r\n") << QByteArray("<-->==\r\n\r\n") << 0;
    QTest::newRow("code page bytes without a bar meaning")
        << bytes({131, 141, 143, 144, 157, 158, 159, 13, 10}) << bytes({131, 141, 143, 144, 157, 158, 159, 13, 10, 13, 10})
        << 0;
    QTest::newRow("last line without ending") << QByteArray("Hi") << QByteArray("Hi\r\n\r\n") << 0;
    QTest::newRow("LF-only endings end lines") << QByteArray("A\nB\n") << QByteArray("A\r\nB\r\n\r\n") << 0;
    QTest::newRow("lone CR ends a line") << QByteArray("A\rB") << QByteArray("A\r\nB\r\n\r\n") << 0;
    QTest::newRow("byte 26 inside the message") << QByteArray("Hi\x1a there\r\n")
                                                << QByteArray("Hi\x1a there\r\n\r\n") << 0;
    QTest::newRow("NUL bytes are kept") << QByteArray("A\0B\r\n", 5) << QByteArray("A\0B\r\n\r\n", 7) << 0;
    QTest::newRow("empty lines only") << QByteArray("\r\n\r\n\r\n") << QByteArray() << 0;
    QTest::newRow("byte 26 first") << QByteArray("\x1aHi\r\n") << QByteArray("\x1aHi\r\n\r\n") << 0;
    QTest::newRow("byte 26 as the last byte") << QByteArray("Hi\r\n\x1a") << QByteArray("Hi\r\n\r\n") << 0;
    QTest::newRow("a loaded long line is reported and left alone")
        << QByteArray(41, 'x') + crlf << QByteArray(41, 'x') + crlf << 1;
}

void TestMotdPage::fileRoundTrip()
{
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, expected);
    QFETCH(int, boxes);

    FakeQuake2 fq;
    fq.writeProgramFile(MessageFile, file);
    {
        Page page(makeMainWindow());
        QCOMPARE(page.form->motd().editor().text(), byTheRules(file));
        page.form->motd().writeServerMessage();
    }
    QCOMPARE(QFile::exists(fq.file(MessageFile)), !expected.isNull());
    QCOMPARE(fq.readProgramFile(MessageFile), expected);
    QCOMPARE(msgbox::shown().size(), boxes);
    if (expected.isNull() || boxes > 0)
        return;

    // One trip makes the file settle: loading and writing it again changes nothing.
    {
        Page page(makeMainWindow());
        page.form->motd().writeServerMessage();
    }
    QCOMPARE(fq.readProgramFile(MessageFile), expected);
}

void TestMotdPage::colourButtons()
{
    FakeQuake2 fq;
    Page page(makeMainWindow());
    page.showAndFocus();
    page.type(QStringLiteral("Hello"));
    QTextCursor selection = page.edit.textCursor();
    selection.setPosition(1);
    selection.setPosition(4, QTextCursor::KeepAnchor);
    page.edit.setTextCursor(selection);
    page.click(page.ui.greenButton);
    QCOMPARE(page.edit.textCursor().selectedText(), QStringLiteral("ell"));

    // With no selection the button sets the colour of what is typed next.
    page.edit.moveCursor(QTextCursor::End);
    page.click(page.ui.greenButton);
    page.type(QStringLiteral("!!"));
    page.click(page.ui.whiteButton);
    page.type(QStringLiteral("?"));
    // And white takes green back.
    selection = page.edit.textCursor();
    selection.setPosition(3);
    selection.setPosition(4, QTextCursor::KeepAnchor);
    page.edit.setTextCursor(selection);
    page.click(page.ui.whiteButton);

    page.form->motd().writeServerMessage();
    QCOMPARE(fq.readProgramFile(MessageFile), bytes({'H', 'e' + 128, 'l' + 128, 'l', 'o', 161, 161, '?', 13, 10}));
}

void TestMotdPage::colourButtonsKeepTheFocus()
{
    FakeQuake2 fq;
    Page page(makeMainWindow());
    page.showAndFocus();
    page.type(QStringLiteral("Frag"));
    page.edit.selectAll();
    for (QAbstractButton* button :
         {static_cast<QAbstractButton*>(page.ui.greenButton), static_cast<QAbstractButton*>(page.ui.whiteButton)}) {
        page.click(button);
        QCOMPARE(QApplication::focusWidget(), &page.edit);
        QCOMPARE(page.edit.textCursor().selectedText(), QStringLiteral("Frag"));
    }
    page.click(page.ui.greenButton);
    page.type(QStringLiteral("X")); // replaces the selection, in green
    page.form->motd().writeServerMessage();
    QCOMPARE(fq.readProgramFile(MessageFile), bytes({'X' + 128, 13, 10}));
}

void TestMotdPage::bars_data()
{
    QTest::addColumn<QString>("typed"); // "\n" presses Return
    QTest::addColumn<QStringList>("buttons");
    QTest::addColumn<QString>("expectedText");
    QTest::addColumn<QByteArray>("expectedFile"); // empty: no file

    const QByteArray crlf("\r\n");
    QTest::newRow("double bar alone") << QString() << QStringList{"doubleBarButton"} << DoubleBarText
                                      << DoubleBarBytes + crlf;
    QTest::newRow("single bar alone is blank")
        << QString() << QStringList{"singleBarButton"} << SingleBarText << QByteArray();
    QTest::newRow("after a line of text")
        << QStringLiteral("Hi") << QStringList{"doubleBarButton"} << QStringLiteral("Hi\n") + DoubleBarText
        << QByteArray("Hi") + crlf + DoubleBarBytes + crlf;
    QTest::newRow("after a line break, no empty line")
        << QStringLiteral("Hi\n") << QStringList{"singleBarButton"} << QStringLiteral("Hi\n") + SingleBarText
        << QByteArray("Hi") + crlf + SingleBarBytes + crlf;
    QTest::newRow("two bars") << QStringLiteral("Hi") << QStringList{"singleBarButton", "doubleBarButton"}
                              << QStringLiteral("Hi\n") + SingleBarText + u'\n' + DoubleBarText
                              << QByteArray("Hi") + crlf + SingleBarBytes + crlf + DoubleBarBytes + crlf;
}

void TestMotdPage::bars()
{
    QFETCH(QString, typed);
    QFETCH(QStringList, buttons);
    QFETCH(QString, expectedText);
    QFETCH(QByteArray, expectedFile);

    FakeQuake2 fq;
    Page page(makeMainWindow());
    page.showAndFocus();
    const QStringList lines = typed.split(u'\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (i > 0)
            QTest::keyClick(&page.edit, Qt::Key_Return);
        page.type(lines[i]);
    }
    QString lastBar;
    for (const QString& name : buttons) {
        auto* button = page.form->findChild<QAbstractButton*>(name);
        QVERIFY(button);
        page.click(button);
        lastBar = name == "singleBarButton" ? SingleBarText : DoubleBarText;
    }
    QCOMPARE(page.edit.toPlainText(), expectedText);
    // The new bar is selected, in the bar colour.
    const QTextCursor cursor = page.edit.textCursor();
    QCOMPARE(cursor.selectedText(), lastBar);
    QCOMPARE(cursor.selectionEnd(), page.edit.document()->characterCount() - 1);
    for (int i = cursor.selectionStart(); i < cursor.selectionEnd(); ++i)
        QCOMPARE(colourAt(page.edit, i), QColor(225, 113, 0));

    page.form->motd().writeServerMessage();
    QCOMPARE(QFile::exists(fq.file(MessageFile)), !expectedFile.isEmpty());
    QCOMPARE(fq.readProgramFile(MessageFile), expectedFile);
}

void TestMotdPage::lineLimit_data()
{
    QTest::addColumn<QString>("message");
    QTest::addColumn<QByteArray>("expected"); // null: too long
    QTest::newRow("40 characters") << QString(40, u'x') << QByteArray(40, 'x') + "\r\n";
    QTest::newRow("41 characters") << QString(41, u'x') << QByteArray();
    QTest::newRow("two long lines, one box") << QString(41, u'x') + u'\n' + QString(50, u'y') << QByteArray();
    QTest::newRow("long line after short ones") << QStringLiteral("a\nb\n") + QString(45, u'z') << QByteArray();
    QTest::newRow("a character the code page lacks is one '?'")
        << QString(39, u'x') + QStringLiteral("\U0001F600") << QByteArray(39, 'x') + "?\r\n";
    QTest::newRow("a soft line break is a line break")
        << QString(30, u'x') + QChar(QChar::LineSeparator) + QString(30, u'y')
        << QByteArray(30, 'x') + "\r\n" + QByteArray(30, 'y') + "\r\n";
}

void TestMotdPage::lineLimit()
{
    QFETCH(QString, message);
    QFETCH(QByteArray, expected);

    FakeQuake2 fq;
    const QByteArray previous("Old message\r\n");
    fq.writeProgramFile(MessageFile, previous);
    Page page(makeMainWindow());
    page.edit.clear();
    page.edit.insertPlainText(message);
    msgbox::clearShown();

    page.form->motd().writeServerMessage();
    if (!expected.isNull()) {
        QVERIFY(msgbox::shown().isEmpty());
        QCOMPARE(fq.readProgramFile(MessageFile), expected);
        return;
    }
    QCOMPARE(fq.readProgramFile(MessageFile), previous);
    QCOMPARE(msgbox::shown().size(), 1);
    const msgbox::Shown box = msgbox::shown().first();
    QCOMPARE(box.icon, msgbox::Icon::Error);
    QCOMPARE(box.caption, QStringLiteral("Error"));
    QCOMPARE(box.text, QStringLiteral("No line should be greater than 40 characters."));
    QCOMPARE(box.buttons, QList<msgbox::Button>{msgbox::Button::Ok});

    msgbox::clearShown();
    QCOMPARE(page.form->motd().encodeQuakeText(), QByteArray("[Error]"));
    QCOMPARE(msgbox::shown().size(), 1);
}

// A message that happens to read like the error marker is still a message.
void TestMotdPage::markerTextIsAMessage()
{
    FakeQuake2 fq;
    fq.writeProgramFile(MessageFile, "Old\r\n");
    Page page(makeMainWindow());
    page.edit.setPlainText(QStringLiteral("[Error]"));
    page.form->motd().writeServerMessage();
    QCOMPARE(fq.readProgramFile(MessageFile), QByteArray("[Error]\r\n"));
    QVERIFY(msgbox::shown().isEmpty());
}

void TestMotdPage::deleteRules_data()
{
    QTest::addColumn<bool>("fileBefore");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QStringList>("bars");
    QTest::addColumn<bool>("fileAfter");
    QTest::newRow("empty editor") << true << QString() << QStringList() << false;
    QTest::newRow("empty editor, no file") << false << QString() << QStringList() << false;
    QTest::newRow("blanks and line breaks") << true << QStringLiteral("   \n \n\n") << QStringList() << false;
    QTest::newRow("blanks and single bars")
        << true << QStringLiteral("  ") << QStringList{"singleBarButton", "singleBarButton"} << false;
    QTest::newRow("a double bar is a message") << false << QString() << QStringList{"doubleBarButton"} << true;
    QTest::newRow("a green blank is a message") << false << QStringLiteral("green") << QStringList() << true;
}

void TestMotdPage::deleteRules()
{
    QFETCH(bool, fileBefore);
    QFETCH(QString, message);
    QFETCH(QStringList, bars);
    QFETCH(bool, fileAfter);

    FakeQuake2 fq;
    if (fileBefore)
        fq.writeProgramFile(MessageFile, "Old\r\n");
    Page page(makeMainWindow());
    page.edit.clear();
    if (message == QStringLiteral("green")) {
        page.form->motd().greenClicked();
        page.edit.insertPlainText(QStringLiteral(" "));
    } else {
        page.edit.insertPlainText(message);
    }
    for (const QString& name : bars)
        page.form->findChild<QAbstractButton*>(name)->click();

    page.form->motd().writeServerMessage();
    QCOMPARE(QFile::exists(fq.file(MessageFile)), fileAfter);
    QVERIFY(msgbox::shown().isEmpty());
}

void TestMotdPage::deleteFailureIsIgnored()
{
    FakeQuake2 fq;
    fq.writeProgramFile(MessageFile, "Old\r\n");
    Page page(makeMainWindow());
    page.edit.clear();
    QVERIFY(::chmod(QFile::encodeName(fq.programDir()).constData(), 0555) == 0);
    {
        Unprivileged nobody({fakeRoot(fq.quake2Dir())});
        if (!nobody.binds())
            QSKIP("permissions do not bind here");
        page.form->motd().writeServerMessage();
    }
    ::chmod(QFile::encodeName(fq.programDir()).constData(), 0755);
    QCOMPARE(fq.readProgramFile(MessageFile), QByteArray("Old\r\n"));
    QVERIFY(msgbox::shown().isEmpty());
}

void TestMotdPage::readOnlyProgramDirectory()
{
    FakeQuake2 fq;
    const QByteArray previous = SingleBarBytes + "\r\nOld message\r\n";
    fq.writeProgramFile(MessageFile, previous);
    Page page(makeMainWindow());
    page.edit.setPlainText(QStringLiteral("New message"));
    QVERIFY(::chmod(QFile::encodeName(fq.programDir()).constData(), 0555) == 0);
    bool thrown = false;
    {
        Unprivileged nobody({fakeRoot(fq.quake2Dir())});
        if (!nobody.binds())
            QSKIP("permissions do not bind here");
        try {
            page.form->motd().writeServerMessage();
        } catch (const AppError& e) {
            thrown = !e.text().isEmpty();
        }
        // Through the handler boundary the central report shows it.
        msgbox::clearShown();
        guarded([&] { page.form->motd().writeServerMessage(); });
    }
    ::chmod(QFile::encodeName(fq.programDir()).constData(), 0755);
    QVERIFY(thrown);
    QCOMPARE(msgbox::shown().size(), 1);
    QCOMPARE(msgbox::shown().first().icon, msgbox::Icon::Error);
    QCOMPARE(fq.readProgramFile(MessageFile), previous);
    QCOMPARE(QDir(fq.programDir()).entryList(QDir::Files | QDir::Hidden).filter(MessageFile).size(), 1);
}

void TestMotdPage::badFiles_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::newRow("48 KB of random bytes, bytes 26 among them") << randomBytes(48 * 1024, true);
    QTest::newRow("every byte value, 48 KB without an end mark") << randomBytes(48 * 1024, false);
    QTest::newRow("NUL bytes") << QByteArray(5000, '\0') + "\r\n" + QByteArray(3, '\0');
    QTest::newRow("byte 26 first") << QByteArray("\x1a") + randomBytes(4096, false);
    QTest::newRow("line breaks only, all kinds") << QByteArray("\r\n\n\r\r\n\n\n\r");
}

void TestMotdPage::badFiles()
{
    QFETCH(QByteArray, file);
    FakeQuake2 fq;
    fq.writeProgramFile(MessageFile, file);
    Page page(makeMainWindow());
    QCOMPARE(page.form->motd().editor().text(), byTheRules(file));
    QVERIFY(msgbox::shown().isEmpty());
}

void TestMotdPage::oversizedFile_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("loads");
    // 1638 lines of 40 bytes and one of 16: exactly the most text a message may load.
    QByteArray atLimit;
    for (int i = 0; i < 1638; ++i)
        atLimit += QByteArray(38, 'x') + "\r\n";
    atLimit += QByteArray(14, 'y') + "\r\n";
    QCOMPARE(atLimit.size(), quaketext::MaxLoadedText);
    QByteArray overLimit = atLimit;
    overLimit.insert(overLimit.size() - 2, 'y');

    QTest::newRow("at the limit") << atLimit << true;
    QTest::newRow("one byte over") << overLimit << false;
    // Larger than a message, not larger than a file may be to be read at all.
    QTest::newRow("6 MB of random bytes without an end mark") << randomBytes(6 * 1024 * 1024, false) << false;
    QTest::newRow("LF-only lines grow to over the limit")
        << QByteArray(quaketext::MaxLoadedText / 2, '\n') + "x" << false;
}

// A file too long to be a message is not shown, and not rewritten until the user writes a message.
void TestMotdPage::oversizedFile()
{
    QFETCH(QByteArray, file);
    QFETCH(bool, loads);
    FakeQuake2 fq;
    fq.writeProgramFile(MessageFile, file);
    Page page(makeMainWindow());
    QCOMPARE(page.form->motd().editor().text(), loads ? byTheRules(file) : QuakeText());
    if (loads)
        return;
    page.form->motd().writeServerMessage();
    QCOMPARE(fq.readProgramFile(MessageFile), file);
    // A colour chosen for typing is no edit.
    page.form->motd().greenClicked();
    page.form->motd().writeServerMessage();
    QCOMPARE(fq.readProgramFile(MessageFile), file);
    QVERIFY(msgbox::shown().isEmpty());

    page.edit.insertPlainText(QStringLiteral("Hi"));
    page.form->motd().writeServerMessage();
    QCOMPARE(fq.readProgramFile(MessageFile), bytes({200, 233, 13, 10}));

    // Emptied by the user, the message is deleted as any other.
    page.form->motd().loadServerMessage();
    QCOMPARE(page.form->motd().editor().text().lines().first().size(), 2);
    fq.writeProgramFile(MessageFile, file);
    page.form->motd().loadServerMessage();
    page.edit.insertPlainText(QStringLiteral("x"));
    QTest::keyClick(&page.edit, Qt::Key_Backspace);
    page.form->motd().writeServerMessage();
    QVERIFY(!QFile::exists(fq.file(MessageFile)));
}

void TestMotdPage::unreadableFiles_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("reason"); // empty: nothing to report
    QTest::newRow("missing") << "missing" << "";
    QTest::newRow("no read permission") << "unreadable" << "File access denied";
    QTest::newRow("a directory in its place") << "directory" << "File access denied";
    QTest::newRow("a FIFO in its place") << "fifo" << "File access denied";
}

void TestMotdPage::unreadableFiles()
{
    QFETCH(QString, how);
    QFETCH(QString, reason);
    FakeQuake2 fq;
    if (how == "unreadable") {
        fq.writeProgramFile(MessageFile, "Secret\r\n");
        QFile::setPermissions(fq.file(MessageFile), QFile::Permissions());
    } else if (how == "directory") {
        QVERIFY(QDir().mkpath(fq.file(MessageFile)));
    } else if (how == "fifo") {
        QCOMPARE(::mkfifo(QFile::encodeName(fq.file(MessageFile)).constData(), 0600), 0);
    }
    std::unique_ptr<MainWindow> form = makeMainWindow();
    // Something in the editor: a reload that finds nothing leaves it empty.
    form->ui().reServerMsg->setPlainText(QStringLiteral("left over"));
    {
        Unprivileged nobody({fakeRoot(fq.quake2Dir())});
        if (how == "unreadable" && !nobody.binds())
            QSKIP("permissions do not bind here");
        form->motd().loadServerMessage();
    }
    QVERIFY(form->ui().reServerMsg->toPlainText().isEmpty());
    QVERIFY(form->motd().editor().text().isEmpty());
    if (reason.isEmpty()) {
        QVERIFY(msgbox::shown().isEmpty());
        return;
    }
    // Reported, and kept: the empty editor does not delete a message the user never saw.
    QVERIFY(!msgbox::shown().isEmpty());
    QCOMPARE(msgbox::shown().last().text, QStringLiteral("Cannot read ") + fq.file(MessageFile) + QStringLiteral(": ") + reason);
    form->motd().writeServerMessage();
    QVERIFY(QFileInfo(fq.file(MessageFile)).exists());
}

QTEST_MAIN(TestMotdPage)
#include "tst_motdpage.moc"
