#include "profiles/SettingsController.h"

#include "app/MainForm.h"
#include "app/Quake2Paths.h"
#include "profiles/NewProfileForm.h"
#include "profiles/PageRules.h"
#include "profiles/ProfileNames.h"
#include "support/AppError.h"
#include "support/ErrorReport.h"
#include "support/Ini.h"
#include "support/Installation.h"
#include "support/MessageBoxes.h"
#include "support/RadioGroup.h"
#include "support/Sound.h"
#include "support/TextUtil.h"
#include "ui_MainForm.h"
#include "ui_NewProfileForm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMouseEvent>
#include <QPushButton>
#include <QSlider>

#include <exception>

namespace {

const QString Untitled = QStringLiteral("untitled");

// Clears LoadingSettings however the scope is left.
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

SettingsController::SettingsController(Tmainform& form) : m_form(form)
{
    Ui::Tmainform& ui = form.ui();

    connect(ui.rsServType, &RadioGroup::clicked, this, guard([this] { rsServTypeClick(); }));
    connect(ui.tbKickback, &QSlider::valueChanged, this, guard([this] { tbKickbackChange(); }));
    connect(ui.tbEmpathy, &QSlider::valueChanged, this, guard([this] { tbEmpathyChange(); }));
    // Every change of these boxes runs their handler, also when a load sets them.
    connect(ui.cbUseEmpathy, &QCheckBox::stateChanged, this, guard([this] { cbUseEmpathyClick(); }));
    connect(ui.cbSoundDisable, &QCheckBox::stateChanged, this, guard([this] { cbSoundDisableClick(); }));
    ui.Image2->installEventFilter(this);
    ui.Image2->setCursor(Qt::PointingHandCursor);

    for (QLineEdit* edit : {ui.edFragLimit, ui.edTimeLimit, ui.edMaxClients, ui.edTimeOut, ui.edPort}) {
        edit->installEventFilter(this);
        m_numericEdits.append(edit);
    }
    for (QLineEdit* edit : {ui.edFragLimit, ui.edTimeLimit, ui.edMaxClients, ui.edTimeOut, ui.edPort, ui.edSkipKey,
                            ui.edHost, ui.edPW, ui.edROPW}) {
        const int limit = edit->maxLength();
        m_typingLimits.insert(edit, limit);
        // An over-long stored value lifts the limit while it is shown; once the text fits, typing is limited again.
        connect(edit, &QLineEdit::textChanged, this, [edit, limit] {
            if (edit->maxLength() != limit && edit->text().size() <= limit)
                edit->setMaxLength(limit);
        });
    }

    connect(ui.defaults, &QPushButton::clicked, this, guard([this] { defaultsClick(); }));

    // Only a pick by the user switches profiles; the program's own selection changes do not.
    connect(ui.cbCurrentUserFiles, &QComboBox::activated, this, guard([this] { cbCurrentUserFilesChange(); }));
    connect(ui.bbtnNewProfile, &QPushButton::clicked, this, guard([this] { bbtnNewProfileClick(true); }));
    connect(ui.bbtnCopyProfile, &QPushButton::clicked, this, guard([this] { bbtnNewProfileClick(false); }));
    connect(ui.bbtnDeleteProfile, &QPushButton::clicked, this, guard([this] { bbtnDeleteProfileClick(); }));
}

SettingsController::~SettingsController() = default;

// ---- Loading and saving -------------------------------------------------------------------------------------------

void SettingsController::LoadIniValues()
{
    try {
        loadSettings();
    } catch (...) {
        // The caller's remaining steps do not run; leave no half-load flag that would silence the window for good.
        m_form.state().LoadingSettings = false;
        throw;
    }
}

void SettingsController::loadSettings()
{
    MainState& state = m_form.state();
    for (const SettingKey& key : settingkeys::programKeys()) {
        const QString value = ReadProgramSetting(settingkeys::Section, key.key, key.defaultValue);
        if (key.control.isEmpty())
            state.CurrentUser = value;
        else
            applyValue(key, value);
        runLoadHook(key.hook);
    }
    for (const SettingKey& key : settingkeys::profileKeys()) {
        if (key.hook == LoadHook::FillConfigList)
            runLoadHook(key.hook);
        const QString value = ReadIniSetting(state.CurrentUser, settingkeys::Section, key.key,
                                             settingkeys::defaultFor(key, state.Pak2Present));
        applyValue(key, value);
        if (key.hook != LoadHook::FillConfigList)
            runLoadHook(key.hook);
    }
    fillProfileList();
    m_form.ui().lblSrcMapDesc->clear();
    m_form.ui().lblDstMapDesc->clear();
}

void SettingsController::runLoadHook(LoadHook hook)
{
    Ui::Tmainform& ui = m_form.ui();
    switch (hook) {
    case LoadHook::None:
        break;
    case LoadHook::SoundSwitch:
        cbSoundDisableClick();
        break;
    case LoadHook::EmpathyPanel:
        cbUseEmpathyClick();
        break;
    case LoadHook::VWepEnable:
        ui.chkUseVWeap->setEnabled(m_form.state().Pak2Present);
        break;
    case LoadHook::TrackBarLabels:
        tbKickbackChange();
        tbEmpathyChange();
        break;
    case LoadHook::FillConfigList:
        FillComboFromFiles(installation().programDir() + q2::RelConfigDir + q2::ConfigPattern, ui.cbConfigFiles);
        break;
    }
}

QWidget* SettingsController::control(const QString& objectName) const
{
    auto* widget = m_form.findChild<QWidget*>(objectName);
    if (widget == nullptr)
        qWarning("Velstrom: the form has no control named %s", qUtf8Printable(objectName));
    return widget;
}

void SettingsController::applyValue(const SettingKey& key, const QString& value)
{
    QWidget* widget = control(key.control);
    switch (key.kind) {
    case SettingKind::Check:
        if (auto* box = qobject_cast<QCheckBox*>(widget))
            box->setCheckState(TextToCheckState(value));
        break;
    case SettingKind::Text:
        if (auto* edit = qobject_cast<QLineEdit*>(widget))
            setStoredText(edit, value);
        else if (auto* combo = qobject_cast<QComboBox*>(widget))
            combo->setEditText(value);
        break;
    case SettingKind::Index: {
        const int index = toIntOrThrow(value);
        if (auto* group = qobject_cast<RadioGroup*>(widget))
            group->setItemIndex(index);
        break;
    }
    case SettingKind::Position: {
        const int position = toIntOrThrow(value);
        if (auto* slider = qobject_cast<QSlider*>(widget))
            slider->setValue(position);
        break;
    }
    }
}

QString SettingsController::valueOf(const SettingKey& key) const
{
    if (key.control.isEmpty())
        return m_form.state().CurrentUser;
    QWidget* widget = control(key.control);
    switch (key.kind) {
    case SettingKind::Check:
        if (auto* box = qobject_cast<QCheckBox*>(widget))
            return CheckStateToText(box->checkState());
        break;
    case SettingKind::Text:
        if (auto* edit = qobject_cast<QLineEdit*>(widget))
            return edit->text();
        if (auto* combo = qobject_cast<QComboBox*>(widget))
            return combo->currentText();
        break;
    case SettingKind::Index:
        if (auto* group = qobject_cast<RadioGroup*>(widget))
            return QString::number(group->itemIndex());
        break;
    case SettingKind::Position:
        if (auto* slider = qobject_cast<QSlider*>(widget))
            return QString::number(slider->value());
        break;
    }
    return key.defaultValue;
}

void SettingsController::setStoredText(QLineEdit* edit, const QString& text)
{
    // The length limit is for typing only: a stored value is shown, and saved back, as it stands.
    const int limit = m_typingLimits.value(edit, edit->maxLength());
    if (text.size() > limit)
        edit->setMaxLength(int(text.size()));
    edit->setText(text);
}

void SettingsController::WriteUserSettings()
{
    const QString& user = m_form.state().CurrentUser;
    for (const SettingKey& key : settingkeys::writeOrder()) {
        if (key.file == SettingFile::Program)
            WriteProgramSetting(settingkeys::Section, key.key, valueOf(key));
        else
            WriteIniSetting(user, settingkeys::Section, key.key, valueOf(key));
    }
    m_form.WriteLevelFiles();
}

void SettingsController::FillComboFromFiles(const QString& pattern, QComboBox* box)
{
    box->clear();
    box->clearEditText();
    const QStringList names = listMatchingEntries(pattern);
    const QStringList entries = box == m_form.ui().cbCurrentUserFiles
                                    ? profileEntries(names, installation().exeBaseName())
                                    : configEntries(names);
    box->addItems(entries);
    box->setCurrentIndex(entries.isEmpty() ? -1 : 0);
}

void SettingsController::fillProfileList()
{
    QComboBox* box = m_form.ui().cbCurrentUserFiles;
    FillComboFromFiles(installation().programDir() + QStringLiteral("*.ini"), box);
    const int current = indexOfProfile(profileListEntries(), m_form.state().CurrentUser);
    if (current >= 0)
        box->setCurrentIndex(current);
    if (box->count() == 0) {
        box->addItem(Untitled);
        box->setCurrentIndex(0);
    }
}

QStringList SettingsController::profileListEntries() const
{
    const QComboBox* box = m_form.ui().cbCurrentUserFiles;
    QStringList names;
    for (int i = 0; i < box->count(); ++i)
        names.append(box->itemText(i));
    return names;
}

// ---- Settings pages -----------------------------------------------------------------------------------------------

void SettingsController::rsServTypeClick()
{
    Ui::Tmainform& ui = m_form.ui();
    const bool dedicated = ui.rsServType->itemIndex() == 1;
    ui.cbRemoteConsole->setEnabled(dedicated);
    ui.edROPW->setEnabled(dedicated);
    ui.Label5->setEnabled(dedicated);
}

void SettingsController::tbKickbackChange()
{
    m_form.ui().lblKickVal->setText(kickbackText(m_form.ui().tbKickback->value()));
}

void SettingsController::tbEmpathyChange()
{
    Ui::Tmainform& ui = m_form.ui();
    const EmpathyLabels labels = empathyLabelsFor(ui.tbEmpathy->value(), QLocale::system());
    ui.lblT1->setText(labels.firstThreshold);
    ui.lblT2->setText(labels.secondThreshold);
    ui.lblT3->setText(labels.lastThreshold);
    ui.lblFactor->setText(labels.factor);
}

void SettingsController::cbUseEmpathyClick()
{
    const MainState& state = m_form.state();
    const bool checked = m_form.ui().cbUseEmpathy->checkState() == Qt::Checked;
    if (state.SoundsEnabled && checked && !state.LoadingSettings)
        m_form.PlaySoundEvent(QString::fromLatin1(snd::Empathy), false);
    m_form.ui().pnEmp->setVisible(checked);
}

void SettingsController::Image2Click()
{
    // The picture only ever switches handicapping on.
    m_form.ui().cbUseEmpathy->setCheckState(Qt::Checked);
}

bool SettingsController::edFragLimitKeyPress(const QString& typed)
{
    for (const QChar c : typed)
        if (!isNumericEditKey(c))
            return false;
    return true;
}

void SettingsController::cbSoundDisableClick()
{
    m_form.state().SoundsEnabled = m_form.ui().cbSoundDisable->checkState() == Qt::Unchecked;
}

bool SettingsController::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && m_numericEdits.contains(watched)) {
        const auto* key = static_cast<QKeyEvent*>(event);
        // Shortcuts (Ctrl+V and the like) are commands, not typed characters.
        const bool shortcut = key->modifiers() & (Qt::ControlModifier | Qt::MetaModifier);
        if (!shortcut && !edFragLimitKeyPress(key->text()))
            return true;
    } else if (event->type() == QEvent::MouseButtonPress && watched == m_form.ui().Image2) {
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
            guarded([this] { Image2Click(); });
    }
    return QObject::eventFilter(watched, event);
}

