#include "profiles/SettingsController.h"

#include "profiles/PageRules.h"
#include "profiles/ProfileBinder.h"
#include "profiles/ProfileNameDialog.h"
#include "profiles/ProfileNames.h"
#include "profiles/ProfileStore.h"
#include "profiles/SessionState.h"
#include "profiles/SettingsHost.h"
#include "support/AppError.h"
#include "support/ErrorReport.h"
#include "support/Ini.h"
#include "support/Installation.h"
#include "support/MessageBoxes.h"
#include "support/Quake2Paths.h"
#include "support/RadioGroup.h"
#include "support/Sound.h"
#include "support/TextUtil.h"
#include "ui_ProfileNameDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMouseEvent>
#include <QPushButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QSlider>

#include <exception>

namespace {

const QString Untitled = QStringLiteral("untitled");

// Clears loadingSettings however the scope is left.
class LoadingScope {
public:
    explicit LoadingScope(bool& flag) : m_flag(flag) { m_flag = true; }
    ~LoadingScope() { m_flag = false; }
    LoadingScope(const LoadingScope&) = delete;
    LoadingScope& operator=(const LoadingScope&) = delete;

private:
    bool& m_flag;
};

} // namespace

SettingsController::SettingsController(const SettingsPage& page, Profile& profile, ProfileBinder& binder,
                                       SessionState& state, EventSounds& sounds, SettingsHost& host)
    : m_page(page), m_profile(profile), m_binder(binder), m_state(state), m_sounds(sounds), m_host(host)
{
    connect(m_page.rsServType, &RadioGroup::clicked, this, guard([this] { serverTypeClicked(); }));
    connect(m_page.tbKickback, &QSlider::valueChanged, this, guard([this] { kickbackChanged(); }));
    connect(m_page.tbEmpathy, &QSlider::valueChanged, this, guard([this] { empathyChanged(); }));
    // Every change of these boxes runs their handler, also when a load sets them.
    connect(m_page.cbUseEmpathy, &QCheckBox::stateChanged, this, guard([this] { useEmpathyClicked(); }));
    connect(m_page.cbSoundDisable, &QCheckBox::stateChanged, this, guard([this] { soundDisableClicked(); }));
    m_page.lblEmpathyPicture->installEventFilter(this);
    m_page.lblEmpathyPicture->setCursor(Qt::PointingHandCursor);

    for (QLineEdit* edit : std::as_const(m_page.numericEdits))
        edit->installEventFilter(this);
    // A double quote would end the value early in the config script and run the rest as console commands;
    // a semicolon in the skip key would end its bind command. Neither can be typed or pasted.
    for (QLineEdit* edit : std::as_const(m_page.quotedEdits))
        edit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[^\"]*")), edit));
    if (m_page.edSkipKey)
        m_page.edSkipKey->setValidator(
            new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[^\";]*")), m_page.edSkipKey));

    connect(m_page.resetAllButton, &QPushButton::clicked, this, guard([this] { resetAllClicked(); }));

    // Only a pick by the user switches profiles; the program's own selection changes do not.
    connect(m_page.cbCurrentUserFiles, &QComboBox::activated, this, guard([this] { currentProfileChanged(); }));
    connect(m_page.newProfileButton, &QPushButton::clicked, this, guard([this] { newOrCopyProfileClicked(true); }));
    connect(m_page.copyProfileButton, &QPushButton::clicked, this, guard([this] { newOrCopyProfileClicked(false); }));
    connect(m_page.deleteProfileButton, &QPushButton::clicked, this, guard([this] { deleteProfileClicked(); }));
}

SettingsController::~SettingsController() = default;

// ---- Loading and saving -------------------------------------------------------------------------------------------

void SettingsController::loadIniValues()
{
    try {
        loadSettings();
    } catch (...) {
        // The caller's remaining steps do not run; leave no half-load flag that would silence the window for good.
        m_state.loadingSettings = false;
        throw;
    }
}

void SettingsController::loadSettings()
{
    Profile loaded = m_profile;
    const profilestore::LoadOutcome outcome = profilestore::load(loaded, installation(), m_state.pak2Present);
    m_unreadableFiles = outcome.unreadable;
    // The handlers run around each key in the order the keys are read, as the controls take them one by one.
    const QList<SettingKey>& keys = settingkeys::readOrder();
    for (int i = 0; i < outcome.keysRead; ++i) {
        const SettingKey& key = keys[i];
        if (key.hook == LoadHook::FillConfigList)
            runLoadHook(key.hook);
        settingkeys::setStoredValue(m_profile, key, settingkeys::storedValue(loaded, key));
        m_binder.show(key);
        if (key.hook != LoadHook::FillConfigList)
            runLoadHook(key.hook);
    }
    fillProfileList();
    m_host.settingsLoaded();
    if (outcome.error)
        std::rethrow_exception(outcome.error);
}

