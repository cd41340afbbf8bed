#include "levels/LevelsController.h"

#include "levels/LevelCatalogue.h"
#include "levels/LevelTitle.h"
#include "levels/MissingLevelDialog.h"
#include "levels/PlayListVerifier.h"
#include "levels/SkippedLevelsDialog.h"
#include "profiles/Profile.h"
#include "profiles/SessionState.h"
#include "support/AppError.h"
#include "support/ErrorReport.h"
#include "support/Installation.h"
#include "support/MessageBoxes.h"
#include "support/Quake2Paths.h"
#include "support/Sound.h"
#include "support/TextFile.h"

#include <QCheckBox>
#include <QLabel>
#include <QListView>
#include <QPushButton>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QMouseEvent>
#include <QPointer>

#include <chrono>
#include <cstdint>
#include <exception>

using Side = LevelLists::Side;

namespace {

VerifyResult verifyResultOf(const QString& answer)
{
    if (answer == verify::YesToAll)
        return VerifyResult::YesToAll;
    if (answer == verify::Yes)
        return VerifyResult::Yes;
    if (answer == verify::No)
        return VerifyResult::No;
    if (answer == verify::Abort)
        return VerifyResult::Abort;
    return VerifyResult::None;
}

} // namespace

LevelsController::LevelsController(const LevelsPage& page, const Profile& profile, const SessionState& state,
                                   EventSounds& sounds)
    : m_page(page), m_profile(profile), m_state(state), m_sounds(sounds)
{
    const LevelsPage& ui = m_page;
    for (QListView* view : {ui.lstAvailable, ui.lstToPlay}) {
        view->setModel(view == ui.lstAvailable ? &m_available : &m_play);
        view->setSelectionMode(QAbstractItemView::ExtendedSelection);
        view->setUniformItemSizes(true);
        view->setEditTriggers(QAbstractItemView::NoEditTriggers);
        // The title display follows the pointer without a button pressed.
        view->viewport()->setMouseTracking(true);
        view->viewport()->installEventFilter(this);
    }
    m_lists = std::make_unique<LevelLists>(m_available, *ui.lstAvailable->selectionModel(), m_play,
                                           *ui.lstToPlay->selectionModel());
    // Any change of the play list makes it the user's own, to be saved whatever the file held before.
    const auto changed = [this] { m_keepProfileLevelsFile = false; };
    connect(&m_play, &QAbstractItemModel::rowsInserted, this, changed);
    connect(&m_play, &QAbstractItemModel::rowsRemoved, this, changed);
    connect(&m_play, &QAbstractItemModel::rowsMoved, this, changed);
    connect(&m_play, &QAbstractItemModel::modelReset, this, changed);
    connect(&m_play, &QAbstractItemModel::layoutChanged, this, changed);
    // A level's tooltip says where it comes from: the archive that holds it, or its file.
    for (LevelListModel* model : {&m_available, &m_play})
        model->setToolTips([this](const QString& name) { return gameLevels().sourceOf(name); });
    // Titles are the level author's text, never markup.
    ui.lblSrcMapDesc->setTextFormat(Qt::PlainText);
    ui.lblDstMapDesc->setTextFormat(Qt::PlainText);
    // The window starts with both lists empty: levels can be added, none removed.
    ui.includeButton->setEnabled(true);
    ui.includeAllButton->setEnabled(true);
    ui.excludeButton->setEnabled(false);
    ui.excludeAllButton->setEnabled(false);

    connect(ui.refreshButton, &QPushButton::clicked, this, guard([this] { refreshClicked(); }));
    connect(ui.includeButton, &QPushButton::clicked, this, guard([this] { includeClicked(); }));
    connect(ui.excludeButton, &QPushButton::clicked, this, guard([this] { excludeClicked(); }));
    connect(ui.includeAllButton, &QPushButton::clicked, this, guard([this] { includeAllClicked(); }));
    connect(ui.excludeAllButton, &QPushButton::clicked, this, guard([this] { excludeAllClicked(); }));
    connect(ui.moveUpButton, &QPushButton::clicked, this, guard([this] { moveUpOrDownClicked(m_page.moveUpButton); }));
    connect(ui.moveDownButton, &QPushButton::clicked, this,
            guard([this] { moveUpOrDownClicked(m_page.moveDownButton); }));
    connect(ui.moveToTopButton, &QPushButton::clicked, this, guard([this] { moveToTopClicked(); }));
    connect(ui.moveToBottomButton, &QPushButton::clicked, this, guard([this] { moveToBottomClicked(); }));
    connect(ui.randomizeButton, &QPushButton::clicked, this, guard([this] { randomizeClicked(); }));
    connect(ui.removeSkippedButton, &QPushButton::clicked, this, guard([this] { removeSkippedClicked(); }));
    // Every change of the box, by the user or by the program, shows or hides the id levels.
    connect(ui.ckOrigLevels, &QCheckBox::stateChanged, this, guard([this] { showIdLevelsClicked(); }));
}

