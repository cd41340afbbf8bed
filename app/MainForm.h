#pragma once
#include "app/MainState.h"

#include <QWidget>

#include <memory>

namespace Ui {
class Tmainform;
}
class LevelsController;
class SettingsController;
class LaunchController;
class MotdController;

// The main window. It owns the controls and the shared state; each subsystem's controller wires the
// handlers of its own controls and reaches the others through the operations below.
class Tmainform : public QWidget {
    Q_OBJECT

public:
    explicit Tmainform(QWidget* parent = nullptr);
    ~Tmainform() override;

    Ui::Tmainform& ui() { return *m_ui; }
    MainState& state() { return m_state; }

    // Window life
    void FormCreate();
    void BitBtn3Click();
    void btnHelpClick();
    // Creates the missing-level and skipped-levels dialogs, hidden.
    void createDialogs();

    // Sounds that follow the user's preference.
    void PlaySoundEvent(const QString& name, bool wait);

    // Level lists
    void LoadPlayList();
    void FillAvailableLevels();
    void SetButtons();
    void UpdateListTotals();
    bool ProcessSkippedLevels();
    void ckOrigLevelsClick();
    void VerifyPlayList();
    void clearLevelLists();
    QStringList playList() const;

    // Settings and profiles
    void LoadIniValues();
    void WriteUserSettings();
    void NewCurrentUser();

    // Message of the day
    void GetServerMsg();
    void WriteServerMessage();

    // Level files, configuration script and launch
    void WriteLevelFiles();
    void WriteServerConfig();

    LevelsController& levels() { return *m_levels; }
    SettingsController& settings() { return *m_settings; }
    LaunchController& launcher() { return *m_launch; }
    MotdController& motd() { return *m_motd; }

protected:
    // Every way of closing the window saves the settings.
    void closeEvent(QCloseEvent* event) override;
    // Enter presses the focused button, or Go! when the focus is elsewhere.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void setupLook();

    std::unique_ptr<Ui::Tmainform> m_ui;
    MainState m_state;
    std::unique_ptr<LevelsController> m_levels;
    std::unique_ptr<SettingsController> m_settings;
    std::unique_ptr<LaunchController> m_launch;
    std::unique_ptr<MotdController> m_motd;
};