void SettingsController::defaultsClick()
{
    m_form.PlaySoundEvent(QString::fromLatin1(snd::Confirm), false);
    if (!msgbox::confirm(&m_form, QStringLiteral("Are you sure you want to reset all settings to defaults?")))
        return;
    QFile::remove(installation().iniPath(m_form.state().CurrentUser)); // a missing file is fine
    QDir::setCurrent(installation().programDir());
    QCoreApplication::processEvents();
    m_form.FormCreate();
    m_form.ckOrigLevelsClick();
}

// ---- Profiles -----------------------------------------------------------------------------------------------------

void SettingsController::NewCurrentUser()
{
    MainState& state = m_form.state();
    WriteProgramSetting(settingkeys::Section, QStringLiteral("CurrentUser"), state.CurrentUser);
    std::exception_ptr loadError;
    {
        LoadingScope loading(state.LoadingSettings);
        try {
            loadSettings();
        } catch (const AppError&) {
            // The settings stop at the bad key, but the lists must still be the new profile's: the next save
            // writes them under its name.
            loadError = std::current_exception();
        }
        m_form.clearLevelLists();
        m_form.LoadPlayList();
        m_form.ProcessSkippedLevels();
    }
    if (loadError)
        std::rethrow_exception(loadError);
}

void SettingsController::cbCurrentUserFilesChange()
{
    QComboBox* box = m_form.ui().cbCurrentUserFiles;
    const QString picked = box->currentText();
    try {
        WriteUserSettings();
    } catch (...) {
        // The outgoing profile could not be saved, so it stays current; show it as such.
        const int current = indexOfProfile(profileListEntries(), m_form.state().CurrentUser);
        if (current >= 0)
            box->setCurrentIndex(current);
        throw;
    }
    m_form.state().CurrentUser = picked == u"none" ? Untitled : picked;
    NewCurrentUser();
}