LevelsController::~LevelsController() = default;

void LevelsController::createDialogs()
{
    if (m_skipList == nullptr) {
        m_skipList = new SkippedLevelsDialog(m_page.window);
        m_skipList->hide();
    }
}

SkippedLevelsDialog& LevelsController::skipListDialog()
{
    createDialogs();
    return *m_skipList;
}

QListView* LevelsController::listView(Side side) const
{
    return side == Side::Available ? m_page.lstAvailable : m_page.lstToPlay;
}

Side LevelsController::sideOf(const QListView* list) const
{
    return list == m_page.lstAvailable ? Side::Available : Side::Play;
}

bool LevelsController::idLevelsShown() const
{
    return m_page.ckOrigLevels->checkState() == Qt::Checked;
}

// ---- Level catalogue

const levels::GameLevels& LevelsController::rescanGameLevels()
{
    m_game = levels::GameLevels(installation().quake2Dir(), m_levelSearch ? m_levelSearch() : levels::LevelSearch());
    // A broken archive (or its broken entries) is left out of the lists; the operator is told once which.
    if (!m_game.problems().isEmpty())
        reportErrorOnce(QStringLiteral("Some archives in the game's folders cannot be read in full; the levels in what "
                                       "cannot be read are left out:\n\n") +
                        m_game.problems().join(u'\n'));
    return m_game;
}

const levels::GameLevels& LevelsController::gameLevels()
{
    return m_game.isEmpty() ? rescanGameLevels() : m_game;
}

void LevelsController::fillAvailableLevels()
{
    // The levels of baseq2/maps as the directory lists them, then those the engine finds elsewhere: inside
    // the archives of baseq2 and of the game folder, except the game's own (named in maps.lst), which come
    // with the id levels. Each name is listed once.
    const levels::GameLevels& game = rescanGameLevels();
    QStringList ids;
    std::exception_ptr idsUnread;
    try {
        ids = idLevelNames();
    } catch (const AppError&) {
        idsUnread = std::current_exception();
    }
    const QStringList files =
        levels::listLevelFiles(installation().quake2Dir() + q2::MapsSubdir) + game.extraLevelNames(ids);
    if (!idLevelsShown()) {
        m_lists->fillAvailable(files);
        return;
    }
    // The level files stay listed; an unreadable maps.lst ends the operation that asked for the id levels.
    m_lists->fillAvailable(files, ids);
    if (idsUnread)
        std::rethrow_exception(idsUnread);
}

QStringList LevelsController::idLevelNames()
{
    try {
        return gameLevels().readIdLevelNames();
    } catch (const AppError& e) {
        // Too large to read: said once, and there are no id levels. Any other failure ends the operation.
        if (!e.isTooLarge())
            throw;
        reportErrorOnce(e.text());
        return {};
    }
}

void LevelsController::addIdLevels()
{
    m_lists->addIdLevels(idLevelNames());
}

void LevelsController::removeIdLevels()
{
    m_lists->removeIdLevels(idLevelNames());
}

