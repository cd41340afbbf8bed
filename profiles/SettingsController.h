#pragma once
#include "profiles/SettingKeys.h"

#include <QList>
#include <QObject>
#include <QString>

class EventSounds;
class ProfileBinder;
class RadioGroup;
class SettingsHost;
class ProfileNameDialog;
struct SessionState;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class QWidget;

// The controls of the settings pages and of the profile row that the settings handlers work on.
struct SettingsPage {
    QWidget* window = nullptr; // parent of the dialogs and message boxes
    RadioGroup* rsServType = nullptr;
    QCheckBox* cbRemoteConsole = nullptr;
    QLineEdit* edROPW = nullptr;
    QLabel* lblRconPassword = nullptr;
    QSlider* tbKickback = nullptr;
    QLabel* lblKickVal = nullptr;
    QSlider* tbEmpathy = nullptr;
    QLabel* lblT1 = nullptr;
    QLabel* lblT2 = nullptr;
    QLabel* lblT3 = nullptr;
    QLabel* lblFactor = nullptr;
    QCheckBox* cbUseEmpathy = nullptr;
    QWidget* pnEmp = nullptr;
    QWidget* lblEmpathyPicture = nullptr;
    QCheckBox* cbSoundDisable = nullptr;
    QCheckBox* chkUseVWeap = nullptr;
    QComboBox* cbConfigFiles = nullptr;
    QList<QLineEdit*> numericEdits; // edFragLimit, edTimeLimit, edMaxClients, edTimeOut, edPort
    QList<QLineEdit*> quotedEdits;  // edHost, edPW, edROPW: written between double quotes in Velstrom.cfg
    QLineEdit* edSkipKey = nullptr;
    QPushButton* resetAllButton = nullptr;
    QComboBox* cbCurrentUserFiles = nullptr;
    QPushButton* newProfileButton = nullptr;
    QPushButton* copyProfileButton = nullptr;
    QPushButton* deleteProfileButton = nullptr;
};

// The settings pages, the INI files behind them and the profiles: loading every setting into its control,
// saving them back, Reset All, and switching, creating, copying and deleting profiles.
class SettingsController : public QObject {
    Q_OBJECT

public:
    SettingsController(const SettingsPage& page, Profile& profile, ProfileBinder& binder, SessionState& state,
                       EventSounds& sounds, SettingsHost& host);
    ~SettingsController() override;

    // Puts the program INI and the current profile's INI into the profile and the controls, every missing key at
    // its default. A Teamplay, ServerType, KickBack or Empathy that is not an integer takes its default, and so does
    // an invalid profile name; everything else still loads, then the first such error is thrown (AppError), with
    // loadingSettings cleared so that the window stays fully usable.
    void loadIniValues();
    // Writes the program INI and the current profile's INI from the controls, then the level files. A refused
    // write stops the save at that key (AppError "Unable to write to <path>").
    void writeUserSettings();
    // Makes CurrentUser the current profile everywhere: program INI, settings, both level lists.
    void newCurrentUser();

    // Refills a combo box with the names of the directory entries matching `pattern`, then selects entry 0.
    void fillComboFromFiles(const QString& pattern, QComboBox* box);

    // Settings pages
    void serverTypeClicked();
    void kickbackChanged();
    void empathyChanged();
    void useEmpathyClicked();
    void empathyPictureClicked();
    // The numeric edits' key rule; false drops the key press.
    static bool acceptsNumericKey(const QString& typed);
    void soundDisableClicked();
    void resetAllClicked();

    // Profiles
    void currentProfileChanged();
    void newOrCopyProfileClicked(bool newButton);
    void deleteProfileClicked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void loadSettings();
    void runLoadHook(LoadHook hook);
    void fillProfileList();
    QStringList profileListEntries() const;

    // The profile dialog's buttons. OK answers whether the dialog may close.
    bool profileNameOkClicked(ProfileNameDialog& dialog);
    void profileNameCancelClicked(ProfileNameDialog& dialog);

    SettingsPage m_page;
    Profile& m_profile;
    ProfileBinder& m_binder;
    SessionState& m_state;
    EventSounds& m_sounds;
    SettingsHost& m_host;
    bool m_creatingNewProfile = false;
    // INI files the last load could not read; the saves leave them alone.
    QStringList m_unreadableFiles;
};
