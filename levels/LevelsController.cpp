#include "levels/LevelsController.h"

#include "levels/LevelCatalogue.h"
#include "levels/LevelTitle.h"
#include "levels/PlayListVerifier.h"
#include "levels/SkipListForm.h"
#include "levels/VerifyForm.h"
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
    for (QListView* view : {ui.SrcList, ui.DstList}) {
        view->setModel(view == ui.SrcList ? &m_available : &m_play);
        view->setSelectionMode(QAbstractItemView::ExtendedSelection);
        view->setUniformItemSizes(true);
        view->setEditTriggers(QAbstractItemView::NoEditTriggers);
        // The title display follows the pointer without a button pressed.
        view->viewport()->setMouseTracking(true);
        view->viewport()->installEventFilter(this);
    }
    m_lists =
        std::make_unique<LevelLists>(m_available, *ui.SrcList->selectionModel(), m_play, *ui.DstList->selectionModel());
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
    ui.IncludeBtn->setEnabled(true);
    ui.IncAllBtn->setEnabled(true);
    ui.ExcludeBtn->setEnabled(false);
    ui.ExAllBtn->setEnabled(false);

    connect(ui.BitBtn1, &QPushButton::clicked, this, guard([this] { BitBtn1Click(); }));
    connect(ui.IncludeBtn, &QPushButton::clicked, this, guard([this] { IncludeBtnClick(); }));
    connect(ui.ExcludeBtn, &QPushButton::clicked, this, guard([this] { ExcludeBtnClick(); }));
    connect(ui.IncAllBtn, &QPushButton::clicked, this, guard([this] { IncAllBtnClick(); }));
    connect(ui.ExAllBtn, &QPushButton::clicked, this, guard([this] { ExcAllBtnClick(); }));
    connect(ui.bbtnMoveUp, &QPushButton::clicked, this, guard([this] { bbtnMoveUpClick(m_page.bbtnMoveUp); }));
    connect(ui.bbtnMoveDown, &QPushButton::clicked, this, guard([this] { bbtnMoveUpClick(m_page.bbtnMoveDown); }));
    connect(ui.bbtnMovetoTop, &QPushButton::clicked, this, guard([this] { bbtnMovetoTopClick(); }));
    connect(ui.bbtnMovetoBottom, &QPushButton::clicked, this, guard([this] { bbtnMovetoBottomClick(); }));
    connect(ui.bbtnRandomize, &QPushButton::clicked, this, guard([this] { bbtnRandomizeClick(); }));
    connect(ui.btnDelSkipped, &QPushButton::clicked, this, guard([this] { btnDelSkippedClick(); }));
    // Every change of the box, by the user or by the program, shows or hides the id levels.
    connect(ui.ckOrigLevels, &QCheckBox::stateChanged, this, guard([this] { ckOrigLevelsClick(); }));
}

LevelsController::~LevelsController() = default;

void LevelsController::createDialogs()
{
    if (m_skipList == nullptr) {
        m_skipList = new TfrmSkipList(m_page.window);
        m_skipList->hide();
    }
}

TfrmSkipList& LevelsController::skipListDialog()
{
    createDialogs();
    return *m_skipList;
}

QListView* LevelsController::listView(Side side) const
{
    return side == Side::Available ? m_page.SrcList : m_page.DstList;
}

Side LevelsController::sideOf(const QListView* list) const
{
    return list == m_page.SrcList ? Side::Available : Side::Play;
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
        ReportErrorOnce(QStringLiteral("Some archives in the game's folders cannot be read in full; the levels in what "
                                       "cannot be read are left out:\n\n") +
                        m_game.problems().join(u'\n'));
    return m_game;
}

const levels::GameLevels& LevelsController::gameLevels()
{
    return m_game.isEmpty() ? rescanGameLevels() : m_game;
}

void LevelsController::FillAvailableLevels()
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
        ReportErrorOnce(e.text());
        return {};
    }
}

void LevelsController::AddIdLevels()
{
    m_lists->addIdLevels(idLevelNames());
}

void LevelsController::RemoveIdLevels()
{
    m_lists->removeIdLevels(idLevelNames());
}

void LevelsController::LoadPlayList()
{
    // An unreadable maps.lst is reported, and the load goes on: stopping here would leave the profile's play
    // list unloaded, and the next save would write that empty list over the profile's level file.
    guarded([this] { FillAvailableLevels(); });
    const QString path = levels::profileLevelsPath(m_profile.currentUser);
    QStringList playList;
    bool unread = false;
    try {
        playList = textfile::readUtf8Lines(path);
    } catch (const AppError& e) {
        // No level file yet is an empty play list. One that is there but cannot be read is reported and kept:
        // the empty list shown must not be written over it until the user builds a list of their own.
        if (QFileInfo(path).exists() || QFileInfo(path).isSymLink()) {
            ReportUnreadable(path, e);
            unread = true;
        }
    }
    // Writing back a list that left lines out would lose them (a stray byte, a binary file): the file stays as
    // it is until the user changes the list.
    const int leftOut = m_lists->appendPlayList(playList);
    m_keepProfileLevelsFile = unread || leftOut > 0;
    ProcessSkippedLevels();
    SetButtons();
    UpdateListTotals();
}

void LevelsController::BitBtn1Click()
{
    m_sounds.PlaySoundEvent(QString::fromLatin1(snd::Refresh), false);
    FillAvailableLevels();
    SetButtons();
}