void LevelsController::loadPlayList()
{
    // An unreadable maps.lst is reported, and the load goes on: stopping here would leave the profile's play
    // list unloaded, and the next save would write that empty list over the profile's level file.
    guarded([this] { fillAvailableLevels(); });
    const QString path = levels::profileLevelsPath(m_profile.currentUser);
    QStringList playList;
    bool unread = false;
    try {
        playList = textfile::readUtf8Lines(path);
    } catch (const AppError& e) {
        // No level file yet is an empty play list. One that is there but cannot be read is reported and kept:
        // the empty list shown must not be written over it until the user builds a list of their own.
        if (QFileInfo(path).exists() || QFileInfo(path).isSymLink()) {
            reportUnreadable(path, e);
            unread = true;
        }
    }
    // Writing back a list that left lines out would lose them (a stray byte, a binary file): the file stays as
    // it is until the user changes the list.
    const int leftOut = m_lists->appendPlayList(playList);
    m_keepProfileLevelsFile = unread || leftOut > 0;
    processSkippedLevels();
    updateButtons();
    updateListTotals();
}

void LevelsController::refreshClicked()
{
    m_sounds.play(QString::fromLatin1(snd::Refresh), false);
    fillAvailableLevels();
    updateButtons();
}

void LevelsController::showIdLevelsClicked()
{
    if (m_state.loadingSettings)
        return;
    if (idLevelsShown()) {
        m_sounds.play(QString::fromLatin1(snd::IdLevels), false);
        addIdLevels();
    } else {
        removeIdLevels();
    }
    updateButtons();
}

void LevelsController::clearLists()
{
    m_lists->clear();
}

void LevelsController::clearTitles()
{
    m_page.lblSrcMapDesc->clear();
    m_page.lblDstMapDesc->clear();
}

QStringList LevelsController::playList() const
{
    return m_play.names();
}

// ---- Play list editing

void LevelsController::updateButtons()
{
    const LevelsPage& ui = m_page;
    const bool canAdd = !m_available.isEmpty();
    const bool canRemove = !m_play.isEmpty();
    ui.includeButton->setEnabled(canAdd);
    ui.includeAllButton->setEnabled(canAdd);
    ui.excludeButton->setEnabled(canRemove);
    ui.excludeAllButton->setEnabled(canRemove);
}

void LevelsController::updateListTotals()
{
    const LevelsPage& ui = m_page;
    const int n = m_play.count();
    ui.lblMapsCount->setText(QString::number(n) + QStringLiteral(" maps in list"));
    int minutes = 0;
    try {
        minutes = toIntOrThrow(m_profile.timeLimit);
    } catch (const AppError&) {
        minutes = 0; // not a number, an empty box included: no total, and nothing to report
    }
    if (minutes == 0) {
        ui.lblTotalTime->setText(QStringLiteral("N/A"));
        ui.lblMaptabTotalTime->hide();
        return;
    }
    // In 64 bits: a long list times a large stored limit must not wrap round.
    const QString total = QString::number(qint64(n) * minutes) + QStringLiteral(" minutes");
    ui.lblTotalTime->setText(total);
    ui.lblMaptabTotalTime->setText(total + QStringLiteral(" playing time"));
    ui.lblTotalTime->show();
    ui.lblMaptabTotalTime->show();
}

int LevelsController::firstSelection(QListView* list) const
{
    return m_lists->firstSelection(sideOf(list));
}

void LevelsController::selectItem(QListView* list, int index)
{
    list->setFocus();
    m_lists->selectItem(sideOf(list), index);
    updateButtons();
}

void LevelsController::moveSelected(QListView* source, QListView* target)
{
    Q_ASSERT(source != target);
    Q_UNUSED(target);
    m_lists->moveSelected(sideOf(source));
}

void LevelsController::moveAcross(QListView* source)
{
    const int first = firstSelection(source);
    moveSelected(source, listView(LevelLists::other(sideOf(source))));
    // The level that moved up into the first moved level's place is selected next, so repeated clicks move
    // consecutive levels.
    selectItem(source, first);
    updateListTotals();
}

void LevelsController::moveAllAcross(QListView* source)
{
    m_lists->moveAll(sideOf(source));
    selectItem(source, 0);
    updateListTotals();
}

void LevelsController::includeClicked()
{
    moveAcross(m_page.lstAvailable);
}
void LevelsController::excludeClicked()
{
    moveAcross(m_page.lstToPlay);
}
void LevelsController::includeAllClicked()
{
    moveAllAcross(m_page.lstAvailable);
}
void LevelsController::excludeAllClicked()
{
    moveAllAcross(m_page.lstToPlay);
}

void LevelsController::moveUpOrDownClicked(QObject* sender)
{
    m_lists->moveOnePlace(sender == m_page.moveDownButton);
}