void SettingsController::runLoadHook(LoadHook hook)
{
    switch (hook) {
    case LoadHook::None:
        break;
    case LoadHook::SoundSwitch:
        soundDisableClicked();
        break;
    case LoadHook::EmpathyPanel:
        useEmpathyClicked();
        break;
    case LoadHook::VWepEnable:
        m_page.chkUseVWeap->setEnabled(m_state.pak2Present);
        break;
    case LoadHook::TrackBarLabels:
        kickbackChanged();
        empathyChanged();
        break;
    case LoadHook::FillConfigList:
        fillComboFromFiles(installation().quake2Dir() + q2::ConfigSubdir + q2::ConfigPattern, m_page.cbConfigFiles);
        break;
    }
}

void SettingsController::writeUserSettings()
{
    m_binder.takeAll();
    profilestore::save(m_profile, installation(), m_unreadableFiles);
    m_host.writeLevelFiles();
}

void SettingsController::fillComboFromFiles(const QString& pattern, QComboBox* box)
{
    box->clear();
    box->clearEditText();
    const QStringList names = listMatchingEntries(pattern);
    const QStringList entries = box == m_page.cbCurrentUserFiles
                                    ? profileEntries(names, installation().exeBaseName())
                                    : configEntries(names);
    box->addItems(entries);
    box->setCurrentIndex(entries.isEmpty() ? -1 : 0);
}

void SettingsController::fillProfileList()
{
    QComboBox* box = m_page.cbCurrentUserFiles;
    fillComboFromFiles(installation().programDir() + QStringLiteral("*.ini"), box);
    const int current = indexOfProfile(profileListEntries(), m_profile.currentUser);
    if (current >= 0)
        box->setCurrentIndex(current);
    if (box->count() == 0) {
        box->addItem(Untitled);
        box->setCurrentIndex(0);
    }
}

QStringList SettingsController::profileListEntries() const
{
    const QComboBox* box = m_page.cbCurrentUserFiles;
    QStringList names;
    for (int i = 0; i < box->count(); ++i)
        names.append(box->itemText(i));
    return names;
}

// ---- Settings pages -----------------------------------------------------------------------------------------------

void SettingsController::serverTypeClicked()
{
    const bool dedicated = m_page.rsServType->itemIndex() == 1;
    m_page.cbRemoteConsole->setEnabled(dedicated);
    m_page.edROPW->setEnabled(dedicated);
    m_page.lblRconPassword->setEnabled(dedicated);
}

void SettingsController::kickbackChanged()
{
    m_page.lblKickVal->setText(kickbackText(m_page.tbKickback->value()));
}

void SettingsController::empathyChanged()
{
    const EmpathyLabels labels = empathyLabelsFor(m_page.tbEmpathy->value(), QLocale::system());
    m_page.lblT1->setText(labels.firstThreshold);
    m_page.lblT2->setText(labels.secondThreshold);
    m_page.lblT3->setText(labels.lastThreshold);
    m_page.lblFactor->setText(labels.factor);
}

void SettingsController::useEmpathyClicked()
{
    const bool checked = m_page.cbUseEmpathy->checkState() == Qt::Checked;
    if (m_state.soundsEnabled && checked && !m_state.loadingSettings)
        m_sounds.play(QString::fromLatin1(snd::Empathy), false);
    m_page.pnEmp->setVisible(checked);
}

void SettingsController::empathyPictureClicked()
{
    // The picture only ever switches handicapping on.
    m_page.cbUseEmpathy->setCheckState(Qt::Checked);
}

bool SettingsController::acceptsNumericKey(const QString& typed)
{
    for (const QChar c : typed)
        if (!isNumericEditKey(c))
            return false;
    return true;
}

void SettingsController::soundDisableClicked()
{
    m_state.soundsEnabled = m_page.cbSoundDisable->checkState() == Qt::Unchecked;
}

bool SettingsController::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && m_page.numericEdits.contains(watched)) {
        const auto* key = static_cast<QKeyEvent*>(event);
        // Shortcuts (Ctrl+V and the like) are commands, not typed characters.
        const bool shortcut = key->modifiers() & (Qt::ControlModifier | Qt::MetaModifier);
        if (!shortcut && !acceptsNumericKey(key->text()))
            return true;
    } else if (event->type() == QEvent::MouseButtonPress && watched == m_page.lblEmpathyPicture) {
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
            guarded([this] { empathyPictureClicked(); });
    }
    return QObject::eventFilter(watched, event);
}

