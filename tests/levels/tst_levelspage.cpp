// The "Maps" page driven through its real widgets: the lists as the start-up fills them, Refresh and the id
// levels box, the arrow and reordering buttons with their selections, the totals, skipped levels, the check
// before launch and the titles under the lists.
#include "FakeQuake2.h"
#include "Unprivileged.h"
#include "app/MainWindow.h"
#include "common/BspWriter.h"
#include "levels/LevelsController.h"
#include "levels/MissingLevelDialog.h"
#include "levels/ModalDialog.h"
#include "levels/SkippedLevelsDialog.h"
#include "support/AppError.h"
#include "support/MessageBoxes.h"
#include "ui_MainWindow.h"
#include "ui_MissingLevelDialog.h"
#include "ui_SkippedLevelsDialog.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QListView>
#include <QMouseEvent>
#include <QTest>
#include <QTimer>

#include <sys/stat.h>

using namespace velstrom::test;

namespace {

// Answers the level dialogs while it lives.
class ModalAnswers {
public:
    explicit ModalAnswers(levels::ModalHook hook) : m_previous(levels::setModalHook(std::move(hook))) {}
    ~ModalAnswers() { levels::setModalHook(m_previous); }

private:
    levels::ModalHook m_previous;
};

QStringList names(const LevelListModel& model)
{
    return model.names();
}

void select(QListView* view, const QList<int>& rows)
{
    view->selectionModel()->clearSelection();
    for (const int row : rows)
        view->selectionModel()->select(view->model()->index(row, 0), QItemSelectionModel::Select);
}

QList<int> selected(QListView* view)
{
    QList<int> rows;
    for (const QModelIndex& index : view->selectionModel()->selectedIndexes())
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

// Sets the id levels box as a settings load does, without the box's handler acting.
void setIdLevelsQuietly(MainWindow& form, Qt::CheckState state)
{
    form.state().loadingSettings = true;
    form.ui().ckOrigLevels->setCheckState(state);
    form.state().loadingSettings = false;
}

// The widget that Tab moves to from `w`.
QWidget* nextTabStop(QWidget* w)
{
    QWidget* next = w->nextInFocusChain();
    while (next != w && !(next->focusPolicy() & Qt::TabFocus))
        next = next->nextInFocusChain();
    return next;
}

void hover(QListView* view, int row)
{
    const QPoint at =
        row >= 0 ? view->visualRect(view->model()->index(row, 0)).center() : QPoint(5, view->viewport()->height() - 2);
    QMouseEvent move(QEvent::MouseMove, at, view->viewport()->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(view->viewport(), &move);
}

} // namespace

class TestLevelsPage : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void startupFillsBothLists();
    void startupWithUnreadableMapsListStillLoadsThePlayList();
    void refreshShowsNewLevelsOnly();
    void refreshAfterIncludeAllEnablesTheButtons();
    void idLevelsBox();
    void brokenArchiveToldOnce();
    void idLevelsBoxWithoutMapsList();

    void includeMovesInReverseOrder();
    void includeSelectsTheNextLevel_data();
    void includeSelectsTheNextLevel();
    void excludeAndAllButtons();
    void reorderingButtons();
    void randomizeKeepsTheLevels();
    void totals_data();
    void totals();
    void savedPlayListLoadsBack();

    void skippedLevelsRemovedOnOk();
    void skippedLevelsKeptOnCancel();
    void undeletableSkippedListIsOfferedAgain();
    void skippedLevelsDialogLooksAsDesigned();
    void deleteSkippedWithoutFile();
    void skippedDialogRunsModally();

    void verifyAsksAboutMissingLevels();
    void verifyDialogLooksAsDesigned();
    void verifyDialogRunsModally();
    void verifyAutoRemoveAndGreyedBox();
    void verifyWithoutMapsListFails();

    void titlesUnderTheLists();
    void titleFetchShowsSearchingAndShutsOutMoves();

private:
    std::unique_ptr<FakeQuake2> m_q2;
};

void TestLevelsPage::init()
{
    m_q2 = std::make_unique<FakeQuake2>();
    m_q2->writeMapsList({"q2dm1 The Edge", "q2dm2 Tokay's Towers", "base1 Outer Base", "nospace"});
}

void TestLevelsPage::cleanup()
{
    m_q2.reset();
}

void TestLevelsPage::startupFillsBothLists()
{
    m_q2->addLevels({"Q2DM1.BSP", "q2dm2.bsp", "q2dm3.bsp", "Mine.Bsp", ".hidden.bsp", "notes.txt"});
    QDir().mkdir(m_q2->mapsDir() + QStringLiteral("folder.bsp"));
    m_q2->writeProgramFile(QStringLiteral("untitled_maps.txt"),
                           "q2dm2\r\n\r\n   \r\nQ2DM2\r\nq2dm3 \r\nbase1\r\nnowhere\r\n");
    auto form = makeMainWindow();
    setIdLevelsQuietly(*form, Qt::Checked);
    form->levels().loadPlayList();

    LevelsController& levels = form->levels();
    QCOMPARE(names(levels.levelsToPlay()), (QStringList{"q2dm2", "q2dm3 ", "base1", "nowhere"}));
    // Q2DM1 is a file and an id level: listed once. "q2dm3 " is another name than q2dm3.
    QCOMPARE(names(levels.availableLevels()), (QStringList{".hidden", "folder", "Mine", "Q2DM1", "q2dm3"}));
    QCOMPARE(form->ui().lblMapsCount->text(), QStringLiteral("4 maps in list"));
    QVERIFY(form->ui().includeButton->isEnabled() && form->ui().excludeAllButton->isEnabled());
    QVERIFY(errorTexts().isEmpty());
    QCOMPARE(form->levels().playList(), names(levels.levelsToPlay()));
}

void TestLevelsPage::startupWithUnreadableMapsListStillLoadsThePlayList()
{
    QFile::remove(m_q2->quake2Dir() + QStringLiteral("/baseq2/maps.lst"));
    m_q2->addLevels({"q2dm1.bsp", "q2dm2.bsp"});
    m_q2->writeProgramFile(QStringLiteral("untitled_maps.txt"), "q2dm2\r\nbase1\r\n");
    auto form = makeMainWindow();
    setIdLevelsQuietly(*form, Qt::Checked);
    form->levels().loadPlayList();
    QCOMPARE(errorTexts(), QStringList{"File not found"});
    QCOMPARE(names(form->levels().levelsToPlay()), (QStringList{"q2dm2", "base1"}));
    QCOMPARE(names(form->levels().availableLevels()), QStringList{"q2dm1"});
    QCOMPARE(form->ui().lblMapsCount->text(), QStringLiteral("2 maps in list"));
}

void TestLevelsPage::refreshShowsNewLevelsOnly()
{
    m_q2->addLevels({"q2dm1.bsp", "q2dm2.bsp"});
    m_q2->writeProgramFile(QStringLiteral("untitled_maps.txt"), "q2dm2\r\n");
    auto form = makeMainWindow();
    setIdLevelsQuietly(*form, Qt::Unchecked);
    form->levels().loadPlayList();
    m_q2->addLevels({"NEW.BSP", "Q2DM2.bsp"});
    m_q2->sounds().clear();
    form->ui().refreshButton->click();
    QCOMPARE(names(form->levels().availableLevels()), (QStringList{"NEW", "q2dm1"}));
    QCOMPARE(names(form->levels().levelsToPlay()), QStringList{"q2dm2"});
    QCOMPARE(m_q2->sounds().names(), QStringList{"SND_REFRESH"});
}

void TestLevelsPage::refreshAfterIncludeAllEnablesTheButtons()
{
    m_q2->addLevels({"a.bsp", "b.bsp"});
    auto form = startMainWindow();
    setIdLevelsQuietly(*form, Qt::Unchecked);
    form->ui().includeAllButton->click();
    QVERIFY(!form->ui().includeButton->isEnabled() && !form->ui().includeAllButton->isEnabled());
    m_q2->addLevel(QStringLiteral("c.bsp"));
    form->ui().refreshButton->click();
    QCOMPARE(names(form->levels().availableLevels()), QStringList{"c"});
    QVERIFY(form->ui().includeButton->isEnabled() && form->ui().includeAllButton->isEnabled());
}

void TestLevelsPage::brokenArchiveToldOnce()
{
    m_q2->addLevels({"mine.bsp"});
    QFile broken(m_q2->quake2Dir() + QStringLiteral("/baseq2/pak3.pak"));
    QVERIFY(broken.open(QIODevice::WriteOnly) && broken.write(QByteArray("PACK\xff\xff\xff\x7f\0\0\0\0", 12)) == 12);
    broken.close();
    auto form = makeMainWindow();
    form->levels().loadPlayList();
    form->ui().refreshButton->click();
    // One box for the whole start, naming the archive; the good levels are listed all the same.
    QCOMPARE(errorTexts().size(), 1);
    QVERIFY2(errorTexts().first().contains(QStringLiteral("baseq2/pak3.pak")), qPrintable(errorTexts().first()));
    QVERIFY(names(form->levels().availableLevels()).contains(QStringLiteral("mine")));
}

void TestLevelsPage::idLevelsBox()
{
    m_q2->addLevels({"Q2DM1.BSP", "mine.bsp"});
    m_q2->writeProgramFile(QStringLiteral("untitled_maps.txt"), "q2dm2\r\n");
    auto form = makeMainWindow();
    setIdLevelsQuietly(*form, Qt::Unchecked);
    form->levels().loadPlayList();
    LevelsController& levels = form->levels();
    QCOMPARE(names(levels.availableLevels()), (QStringList{"mine", "Q2DM1"}));

    m_q2->sounds().clear();
    form->ui().ckOrigLevels->click();
    QCOMPARE(names(levels.availableLevels()), (QStringList{"base1", "mine", "Q2DM1"}));
    QCOMPARE(m_q2->sounds().names(), QStringList{"SND_IDLEVELS"});

    // Unchecking takes the id levels away, the level file of an id level's name too, never the play list's.
    form->ui().ckOrigLevels->click();
    QCOMPARE(names(levels.availableLevels()), QStringList{"mine"});
    QCOMPARE(names(levels.levelsToPlay()), QStringList{"q2dm2"});

    // Set by the program while settings load: nothing happens.
    setIdLevelsQuietly(*form, Qt::Checked);
    QCOMPARE(names(levels.availableLevels()), QStringList{"mine"});
    // Set by the program otherwise: the handler runs.
    form->ui().ckOrigLevels->setCheckState(Qt::Unchecked);
    form->ui().ckOrigLevels->setCheckState(Qt::Checked);
    QCOMPARE(names(levels.availableLevels()), (QStringList{"base1", "mine", "q2dm1"}));
    // A greyed box counts as unchecked.
    form->ui().ckOrigLevels->setCheckState(Qt::PartiallyChecked);
    QCOMPARE(names(levels.availableLevels()), QStringList{"mine"});
    QVERIFY(errorTexts().isEmpty());
}

void TestLevelsPage::idLevelsBoxWithoutMapsList()
{
    m_q2->addLevels({"mine.bsp"});
    auto form = makeMainWindow();
    setIdLevelsQuietly(*form, Qt::Unchecked);
    form->levels().loadPlayList();
    QFile::remove(m_q2->quake2Dir() + QStringLiteral("/baseq2/maps.lst"));

    form->ui().ckOrigLevels->click();
    QCOMPARE(errorTexts(), QStringList{"File not found"});
    QCOMPARE(form->ui().ckOrigLevels->checkState(), Qt::Checked);
    QCOMPARE(names(form->levels().availableLevels()), QStringList{"mine"});

    // Refresh lists the level files, then reports the missing list.
    m_q2->addLevel(QStringLiteral("more.bsp"));
    form->ui().refreshButton->click();
    QCOMPARE(errorTexts().size(), 2);
    QCOMPARE(names(form->levels().availableLevels()), (QStringList{"mine", "more"}));
}

void TestLevelsPage::includeMovesInReverseOrder()
{
    m_q2->addLevels({"a.bsp", "b.bsp", "c.bsp", "d.bsp"});
    m_q2->writeProgramFile(QStringLiteral("untitled_maps.txt"), "x\r\ny\r\n");
    auto form = makeMainWindow();
    setIdLevelsQuietly(*form, Qt::Unchecked);
    form->levels().loadPlayList();
    Ui::MainWindow& ui = form->ui();
    select(ui.lstToPlay, {1});
    select(ui.lstAvailable, {0, 1, 2});
    ui.includeButton->click();
    QCOMPARE(names(form->levels().levelsToPlay()), (QStringList{"x", "y", "c", "b", "a"}));
    // Arrivals are not selected; the play list's own selection stays.
    QCOMPARE(selected(ui.lstToPlay), QList<int>{1});
    QCOMPARE(selected(ui.lstAvailable), QList<int>{0});
    QCOMPARE(ui.lblMapsCount->text(), QStringLiteral("5 maps in list"));
}

void TestLevelsPage::includeSelectsTheNextLevel_data()
{
    QTest::addColumn<QList<int>>("selection");
    QTest::addColumn<QStringList>("left");
    QTest::addColumn<QList<int>>("after");
    QTest::newRow("nothing selected") << QList<int>{} << QStringList{"a", "b", "c"} << QList<int>{0};
    QTest::newRow("middle") << QList<int>{1} << QStringList{"a", "c"} << QList<int>{1};
    QTest::newRow("last") << QList<int>{2} << QStringList{"a", "b"} << QList<int>{1};
    QTest::newRow("every one") << QList<int>{0, 1, 2} << QStringList{} << QList<int>{};
}

void TestLevelsPage::includeSelectsTheNextLevel()
{
    QFETCH(QList<int>, selection);
    QFETCH(QStringList, left);
    QFETCH(QList<int>, after);
    m_q2->addLevels({"a.bsp", "b.bsp", "c.bsp"});
    auto form = makeMainWindow();
    setIdLevelsQuietly(*form, Qt::Unchecked);
    form->levels().loadPlayList();
    Ui::MainWindow& ui = form->ui();
    select(ui.lstAvailable, selection);
    ui.includeButton->click();
    QCOMPARE(names(form->levels().availableLevels()), left);
    QCOMPARE(selected(ui.lstAvailable), after);
    QCOMPARE(ui.includeButton->isEnabled(), !left.isEmpty());
    QCOMPARE(ui.includeAllButton->isEnabled(), !left.isEmpty());
    QCOMPARE(ui.excludeButton->isEnabled(), left.size() < 3);
    QCOMPARE(ui.excludeAllButton->isEnabled(), left.size() < 3);
}

void TestLevelsPage::excludeAndAllButtons()
{
    m_q2->addLevels({"b.bsp", "D.bsp", "f.bsp"});
    m_q2->writeProgramFile(QStringLiteral("untitled_maps.txt"), "e\r\nA\r\nc\r\n");
    auto form = makeMainWindow();
    setIdLevelsQuietly(*form, Qt::Unchecked);
    form->levels().loadPlayList();
    Ui::MainWindow& ui = form->ui();
    LevelsController& levels = form->levels();

    select(ui.lstAvailable, {2});
    select(ui.lstToPlay, {0, 2});
    ui.excludeButton->click();
    QCOMPARE(names(levels.availableLevels()), (QStringList{"b", "c", "D", "e", "f"}));
    QCOMPARE(names(levels.levelsToPlay()), QStringList{"A"});
    QCOMPARE(selected(ui.lstAvailable), QList<int>{4}); // f stays selected
    QCOMPARE(selected(ui.lstToPlay), QList<int>{0});

    ui.includeAllButton->click();
    QCOMPARE(names(levels.levelsToPlay()), (QStringList{"A", "b", "c", "D", "e", "f"}));
    QVERIFY(levels.availableLevels().isEmpty());
    QVERIFY(!ui.includeButton->isEnabled() && ui.excludeButton->isEnabled());

    ui.excludeAllButton->click();
    QCOMPARE(names(levels.availableLevels()), (QStringList{"A", "b", "c", "D", "e", "f"}));
    QVERIFY(levels.levelsToPlay().isEmpty());
    QVERIFY(!ui.excludeButton->isEnabled() && !ui.excludeAllButton->isEnabled() && ui.includeAllButton->isEnabled());
    QCOMPARE(ui.lblMapsCount->text(), QStringLiteral("0 maps in list"));
}

void TestLevelsPage::reorderingButtons()
{
    m_q2->writeProgramFile(QStringLiteral("untitled_maps.txt"), "a\r\nb\r\nc\r\nd\r\ne\r\n");
    auto form = startMainWindow();
    Ui::MainWindow& ui = form->ui();
    LevelsController& levels = form->levels();

    select(ui.lstToPlay, {2, 4});
    ui.moveUpButton->click();
    QCOMPARE(names(levels.levelsToPlay()).join(QString()), QStringLiteral("acbde"));
    QCOMPARE(selected(ui.lstToPlay), (QList<int>{1, 4}));

    select(ui.lstToPlay, {3});
    ui.moveDownButton->click();
    QCOMPARE(names(levels.levelsToPlay()).join(QString()), QStringLiteral("acbed"));
    QCOMPARE(selected(ui.lstToPlay), QList<int>{4});
    ui.moveDownButton->click(); // already last
    QCOMPARE(names(levels.levelsToPlay()).join(QString()), QStringLiteral("acbed"));

    select(ui.lstToPlay, {2, 3});
    ui.moveToTopButton->click();
    QCOMPARE(names(levels.levelsToPlay()).join(QString()), QStringLiteral("baced"));
    QCOMPARE(selected(ui.lstToPlay), (QList<int>{0, 3}));
    ui.moveToBottomButton->click();
    QCOMPARE(names(levels.levelsToPlay()).join(QString()), QStringLiteral("acedb"));
    QCOMPARE(selected(ui.lstToPlay), (QList<int>{2, 4}));

    select(ui.lstToPlay, {});
    for (QPushButton* b : {ui.moveUpButton, ui.moveDownButton, ui.moveToTopButton, ui.moveToBottomButton})
        b->click();
    QCOMPARE(names(levels.levelsToPlay()).join(QString()), QStringLiteral("acedb"));
    QVERIFY(msgbox::shown().isEmpty());
}

void TestLevelsPage::randomizeKeepsTheLevels()
{
    QByteArray file;
    QStringList levels;
    for (int i = 0; i < 40; ++i) {
        levels.append(QStringLiteral("m%1").arg(i));
        file += levels.last().toUtf8() + "\r\n";
    }
    m_q2->writeProgramFile(QStringLiteral("untitled_maps.txt"), file);
    auto form = startMainWindow();
    Ui::MainWindow& ui = form->ui();
    select(ui.lstToPlay, {3, 7});
    ui.randomizeButton->click();
    QStringList shuffled = names(form->levels().levelsToPlay());
    QVERIFY(shuffled != levels); // 1 in 40! to fail by chance
    std::sort(shuffled.begin(), shuffled.end());
    std::sort(levels.begin(), levels.end());
    QCOMPARE(shuffled, levels);
    QVERIFY(selected(ui.lstToPlay).isEmpty());

    form->ui().excludeAllButton->click();
    ui.randomizeButton->click();
    QVERIFY(form->levels().levelsToPlay().isEmpty());
}

void TestLevelsPage::totals_data()
{
    QTest::addColumn<int>("levels");
    QTest::addColumn<QString>("timeLimit");
    QTest::addColumn<QString>("count");
    QTest::addColumn<QString>("total");
    QTest::addColumn<QString>("mapsPage"); // empty: hidden
    QTest::newRow("5 x 30") << 5 << "30"
                            << "5 maps in list"
                            << "150 minutes"
                            << "150 minutes playing time";
    QTest::newRow("one level") << 1 << "20"
                               << "1 maps in list"
                               << "20 minutes"
                               << "20 minutes playing time";
    QTest::newRow("no levels") << 0 << "20"
                               << "0 maps in list"
                               << "0 minutes"
                               << "0 minutes playing time";
    QTest::newRow("zero limit") << 5 << "0"
                                << "5 maps in list"
                                << "N/A"
                                << "";
    QTest::newRow("empty limit") << 5 << ""
                                 << "5 maps in list"
                                 << "N/A"
                                 << "";
    QTest::newRow("not a number") << 2 << "1x"
                                  << "2 maps in list"
                                  << "N/A"
                                  << "";
}

void TestLevelsPage::totals()
{
    QFETCH(int, levels);
    QFETCH(QString, timeLimit);
    QFETCH(QString, count);
    QFETCH(QString, total);
    QFETCH(QString, mapsPage);
    QByteArray file;
    for (int i = 0; i < levels; ++i)
        file += "m" + QByteArray::number(i) + "\r\n";
    m_q2->writeProgramFile(QStringLiteral("untitled_maps.txt"), file);
    auto form = startMainWindow();
    Ui::MainWindow& ui = form->ui();
    ui.edTimeLimit->setText(QStringLiteral("7")); // a change first, so the next one is one too
    ui.edTimeLimit->setText(timeLimit);
    QCOMPARE(ui.lblMapsCount->text(), count);
    QCOMPARE(ui.lblTotalTime->text(), total);
    QCOMPARE(!ui.lblMaptabTotalTime->isHidden(), !mapsPage.isEmpty());
    if (!mapsPage.isEmpty())
        QCOMPARE(ui.lblMaptabTotalTime->text(), mapsPage);
    // The frag limit's changes rewrite the totals too.
    ui.lblMapsCount->clear();
    ui.edFragLimit->setText(ui.edFragLimit->text() == u"5" ? QStringLiteral("6") : QStringLiteral("5"));
    QCOMPARE(ui.lblMapsCount->text(), count);
}

void TestLevelsPage::savedPlayListLoadsBack()
{
    m_q2->addLevels({"a.bsp", "B.bsp", "c.bsp"});
    auto form = startMainWindow();
    select(form->ui().lstAvailable, {0, 2});
    form->ui().includeButton->click();
    const QStringList saved = form->levels().playList();
    QCOMPARE(saved, (QStringList{"c", "a"}));
    // What the level files hold is read back line by line as the next start's play list.
    QByteArray file;
    for (const QString& level : saved)
        file += level.toUtf8() + "\r\n";
    m_q2->writeProgramFile(QStringLiteral("untitled_maps.txt"), file);
    auto next = startMainWindow();
    QCOMPARE(next->levels().playList(), saved);
    QCOMPARE(names(next->levels().availableLevels()), QStringList{"B"});
}

void TestLevelsPage::skippedLevelsRemovedOnOk()
{
    m_q2->addLevels({"base1.bsp"});
    m_q2->writeProgramFile(QStringLiteral("untitled_maps.txt"), "q2dm1\r\nQ2DM2\r\nmine\r\nbase1x\r\nkeep\r\n");
    m_q2->writeProgramFile(QStringLiteral("qskipped.txt"), "Q2DM1\r\nq2dm2\r\nmine \r\n\r\nq2dm1\r\nkeep\r\n");
    QStringList offered;
    ModalAnswers answers([&](QDialog& dialog) {
        auto& skip = static_cast<SkippedLevelsDialog&>(dialog);
        QListWidget* list = skip.ui().lbMapList;
        for (int row = 0; row < list->count(); ++row) {
            offered.append(list->item(row)->text());
            if (list->item(row)->isSelected())
                offered.last() += u'*';
        }
        // All the entries but the last.
        skip.ui().allButton->click();
        list->item(list->count() - 1)->setSelected(false);
        skip.ui().okButton->click();
        return dialog.result();
    });
    auto form = makeMainWindow();
    // The sound plays even with sounds switched off.
    form->state().soundsEnabled = false;
    setIdLevelsQuietly(*form, Qt::Unchecked);
    m_q2->sounds().clear();
    form->levels().loadPlayList();
    QCOMPARE(offered, (QStringList{"Q2DM1", "q2dm2", "mine ", "", "q2dm1", "keep"}));
    QCOMPARE(m_q2->sounds().names(), QStringList{"SND_SKIPFOUND"});
    QCOMPARE(names(form->levels().levelsToPlay()), (QStringList{"mine", "base1x", "keep"}));
    // The id levels are hidden, and still q2dm1 and Q2DM2 come back.
    QCOMPARE(names(form->levels().availableLevels()), (QStringList{"base1", "q2dm1", "Q2DM2"}));
    QVERIFY(!QFile::exists(m_q2->file(QStringLiteral("qskipped.txt"))));
    QCOMPARE(form->ui().lblMapsCount->text(), QStringLiteral("3 maps in list"));

    // Removing every level leaves "<" and "<<" disabled.
    m_q2->writeProgramFile(QStringLiteral("qskipped.txt"), "MINE\r\nbase1x\r\nkeep\r\nextra\r\n");
    form->ui().removeSkippedButton->click();
    QVERIFY(form->levels().levelsToPlay().isEmpty());
    QVERIFY(!form->ui().excludeButton->isEnabled() && !form->ui().excludeAllButton->isEnabled());
    QCOMPARE(form->ui().lblMapsCount->text(), QStringLiteral("0 maps in list"));
    QVERIFY(msgbox::shown().isEmpty());
}

void TestLevelsPage::skippedLevelsKeptOnCancel()
{
    m_q2->writeProgramFile(QStringLiteral("untitled_maps.txt"), "q2dm1\r\n");
    m_q2->writeProgramFile(QStringLiteral("qskipped.txt"), "q2dm1\r\n");
    int shown = 0;
    ModalAnswers answers([&](QDialog& dialog) {
        ++shown;
        auto& skip = static_cast<SkippedLevelsDialog&>(dialog);
        skip.ui().allButton->click();
        skip.ui().closeButton->click();
        return dialog.result();
    });
    auto form = startMainWindow();
    QCOMPARE(shown, 1);
    QCOMPARE(form->levels().playList(), QStringList{"q2dm1"});
    QVERIFY(QFile::exists(m_q2->file(QStringLiteral("qskipped.txt"))));
    // Offered again; OK with nothing selected removes nothing but the file.
    ModalAnswers ok([&](QDialog& dialog) {
        ++shown;
        auto& skip = static_cast<SkippedLevelsDialog&>(dialog);
        skip.ui().allButton->click();
        skip.ui().noneButton->click();
        skip.ui().okButton->click();
        return dialog.result();
    });
    QVERIFY(form->levels().processSkippedLevels());
    QCOMPARE(shown, 2);
    QCOMPARE(form->levels().playList(), QStringList{"q2dm1"});
    QVERIFY(!QFile::exists(m_q2->file(QStringLiteral("qskipped.txt"))));
    QVERIFY(!form->levels().processSkippedLevels());
    QCOMPARE(shown, 2);
}

void TestLevelsPage::undeletableSkippedListIsOfferedAgain()
{
    m_q2->writeProgramFile(QStringLiteral("untitled_maps.txt"), "q2dm1\r\nq2dm2\r\n");
    m_q2->writeProgramFile(QStringLiteral("qskipped.txt"), "q2dm1\r\n");
    auto form = makeMainWindow();
    int shown = 0;
    ModalAnswers answers([&](QDialog& dialog) {
        ++shown;
        auto& skip = static_cast<SkippedLevelsDialog&>(dialog);
        skip.ui().allButton->click();
        skip.ui().okButton->click();
        return dialog.result();
    });
    const QByteArray dir = QFile::encodeName(m_q2->programDir());
    QVERIFY(::chmod(dir.constData(), 0555) == 0);
    {
        Unprivileged nobody({fakeRoot(m_q2->quake2Dir())});
        if (!nobody.binds()) {
            ::chmod(dir.constData(), 0755);
            QSKIP("permissions do not bind here");
        }
        form->levels().loadPlayList();
    }
    ::chmod(dir.constData(), 0755);
    QCOMPARE(shown, 1);
    QCOMPARE(form->levels().playList(), QStringList{"q2dm2"});
    QVERIFY(msgbox::shown().isEmpty());
    // Still there, so it comes up again; this time it goes.
    QVERIFY(QFile::exists(m_q2->file(QStringLiteral("qskipped.txt"))));
    QVERIFY(form->levels().processSkippedLevels());
    QCOMPARE(shown, 2);
    QVERIFY(!QFile::exists(m_q2->file(QStringLiteral("qskipped.txt"))));
    QVERIFY(msgbox::shown().isEmpty());
}

void TestLevelsPage::skippedLevelsDialogLooksAsDesigned()
{
    m_q2->writeProgramFile(QStringLiteral("qskipped.txt"), "a\r\nb\r\n");
    bool checked = false;
    ModalAnswers answers([&](QDialog& dialog) {
        auto& skip = static_cast<SkippedLevelsDialog&>(dialog);
        [&] {
            QCOMPARE(dialog.windowTitle(), QStringLiteral("Velstrom - Select Maps to Skip"));
            QCOMPARE(dialog.size(), QSize(284, 319));
            QVERIFY(!(dialog.windowFlags() & Qt::WindowCloseButtonHint));
            QCOMPARE(skip.ui().lblExplanation->text(),
                     QStringLiteral("The following maps were skipped during the last Quake2 session.  Select the "
                                    "maps you wish to remove from the current user profile."));
            QVERIFY(skip.ui().lbMapList->selectedItems().isEmpty());
            QVERIFY(skip.ui().okButton->isDefault());
            QCOMPARE(nextTabStop(skip.ui().lbMapList), skip.ui().allButton);
            QCOMPARE(nextTabStop(skip.ui().allButton), skip.ui().okButton);
            QCOMPARE(nextTabStop(skip.ui().okButton), skip.ui().closeButton);
            QCOMPARE(nextTabStop(skip.ui().closeButton), skip.ui().noneButton);
            checked = true;
        }();
        return int(QDialog::Rejected);
    });
    auto form = makeMainWindow();
    // Leftover selections of an earlier run are gone when the dialog opens again.
    form->levels().skipListDialog().setEntries({"x"});
    form->levels().skipListDialog().ui().lbMapList->selectAll();
    QVERIFY(form->levels().processSkippedLevels());
    QVERIFY(checked);
}

void TestLevelsPage::deleteSkippedWithoutFile()
{
    m_q2->writeProgramFile(QStringLiteral("untitled_maps.txt"), "q2dm1\r\n");
    auto form = startMainWindow();
    m_q2->sounds().clear();
    form->ui().removeSkippedButton->click();
    const QList<msgbox::Shown> boxes = msgbox::shown();
    QCOMPARE(boxes.size(), 1);
    QCOMPARE(boxes.first().icon, msgbox::Icon::Information);
    QCOMPARE(boxes.first().caption, QStringLiteral("No List"));
    QCOMPARE(boxes.first().text,
             QStringLiteral("There is no skipped map list right now.  If you run Quake2 and skip maps, you'll be able "
                            "to selectively delete them from your map list with this function."));
    QCOMPARE(boxes.first().buttons, QList<msgbox::Button>{msgbox::Button::Ok});
    QVERIFY(m_q2->sounds().names().isEmpty());
    QCOMPARE(form->levels().playList(), QStringList{"q2dm1"});

    // A directory in the file's place cannot be opened either.
    QDir().mkdir(m_q2->file(QStringLiteral("qskipped.txt")));
    QVERIFY(!form->levels().processSkippedLevels());
}

void TestLevelsPage::skippedDialogRunsModally()
{
    // The real modal loop, answered from inside it.
    m_q2->writeProgramFile(QStringLiteral("untitled_maps.txt"), "q2dm1\r\nq2dm2\r\n");
    auto form = makeMainWindow();
    m_q2->writeProgramFile(QStringLiteral("qskipped.txt"), "q2dm2\r\n");
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<SkippedLevelsDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        QVERIFY(dialog->isVisible());
        dialog->ui().allButton->click();
        QTest::keyClick(dialog->ui().lbMapList, Qt::Key_Return);
    });
    form->levels().loadPlayList();
    QCOMPARE(form->levels().playList(), QStringList{"q2dm1"});
}