void SettingsController::bbtnNewProfileClick(bool newButton)
{
    m_creatingNewProfile = newButton;
    TNewProfileForm dialog(&m_form);
    if (newButton) {
        dialog.ui().lblProfile->setText(QStringLiteral("What do you want to call the new profile?"));
        dialog.setWindowTitle(QStringLiteral("New Deathmatch Profile"));
    } else {
        dialog.ui().lblProfile->setText(QStringLiteral("What name do you want to copy the current profile to?"));
        dialog.setWindowTitle(QStringLiteral("Copy Deathmatch Profile"));
    }
    connect(dialog.ui().bbtnNewOK, &QPushButton::clicked, &dialog, [this, &dialog] {
        bool close = true; // a failed save ends the dialog too, after its report
        guarded([&] { close = bbtnNewOKClick(dialog); });
        if (close)
            dialog.accept();
    });
    connect(dialog.ui().bbtnNewCancel, &QPushButton::clicked, &dialog, [this, &dialog] { bbtnNewCancelClick(dialog); });
    connect(&dialog, &QDialog::rejected, &m_form, [this] { m_form.activateWindow(); });
    dialog.run();
}

bool SettingsController::bbtnNewOKClick(TNewProfileForm& dialog)
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

    WriteUserSettings();
    m_form.state().CurrentUser = name;
    if (m_creatingNewProfile)
        NewCurrentUser();

    QComboBox* box = m_form.ui().cbCurrentUserFiles;
    int index = indexOfProfile(profileListEntries(), name);
    if (index < 0) {
        index = sortedInsertPosition(profileListEntries(), name);
        box->insertItem(index, name);
    }
    box->setCurrentIndex(index);
    return true;
}

void SettingsController::bbtnNewCancelClick(TNewProfileForm& dialog)
{
    dialog.reject();
}

void SettingsController::bbtnDeleteProfileClick()
{
    m_form.PlaySoundEvent(QString::fromLatin1(snd::Confirm), false);
    if (!msgbox::confirm(&m_form, QStringLiteral("Are you sure you want to delete this profile?")))
        return;
    const QString& user = m_form.state().CurrentUser;
    QFile::remove(installation().iniPath(user)); // missing files are fine
    QFile::remove(installation().file(user + q2::ProfileLevelsSuffix));
    QDir::setCurrent(installation().programDir());
    QCoreApplication::processEvents();
    m_form.state().CurrentUser = Untitled;
    NewCurrentUser();
}