void LevelsController::moveToTopClicked()
{
    m_lists->moveToEnd(true);
}

void LevelsController::moveToBottomClicked()
{
    m_lists->moveToEnd(false);
}

void LevelsController::randomizeClicked()
{
    updateListTotals();
    // A fresh seed from the clock at every click.
    std::mt19937_64 random(std::uint64_t(std::chrono::system_clock::now().time_since_epoch().count()));
    m_lists->shuffle(random);
}

// ---- Skipped levels

bool LevelsController::processSkippedLevels()
{
    const QString path = levels::skippedLevelsPath();
    // Read through the line reader alone: it takes regular files only, so a FIFO in its place cannot block.
    QStringList entries;
    try {
        entries = textfile::readUtf8Lines(path);
    } catch (const AppError& e) {
        // A list too large to read is there all the same: said once, and kept until the game writes a new one.
        if (!e.isTooLarge())
            return false;
        reportErrorOnce(e.text());
        return true;
    }
    playSound(QString::fromLatin1(snd::SkipFound), false);
    SkippedLevelsDialog& dialog = skipListDialog();
    dialog.setEntries(entries);
    if (dialog.ask()) {
        m_lists->removeSkipped(dialog.selectedEntries());
        // A file that cannot be deleted is offered again next time; nothing to report.
        QFile::remove(path);
        updateListTotals();
        updateButtons();
    }
    return true;
}

void LevelsController::removeSkippedClicked()
{
    if (!processSkippedLevels())
        msgbox::information(m_page.window, QStringLiteral("No List"),
                            QStringLiteral("There is no skipped map list right now.  If you run Quake2 and skip "
                                           "maps, you'll be able to selectively delete them from your map list "
                                           "with this function."));
}

// ---- Verification before launch

void LevelsController::verifyPlayList()
{
    // The installation as it is now: levels may have been added or removed since the lists were filled.
    LevelPresence presence(installation().quake2Dir() + q2::MapsSubdir, levels::mapsListPath(), &rescanGameLevels());
    QString answer;
    try {
        ::verifyPlayList(m_play, presence, isChecked(m_profile.autoRemove), answer,
                         [this](const QString& level, QString& verifyResult) {
                             MissingLevelDialog dialog(verifyResult, m_page.window);
                             dialog.setLevel(level);
                             dialog.ask();
                         });
    } catch (...) {
        m_verifyResult = verifyResultOf(answer);
        throw;
    }
    m_verifyResult = verifyResultOf(answer);
}

// ---- Title display

bool LevelsController::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseMove) {
        const LevelsPage& ui = m_page;
        QListView* list = watched == ui.lstAvailable->viewport() ? ui.lstAvailable
                          : watched == ui.lstToPlay->viewport()  ? ui.lstToPlay
                                                                 : nullptr;
        if (list != nullptr) {
            const auto* move = static_cast<QMouseEvent*>(event);
            const QPoint at = move->position().toPoint();
            guarded([&] { listMouseMoved(list, move->modifiers(), at.x(), at.y()); });
        }
    }
    return QObject::eventFilter(watched, event);
}

void LevelsController::listMouseMoved(QObject* sender, Qt::KeyboardModifiers shift, int x, int y)
{
    Q_UNUSED(shift);
    if (m_hoverBusy)
        return;
    m_hoverBusy = true;
    struct Release {
        bool& busy;
        ~Release() { busy = false; }
    } release{m_hoverBusy};

    const LevelsPage& ui = m_page;
    auto* list = qobject_cast<QListView*>(sender);
    if (list == nullptr)
        return;
    const QModelIndex index = list->indexAt(QPoint(x, y));
    const int i = index.isValid() ? index.row() : -1;
    if (i == m_lastHoverIndex || i < 0)
        return;

    const QPointer<QLabel> label = list == ui.lstAvailable ? ui.lblSrcMapDesc : ui.lblDstMapDesc;
    // The name is taken now: while the label is painted below, a click may already change the list.
    const QString name = (list == ui.lstAvailable ? m_available : m_play).at(i);
    label->setText(QStringLiteral("Searching..."));
    QCoreApplication::processEvents();
    if (label.isNull())
        return;
    label->setText(gameLevels().description(name));
    m_lastHoverIndex = i;
}