void TestLevelsPage::verifyAsksAboutMissingLevels()
{
    m_q2->addLevels({"here.bsp", "Q2DM9.BSP"});
    m_q2->writeProgramFile(QStringLiteral("untitled_maps.txt"), "m1\r\nm2\r\nhere\r\nq2dm9\r\nbase1\r\nm3\r\nm4\r\n");
    auto form = startMainWindow();
    QStringList asked;
    const QStringList buttons{"yesButton", "noButton", "yesToAllButton"};
    ModalAnswers answers([&](QDialog& dialog) {
        auto& verify = static_cast<MissingLevelDialog&>(dialog);
        asked.append(verify.ui().lblMissing->text());
        dialog.findChild<QPushButton*>(buttons.at(asked.size() - 1))->click();
        return dialog.result();
    });
    form->levels().verifyPlayList();
    // q2dm9 is not Q2DM9: exact names only. base1 is the first word of a maps.lst line.
    QCOMPARE(asked, (QStringList{"Warning, the map m1.bsp cannot be found on your hard drive.",
                                 "Warning, the map m2.bsp cannot be found on your hard drive.",
                                 "Warning, the map q2dm9.bsp cannot be found on your hard drive."}));
    QCOMPARE(form->levels().playList(), (QStringList{"m2", "here", "base1"}));
    QCOMPARE(form->levels().verifyResult(), VerifyResult::YesToAll);
    // Removed levels do not go back to Available Levels.
    QVERIFY(!form->levels().availableLevels().holds(QStringLiteral("m1")));

    // Abort: the next missing level ends the check.
    asked.clear();
    ModalAnswers abort([&](QDialog& dialog) {
        asked.append(static_cast<MissingLevelDialog&>(dialog).ui().lblMissing->text());
        static_cast<MissingLevelDialog&>(dialog).ui().abortButton->click();
        return dialog.result();
    });
    form->levels().verifyPlayList();
    QCOMPARE(asked.size(), 1);
    QCOMPARE(form->levels().verifyResult(), VerifyResult::Abort);
    QCOMPARE(form->levels().playList(), (QStringList{"m2", "here", "base1"}));
}