void LevelsController::ckOrigLevelsClick()
{
    if (m_state.LoadingSettings)
        return;
    if (idLevelsShown()) {
        m_sounds.PlaySoundEvent(QString::fromLatin1(snd::IdLevels), false);
        AddIdLevels();
    } else {
        RemoveIdLevels();
    }
    SetButtons();
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

void LevelsController::SetButtons()
{
    const LevelsPage& ui = m_page;
    const bool canAdd = !m_available.isEmpty();
    const bool canRemove = !m_play.isEmpty();
    ui.IncludeBtn->setEnabled(canAdd);
    ui.IncAllBtn->setEnabled(canAdd);
    ui.ExcludeBtn->setEnabled(canRemove);
    ui.ExAllBtn->setEnabled(canRemove);
}

void LevelsController::UpdateListTotals()
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

int LevelsController::GetFirstSelection(QListView* list) const
{
    return m_lists->firstSelection(sideOf(list));
}

void LevelsController::SetItem(QListView* list, int index)
{
    list->setFocus();
    m_lists->selectItem(sideOf(list), index);
    SetButtons();
}

void LevelsController::MoveSelected(QListView* source, QListView* target)
{
    Q_ASSERT(source != target);
    Q_UNUSED(target);
    m_lists->moveSelected(sideOf(source));
}

void LevelsController::moveAcross(QListView* source)
{
    const int first = GetFirstSelection(source);
    MoveSelected(source, listView(LevelLists::other(sideOf(source))));
    // The level that moved up into the first moved level's place is selected next, so repeated clicks move
    // consecutive levels.
    SetItem(source, first);
    UpdateListTotals();
}

void LevelsController::moveAllAcross(QListView* source)
{
    m_lists->moveAll(sideOf(source));
    SetItem(source, 0);
    UpdateListTotals();
}

void LevelsController::IncludeBtnClick()
{
    moveAcross(m_page.SrcList);
}
void LevelsController::ExcludeBtnClick()
{
    moveAcross(m_page.DstList);
}
void LevelsController::IncAllBtnClick()
{
    moveAllAcross(m_page.SrcList);
}
void LevelsController::ExcAllBtnClick()
{
    moveAllAcross(m_page.DstList);
}

void LevelsController::bbtnMoveUpClick(QObject* sender)
{
    m_lists->moveOnePlace(sender == m_page.bbtnMoveDown);
}

void LevelsController::bbtnMovetoTopClick()
{
    m_lists->moveToEnd(true);
}

void LevelsController::bbtnMovetoBottomClick()
{
    m_lists->moveToEnd(false);
}

void LevelsController::bbtnRandomizeClick()
{
    UpdateListTotals();
    // A fresh seed from the clock at every click.
    std::mt19937_64 random(std::uint64_t(std::chrono::system_clock::now().time_since_epoch().count()));
    m_lists->shuffle(random);
}

// ---- Skipped levels

bool LevelsController::ProcessSkippedLevels()
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
        ReportErrorOnce(e.text());
        return true;
    }
    PlayEventSound(QString::fromLatin1(snd::SkipFound), false);
    TfrmSkipList& dialog = skipListDialog();
    dialog.setEntries(entries);
    if (dialog.ask()) {
        m_lists->removeSkipped(dialog.selectedEntries());
        // A file that cannot be deleted is offered again next time; nothing to report.
        QFile::remove(path);
        UpdateListTotals();
        SetButtons();
    }
    return true;
}

void LevelsController::btnDelSkippedClick()
{
    if (!ProcessSkippedLevels())
        msgbox::information(m_page.window, QStringLiteral("No List"),
                            QStringLiteral("There is no skipped map list right now.  If you run Quake2 and skip "
                                           "maps, you'll be able to selectively delete them from your map list "
                                           "with this function."));
}

// ---- Verification before launch

void LevelsController::VerifyPlayList()
{
    // The installation as it is now: levels may have been added or removed since the lists were filled.
    LevelPresence presence(installation().quake2Dir() + q2::MapsSubdir, levels::mapsListPath(), &rescanGameLevels());
    QString answer;
    try {
        verifyPlayList(m_play, presence, isChecked(m_profile.autoRemove), answer,
                       [this](const QString& level, QString& verifyResult) {
                           TVerifyForm dialog(verifyResult, m_page.window);
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
        QListView* list = watched == ui.SrcList->viewport()   ? ui.SrcList
                          : watched == ui.DstList->viewport() ? ui.DstList
                                                              : nullptr;
        if (list != nullptr) {
            const auto* move = static_cast<QMouseEvent*>(event);
            const QPoint at = move->position().toPoint();
            guarded([&] { ListMouseMove(list, move->modifiers(), at.x(), at.y()); });
        }
    }
    return QObject::eventFilter(watched, event);
}

void LevelsController::ListMouseMove(QObject* sender, Qt::KeyboardModifiers shift, int x, int y)
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

    const QPointer<QLabel> label = list == ui.SrcList ? ui.lblSrcMapDesc : ui.lblDstMapDesc;
    // The name is taken now: while the label is painted below, a click may already change the list.
    const QString name = (list == ui.SrcList ? m_available : m_play).at(i);
    label->setText(QStringLiteral("Searching..."));
    QCoreApplication::processEvents();
    if (label.isNull())
        return;
    label->setText(gameLevels().description(name));
    m_lastHoverIndex = i;
}
