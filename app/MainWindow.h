#pragma once
#include "launch/LaunchHost.h"
#include "profiles/Profile.h"
#include "profiles/SessionState.h"
#include "profiles/SettingsHost.h"
#include "support/Sound.h"

#include <QPointer>
#include <QWidget>

#include <memory>

namespace Ui {
class MainWindow;
}
class LevelsController;
class SettingsController;
class LaunchController;
class MotdController;
class ProfileBinder;
class ServerWindow;

// The main window. It owns the controls, the settings as a Profile and the run's shared state, builds one
// controller per page, hands each its own controls, and connects what one page needs from another.
class MainWindow : public QWidget, public EventSounds, public SettingsHost, public LaunchHost {
    Q_OBJECT

public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    Ui::MainWindow& ui() { return *m_ui; }
    SessionState& state() { return m_state; }
    // The settings and the play list as they stand now.
    Profile& profile();
    const Profile& profile() const override;

    // Window life
    void initialise();
    void closeClicked();
    void helpClicked();
    // Creates the missing-level and skipped-levels dialogs, hidden.
    void createDialogs();

    // Sounds that follow the user's preference.
    void play(const QString& name, bool wait) override;

    LevelsController& levels() { return *m_levels; }
    SettingsController& settings() { return *m_settings; }
    LaunchController& launcher() { return *m_launch; }
    MotdController& motd() { return *m_motd; }
    ProfileBinder& binder() { return *m_binder; }

    // SettingsHost
    void writeLevelFiles() override;
    void reloadLevelLists() override;
    void settingsLoaded() override;
    void restart() override;

    // LaunchHost
    bool verifyPlayList() override;
    void closeWindow() override;
    void gameStarted(GameProcess* process) override;

protected:
    // Every way of closing the window saves the settings.
    void closeEvent(QCloseEvent* event) override;
    // Enter presses the focused button, or Go! when the focus is elsewhere.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void setupLook();
    // Which control shows which setting: one line a setting.
    void bindSettings();

    std::unique_ptr<Ui::MainWindow> m_ui;
    mutable Profile m_profile;
    SessionState m_state;
    std::unique_ptr<ProfileBinder> m_binder;
    std::unique_ptr<LevelsController> m_levels;
    std::unique_ptr<SettingsController> m_settings;
    std::unique_ptr<LaunchController> m_launch;
    std::unique_ptr<MotdController> m_motd;
    QPointer<ServerWindow> m_serverWindow;
};