void TestLevelsPage::verifyDialogLooksAsDesigned()
{
    m_q2->writeProgramFile(QStringLiteral("untitled_maps.txt"), "m1\r\nm2\r\n");
    auto form = startMainWindow();
    int round = 0;
    ModalAnswers answers([&](QDialog& dialog) {
        auto& verify = static_cast<MissingLevelDialog&>(dialog);
        ++round;
        [&] {
            QCOMPARE(dialog.windowTitle(), QStringLiteral(".BSP not found!"));
            QCOMPARE(dialog.size(), QSize(399, 83));
            QCOMPARE(verify.ui().lblQuestion->text(),
                     QStringLiteral("Do you wish to remove it from your Levels to Play list?"));
            QCOMPARE(
                verify.ui().lblWarning->text(),
                QStringLiteral("If you do not remove it, the Quake 2 server will crash when it reaches this level."));
            QCOMPARE(verify.ui().yesToAllButton->text(), QStringLiteral("Yes to &All"));
            QCOMPARE(verify.ui().abortButton->text(), QStringLiteral("A&bort Startup"));
            for (QPushButton* b : dialog.findChildren<QPushButton*>())
                QVERIFY(!b->isDefault());
            QCOMPARE(dialog.focusWidget(), verify.ui().yesToAllButton);
        }();
        if (round == 1) {
            // Enter on the opened dialog answers Yes to All.
            dialog.show();
            QTest::keyClick(dialog.focusWidget(), Qt::Key_Return);
        } else {
            verify.ui().noButton->click();
        }
        return dialog.result();
    });
    form->levels().verifyPlayList();
    QCOMPARE(round, 1);
    QCOMPARE(form->levels().verifyResult(), VerifyResult::YesToAll);
    QVERIFY(form->levels().playList().isEmpty());
}