void SettingsController::resetAllClicked()
{
    m_sounds.play(QString::fromLatin1(snd::Confirm), false);
    if (!msgbox::confirm(m_page.window, QStringLiteral("Are you sure you want to reset all settings to defaults?")))
        return;
    QFile::remove(installation().iniPath(m_profile.currentUser)); // a missing file is fine
    QCoreApplication::processEvents();
    m_host.restart();
}

// ---- Profiles -----------------------------------------------------------------------------------------------------

void SettingsController::newCurrentUser()
{
    // A program INI the load could not read is left as it is, as the saves leave it.
    if (!m_unreadableFiles.contains(installation().programIniPath()))
        writeProgramSetting(settingkeys::Section, QStringLiteral("CurrentUser"), m_profile.currentUser);
    std::exception_ptr loadError;
    {
        LoadingScope loading(m_state.loadingSettings);
        try {
            loadSettings();
        } catch (const AppError&) {
            // The settings stop at the bad key, but the lists must still be the new profile's: the next save
            // writes them under its name.
            loadError = std::current_exception();
        }
        m_host.reloadLevelLists();
    }
    if (loadError)
        std::rethrow_exception(loadError);
}

void SettingsController::currentProfileChanged()
{
    QComboBox* box = m_page.cbCurrentUserFiles;
    const QString picked = box->currentText();
    try {
        writeUserSettings();
    } catch (...) {
        // The outgoing profile could not be saved, so it stays current; show it as such.
        const int current = indexOfProfile(profileListEntries(), m_profile.currentUser);
        if (current >= 0)
            box->setCurrentIndex(current);
        throw;
    }
    m_profile.currentUser = picked == u"none" ? Untitled : picked;
    newCurrentUser();
}

void SettingsController::newOrCopyProfileClicked(bool newButton)
{
    m_creatingNewProfile = newButton;
    ProfileNameDialog dialog(m_page.window);
    if (newButton) {
        dialog.ui().lblProfile->setText(QStringLiteral("What do you want to call the new profile?"));
        dialog.setWindowTitle(QStringLiteral("New Deathmatch Profile"));
    } else {
        dialog.ui().lblProfile->setText(QStringLiteral("What name do you want to copy the current profile to?"));
        dialog.setWindowTitle(QStringLiteral("Copy Deathmatch Profile"));
    }
    connect(dialog.ui().okButton, &QPushButton::clicked, &dialog, [this, &dialog] {
        bool close = true; // a failed save ends the dialog too, after its report
        guarded([&] { close = profileNameOkClicked(dialog); });
        if (close)
            dialog.accept();
    });
    connect(dialog.ui().cancelButton, &QPushButton::clicked, &dialog,
            [this, &dialog] { profileNameCancelClicked(dialog); });
    connect(&dialog, &QDialog::rejected, m_page.window, [this] { m_page.window->activateWindow(); });
    dialog.run();
}

bool SettingsController::profileNameOkClicked(ProfileNameDialog& dialog)
{
    QLineEdit* nameEdit = dialog.ui().edProfileName;
    QString name = nameEdit->text();
    const QStringList listed = profileListEntries();
    const int existing = indexOfProfile(listed, name);
    if (existing >= 0 &&
        !msgbox::confirm(&dialog, QStringLiteral("A profile with that name already exists.  Overwrite?"))) {
        nameEdit->clear();
        nameEdit->setFocus();
        return false;
    }
    // File names differ by letter case here, unlike on the systems the profiles were made for: an overwrite goes
    // to the listed profile's own files, and the program's name to the program INI itself.
    if (existing >= 0)
        name = listed[existing];
    else if (QString::compare(name, installation().exeBaseName(), Qt::CaseInsensitive) == 0)
        name = installation().exeBaseName();

    writeUserSettings();
    m_profile.currentUser = name;
    if (m_creatingNewProfile)
        newCurrentUser();

    QComboBox* box = m_page.cbCurrentUserFiles;
    int index = indexOfProfile(profileListEntries(), name);
    if (index < 0) {
        index = sortedInsertPosition(profileListEntries(), name);
        box->insertItem(index, name);
    }
    box->setCurrentIndex(index);
    return true;
}

void SettingsController::profileNameCancelClicked(ProfileNameDialog& dialog)
{
    dialog.reject();
}

void SettingsController::deleteProfileClicked()
{
    m_sounds.play(QString::fromLatin1(snd::Confirm), false);
    if (!msgbox::confirm(m_page.window, QStringLiteral("Are you sure you want to delete this profile?")))
        return;
    const QString user = m_profile.currentUser;
    QFile::remove(installation().iniPath(user)); // missing files are fine
    QFile::remove(installation().profileLevelsPath(user));
    QCoreApplication::processEvents();
    m_profile.currentUser = Untitled;
    newCurrentUser();
}
