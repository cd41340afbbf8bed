#pragma once
#include "launch/ServerStatus.h"
#include "levels/GameLevels.h"
#include "profiles/Profile.h"

#include <QPointer>
#include <QWidget>

#include <functional>
#include <optional>

class GameProcess;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;
class ServerQuery;

// The running server at a glance: its state, level, host name and players, with its remote console, its own
// console output (for a server this run started) and a way to stop it. A modeless tool window of the main window;
// closing it only stops the questions, never the server.
//
// The window keeps the game it was given as its own child: the game stays watched for as long as the window
// exists (the main window's lifetime), and a later Go replaces it. A null game is a server started elsewhere,
// shown by its status alone.
class ServerWindow : public QWidget {
    Q_OBJECT

public:
    // Asks for the text to say to all players; empty when the user cancels.
    using TextPrompt = std::function<std::optional<QString>(QWidget* parent)>;

    // Shows the main window's server window for this server, creating it the first time.
    static ServerWindow* showFor(QWidget* mainWindow, const Profile& profile, const QString& quake2Dir,
                                 GameProcess* process);
    // Test seam for "Say…"; an empty function restores the dialog.
    static void setSayPrompt(TextPrompt prompt);

    explicit ServerWindow(QWidget* mainWindow);
    ~ServerWindow() override;

    void watch(const Profile& profile, const QString& quake2Dir, GameProcess* process);
    GameProcess* process() const;
    // Puts a status into the window as if the server had sent it.
    void showStatus(const server::Status& status);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void build();
    void showState();
    void sendCommand(const QString& command);
    void say();
    void stopServer();
    void gameEnded();
    void appendOutput(const QByteArray& bytes);
    QString levelText(const QString& levelName);

    QLabel* m_address = nullptr;
    QLabel* m_state = nullptr;
    QLabel* m_level = nullptr;
    QLabel* m_hostName = nullptr;
    QLabel* m_players = nullptr;
    QTableWidget* m_table = nullptr;
    QLabel* m_rconHint = nullptr;
    QPlainTextEdit* m_rconOutput = nullptr;
    QLineEdit* m_rconCommand = nullptr;
    QPushButton* m_rconSend = nullptr;
    QPushButton* m_skipLevel = nullptr;
    QPushButton* m_say = nullptr;
    QPushButton* m_stop = nullptr;
    QGroupBox* m_serverOutputBox = nullptr;
    QPlainTextEdit* m_serverOutput = nullptr; // the started server's console output as it comes

    ServerQuery* m_query = nullptr;
    QPointer<GameProcess> m_process;
    QString m_quake2Dir;
    levels::LevelSearch m_levelSearch;
    QString m_rconPassword;
    bool m_rcon = false;
    // Reading a title can mean reading the whole level file: once per level.
    QString m_levelName;
    QString m_levelText;
};