void TestLevelsPage::verifyDialogRunsModally()
{
    m_q2->writeProgramFile(QStringLiteral("untitled_maps.txt"), "m1\r\nm2\r\nm3\r\n");
    auto form = startMainWindow();
    // The first question is answered Yes, the second closed by its close box: the answer before stands.
    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<MissingLevelDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        dialog->ui().yesButton->click();
        QTimer::singleShot(0, [] {
            auto* next = qobject_cast<MissingLevelDialog*>(QApplication::activeModalWidget());
            QVERIFY(next);
            next->close();
            QTimer::singleShot(0, [] {
                auto* last = qobject_cast<MissingLevelDialog*>(QApplication::activeModalWidget());
                QVERIFY(last);
                last->ui().noButton->click();
            });
        });
    });
    form->levels().verifyPlayList();
    QCOMPARE(form->levels().playList(), QStringList{"m3"});
    QCOMPARE(form->levels().verifyResult(), VerifyResult::No);
}

void TestLevelsPage::verifyAutoRemoveAndGreyedBox()
{
    m_q2->addLevels({"here.bsp"});
    m_q2->writeProgramFile(QStringLiteral("untitled_maps.txt"), "m1\r\nhere\r\nm2\r\n");
    auto form = startMainWindow();
    int asked = 0;
    ModalAnswers answers([&](QDialog& dialog) {
        ++asked;
        static_cast<MissingLevelDialog&>(dialog).ui().noButton->click();
        return dialog.result();
    });
    // Greyed is not checked: the question is asked.
    form->ui().cbAutoRemove->setCheckState(Qt::PartiallyChecked);
    form->levels().verifyPlayList();
    QCOMPARE(asked, 2);
    QCOMPARE(form->levels().playList().size(), 3);
    form->ui().cbAutoRemove->setCheckState(Qt::Checked);
    form->levels().verifyPlayList();
    QCOMPARE(asked, 2);
    QCOMPARE(form->levels().playList(), QStringList{"here"});
    QCOMPARE(form->levels().verifyResult(), VerifyResult::None);
}

void TestLevelsPage::verifyWithoutMapsListFails()
{
    m_q2->addLevels({"here.bsp"});
    m_q2->writeProgramFile(QStringLiteral("untitled_maps.txt"), "here\r\nm1\r\n");
    auto form = startMainWindow();
    QFile::remove(m_q2->quake2Dir() + QStringLiteral("/baseq2/maps.lst"));
    form->ui().cbAutoRemove->setCheckState(Qt::Checked);
    try {
        form->levels().verifyPlayList();
        QFAIL("no error");
    } catch (const AppError& e) {
        QCOMPARE(e.text(), QStringLiteral("File not found"));
    }
    QCOMPARE(form->levels().playList(), (QStringList{"here", "m1"}));
}

void TestLevelsPage::titlesUnderTheLists()
{
    m_q2->addLevel(QStringLiteral("a1.bsp"), "First \xC1rena\\nby me");
    m_q2->addLevel(QStringLiteral("a2.bsp"), "Second");
    m_q2->addLevel(QStringLiteral("a3.bsp"), QByteArray()); // no title
    m_q2->addLevel(QStringLiteral("Q2DM7.BSP"), "Upper");
    m_q2->writeProgramFile(QStringLiteral("untitled_maps.txt"), "q2dm7\r\nbase1\r\n");
    auto form = startMainWindow();
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    Ui::MainWindow& ui = form->ui();
    QCOMPARE(form->levels().lastHoverIndex(), -1);

    hover(ui.lstAvailable, 0);
    QCOMPARE(ui.lblSrcMapDesc->text(), QStringLiteral("First Arena\nby me"));
    QCOMPARE(form->levels().lastHoverIndex(), 0);
    // Same row index in the other list: nothing changes there.
    hover(ui.lstToPlay, 0);
    QCOMPARE(ui.lblDstMapDesc->text(), QString());
    hover(ui.lstAvailable, 2);
    QCOMPARE(ui.lblSrcMapDesc->text(), QStringLiteral("a3"));
    hover(ui.lstAvailable, 1);
    QCOMPARE(ui.lblSrcMapDesc->text(), QStringLiteral("Second"));

    // Back and forth over one row reads its file once: a changed title shows only after another row.
    m_q2->addLevel(QStringLiteral("a2.bsp"), "Second, changed");
    hover(ui.lstAvailable, 1);
    QCOMPARE(ui.lblSrcMapDesc->text(), QStringLiteral("Second"));
    // Below the last item: nothing changes.
    hover(ui.lstAvailable, -1);
    QCOMPARE(ui.lblSrcMapDesc->text(), QStringLiteral("Second"));
    QCOMPARE(form->levels().lastHoverIndex(), 1);

    // The play list: q2dm7 is found as Q2DM7.BSP; base1 has no level file.
    hover(ui.lstToPlay, 0);
    QCOMPARE(ui.lblDstMapDesc->text(), QStringLiteral("Upper"));
    hover(ui.lstToPlay, 1);
    QCOMPARE(ui.lblDstMapDesc->text(), QStringLiteral("base1"));
    // Row 1 again, but of the other list: still the old text until another row was pointed at.
    hover(ui.lstAvailable, 1);
    QCOMPARE(ui.lblSrcMapDesc->text(), QStringLiteral("Second"));
    hover(ui.lstAvailable, 0);
    hover(ui.lstAvailable, 1);
    QCOMPARE(ui.lblSrcMapDesc->text(), QStringLiteral("Second, changed"));

    // After a level moved between the lists the same row index does not refresh the label.
    select(ui.lstAvailable, {1});
    ui.includeButton->click();
    hover(ui.lstAvailable, 1);
    QCOMPARE(ui.lblSrcMapDesc->text(), QStringLiteral("Second, changed"));
}

void TestLevelsPage::titleFetchShowsSearchingAndShutsOutMoves()
{
    m_q2->addLevel(QStringLiteral("a1.bsp"), "One");
    m_q2->addLevel(QStringLiteral("a2.bsp"), "Two");
    auto form = startMainWindow();
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    Ui::MainWindow& ui = form->ui();
    QString during;
    bool busyDuring = false;
    // Runs while the title display lets pending events through, before the file is read.
    QTimer::singleShot(0, [&] {
        during = ui.lblSrcMapDesc->text();
        busyDuring = form->levels().hoverBusy();
        hover(ui.lstAvailable, 1);
    });
    hover(ui.lstAvailable, 0);
    QCOMPARE(during, QStringLiteral("Searching..."));
    QVERIFY(busyDuring);
    QCOMPARE(ui.lblSrcMapDesc->text(), QStringLiteral("One"));
    QCOMPARE(form->levels().lastHoverIndex(), 0);
    QVERIFY(!form->levels().hoverBusy());
}

QTEST_MAIN(TestLevelsPage)
#include "tst_levelspage.moc"
