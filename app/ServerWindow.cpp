#include "app/ServerWindow.h"

#include "launch/EngineFinder.h"
#include "launch/ServerQuery.h"
#include "launch/StartFailure.h"
#include "levels/GameLevels.h"
#include "levels/LevelTitle.h"
#include "support/ErrorReport.h"
#include "support/GameProcess.h"
#include "support/MessageBoxes.h"
#include "support/ModalRun.h"

#include <QCloseEvent>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTableWidget>
#include <QTextCursor>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int VisiblePlayerRows = 8;
constexpr int OutputLines = 6;
constexpr int RconOutputBlocks = 500;
constexpr int ServerOutputBlocks = 2000;
constexpr int ServerOutputColumns = 72;

ServerWindow::TextPrompt& sayPrompt()
{
    static ServerWindow::TextPrompt prompt;
    return prompt;
}

std::optional<QString> askSayText(QWidget* parent)
{
    if (const ServerWindow::TextPrompt& prompt = sayPrompt())
        return prompt(parent);
    QInputDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("Say"));
    dialog.setLabelText(QStringLiteral("Message to all players:"));
    dialog.setTextValue({});
    if (runModal(dialog) != QDialog::Accepted)
        return std::nullopt;
    return dialog.textValue();
}

// Labels keep the window's size: a long text is cut with an ellipsis and shown whole in the tool tip.
void setValue(QLabel* label, const QString& text)
{
    const QString shown = label->fontMetrics().elidedText(text, Qt::ElideRight, label->width());
    label->setText(shown);
    label->setToolTip(shown == text ? QString() : text);
}

void setCell(QTableWidget* table, int row, int column, const QString& text, Qt::Alignment alignment)
{
    QTableWidgetItem* item = table->item(row, column);
    if (item == nullptr) {
        item = new QTableWidgetItem;
        item->setFlags(Qt::ItemIsEnabled);
        item->setTextAlignment(alignment | Qt::AlignVCenter);
        table->setItem(row, column, item);
    }
    item->setText(text);
}

} // namespace

ServerWindow* ServerWindow::showFor(QWidget* mainWindow, const Profile& profile, const QString& quake2Dir,
                                    GameProcess* process)
{
    auto* window = mainWindow->findChild<ServerWindow*>(QString(), Qt::FindDirectChildrenOnly);
    const bool first = window == nullptr;
    if (first)
        window = new ServerWindow(mainWindow);
    const bool wasOpen = window->isVisible();
    window->watch(profile, quake2Dir, process);
    if (first) {
        // Beside the main window, on its left when there is no room on its right.
        const QRect main = mainWindow->frameGeometry();
        const QRect screen = mainWindow->screen()->availableGeometry();
        QPoint at = main.topRight() + QPoint(8, 0);
        if (at.x() + window->width() > screen.right())
            at.setX(std::max(screen.left(), main.left() - 8 - window->width()));
        window->move(at);
    }
    window->show();
    if (wasOpen)
        window->raise();
    return window;
}

void ServerWindow::setSayPrompt(TextPrompt prompt)
{
    sayPrompt() = std::move(prompt);
}

ServerWindow::ServerWindow(QWidget* mainWindow) : QWidget(mainWindow, Qt::Window)
{
    setObjectName(QStringLiteral("ServerWindow"));
    setWindowTitle(QStringLiteral("Velstrom - Server"));
    build();
}

ServerWindow::~ServerWindow() = default;

GameProcess* ServerWindow::process() const
{
    return m_process;
}

void ServerWindow::build()
{
    const int valueWidth = fontMetrics().averageCharWidth() * 44;
    auto value = [&](const char* name) {
        auto* label = new QLabel(this);
        label->setObjectName(QString::fromLatin1(name));
        label->setFixedWidth(valueWidth);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        return label;
    };
    m_address = value("lblAddress");
    m_state = value("lblState");
    m_level = value("lblLevel");
    m_hostName = value("lblHostName");
    m_players = value("lblPlayers");
    QFont bold = m_state->font();
    bold.setBold(true);
    m_state->setFont(bold);

    auto* facts = new QFormLayout;
    facts->addRow(QStringLiteral("Address:"), m_address);
    facts->addRow(QStringLiteral("State:"), m_state);
    facts->addRow(QStringLiteral("Level:"), m_level);
    facts->addRow(QStringLiteral("Host name:"), m_hostName);
    facts->addRow(QStringLiteral("Players:"), m_players);

    m_table = new QTableWidget(0, 3, this);
    m_table->setObjectName(QStringLiteral("tblPlayers"));
    m_table->setHorizontalHeaderLabels({QStringLiteral("Name"), QStringLiteral("Frags"), QStringLiteral("Ping")});
    m_table->verticalHeader()->hide();
    m_table->setSelectionMode(QAbstractItemView::NoSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setFocusPolicy(Qt::NoFocus);
    m_table->setShowGrid(false);
    m_table->setAlternatingRowColors(true);
    m_table->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QHeaderView* header = m_table->horizontalHeader();
    header->setSectionResizeMode(0, QHeaderView::Stretch);
    const int numberWidth = fontMetrics().horizontalAdvance(QStringLiteral("-00000")) + 12;
    for (int column : {1, 2}) {
        header->setSectionResizeMode(column, QHeaderView::Fixed);
        m_table->setColumnWidth(column, numberWidth);
    }
    m_table->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    m_table->setFixedHeight(header->sizeHint().height() + VisiblePlayerRows * (fontMetrics().height() + 4) + 4);

    auto* console = new QGroupBox(QStringLiteral("Remote Console"), this);
    m_rconHint = new QLabel(console);
    m_rconHint->setObjectName(QStringLiteral("lblRconHint"));
    m_rconHint->setWordWrap(true);
    m_rconOutput = new QPlainTextEdit(console);
    m_rconOutput->setObjectName(QStringLiteral("edRconOutput"));
    m_rconOutput->setReadOnly(true);
    m_rconOutput->setMaximumBlockCount(RconOutputBlocks);
    m_rconOutput->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_rconOutput->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_rconOutput->setFixedHeight(OutputLines * QFontMetrics(m_rconOutput->font()).lineSpacing() + 10);
    m_rconCommand = new QLineEdit(console);
    m_rconCommand->setObjectName(QStringLiteral("edRconCommand"));
    m_rconCommand->setPlaceholderText(QStringLiteral("Console command"));
    m_rconSend = new QPushButton(QStringLiteral("Send"), console);
    m_rconSend->setObjectName(QStringLiteral("rconSendButton"));
    m_skipLevel = new QPushButton(QStringLiteral("Skip Level"), console);
    m_skipLevel->setObjectName(QStringLiteral("skipLevelButton"));
    m_say = new QPushButton(QStringLiteral("Say\u2026"), console);
    m_say->setObjectName(QStringLiteral("sayButton"));
    auto* commandRow = new QHBoxLayout;
    commandRow->addWidget(m_rconCommand, 1);
    commandRow->addWidget(m_rconSend);
    auto* consoleButtons = new QHBoxLayout;
    consoleButtons->addWidget(m_skipLevel);
    consoleButtons->addWidget(m_say);
    consoleButtons->addStretch(1);
    auto* consoleLayout = new QVBoxLayout(console);
    consoleLayout->addWidget(m_rconHint);
    consoleLayout->addWidget(m_rconOutput);
    consoleLayout->addLayout(commandRow);
    consoleLayout->addLayout(consoleButtons);

    // What the server itself prints, beside what it answers.
    m_serverOutputBox = new QGroupBox(QStringLiteral("Server Output"), this);
    m_serverOutputBox->setObjectName(QStringLiteral("gbServerOutput"));
    m_serverOutput = new QPlainTextEdit(m_serverOutputBox);
    m_serverOutput->setObjectName(QStringLiteral("edServerOutput"));
    m_serverOutput->setReadOnly(true);
    m_serverOutput->setMaximumBlockCount(ServerOutputBlocks);
    m_serverOutput->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_serverOutput->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_serverOutput->setFixedWidth(ServerOutputColumns * QFontMetrics(m_serverOutput->font()).averageCharWidth() +
                                  m_serverOutput->verticalScrollBar()->sizeHint().width() + 12);
    auto* outputLayout = new QVBoxLayout(m_serverOutputBox);
    outputLayout->addWidget(m_serverOutput);

    m_stop = new QPushButton(QStringLiteral("Stop Server"), this);
    m_stop->setObjectName(QStringLiteral("stopButton"));
    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(m_stop);

    auto* left = new QVBoxLayout;
    left->addLayout(facts);
    left->addWidget(m_table);
    left->addWidget(console);
    auto* layout = new QGridLayout(this);
    layout->addLayout(left, 0, 0);
    layout->addWidget(m_serverOutputBox, 0, 1);
    layout->addLayout(bottom, 1, 0, 1, 2);
    // The hint's wrapped height depends on the width, which the value column fixes.
    m_rconHint->setFixedWidth(valueWidth + fontMetrics().horizontalAdvance(QStringLiteral("Host name:")) +
                              facts->horizontalSpacing());

    connect(m_rconSend, &QPushButton::clicked, this, guard([this] {
                const QString command = m_rconCommand->text().trimmed();
                if (command.isEmpty())
                    return;
                sendCommand(command);
                m_rconCommand->clear();
            }));
    connect(m_rconCommand, &QLineEdit::returnPressed, m_rconSend, &QPushButton::click);
    connect(m_skipLevel, &QPushButton::clicked, this, guard([this] { sendCommand(QStringLiteral("sv skip")); }));
    connect(m_say, &QPushButton::clicked, this, guard([this] { say(); }));
    connect(m_stop, &QPushButton::clicked, this, guard([this] { stopServer(); }));
}

void ServerWindow::watch(const Profile& profile, const QString& quake2Dir, GameProcess* process)
{
    delete m_query;
    m_query = new ServerQuery(server::portOf(profile.port), this);
    connect(m_query, &ServerQuery::statusReceived, this, &ServerWindow::showStatus);
    connect(m_query, &ServerQuery::polled, this, &ServerWindow::showState);
    connect(m_query, &ServerQuery::rconReceived, this, [this](const QString& text) {
        m_rconOutput->appendPlainText(text.endsWith(u'\n') ? text.chopped(1) : text);
    });

    // A later Go: the game of the earlier one is no longer ours to stop.
    if (m_process != process && m_process) {
        disconnect(m_process, nullptr, this, nullptr);
        m_process->deleteLater();
    }
    const bool sameGame = m_process == process;
    m_process = process;
    if (process != nullptr) {
        process->setParent(this);
        connect(process, &GameProcess::finished, this, &ServerWindow::gameEnded, Qt::UniqueConnection);
    }
    // Only a server this run started has its output here.
    m_serverOutputBox->setVisible(process != nullptr);
    if (!sameGame || process == nullptr) {
        m_serverOutput->clear();
        if (process != nullptr) {
            appendOutput(process->recentOutput());
            connect(process, &GameProcess::output, this, &ServerWindow::appendOutput);
        }
    }

    m_quake2Dir = quake2Dir;
    m_levelSearch = levelSearch(findGameEngine(quake2Dir, profile.servType), quake2Dir);
    m_rcon = isChecked(profile.remoteConsole);
    m_rconPassword = profile.rconPassword;
    m_levelName.clear();
    m_levelText.clear();

    setValue(m_address, QStringLiteral("127.0.0.1:%1").arg(m_query->port()));
    showStatus({});
    m_rconOutput->clear();
    m_rconHint->setText(server::remoteConsoleHint(m_rcon));
    const QList<QWidget*> console{m_rconOutput, m_rconCommand, m_rconSend, m_skipLevel, m_say};
    for (QWidget* w : console)
        w->setEnabled(m_rcon);
    m_stop->setEnabled(process != nullptr && process->isRunning());
    m_stop->setToolTip(process != nullptr ? QString()
                                          : QStringLiteral("This server was not started by this run of the program."));
    setFixedSize(sizeHint());

    if (process != nullptr && !process->isRunning())
        gameEnded();
    else if (isVisible())
        m_query->start();
    showState();
}

void ServerWindow::appendOutput(const QByteArray& bytes)
{
    // Follow the output unless the user has scrolled back to read.
    QScrollBar* bar = m_serverOutput->verticalScrollBar();
    const bool following = bar->value() == bar->maximum();
    QTextCursor end(m_serverOutput->document());
    end.movePosition(QTextCursor::End);
    end.insertText(server::consoleText(bytes));
    if (following)
        bar->setValue(bar->maximum());
}

void ServerWindow::showStatus(const server::Status& status)
{
    const QString levelName = status.value(u"mapname");
    setValue(m_level, levelText(levelName));
    setValue(m_hostName, status.value(u"hostname"));
    const QString maxClients = status.value(u"maxclients");
    const QString count = QString::number(status.players.size());
    setValue(m_players, maxClients.isEmpty() ? count : count + u'/' + maxClients);

    const int rows = int(status.players.size());
    m_table->setUpdatesEnabled(false);
    m_table->setRowCount(rows);
    for (int row = 0; row < rows; ++row) {
        const server::Player& p = status.players[row];
        setCell(m_table, row, 0, p.name, Qt::AlignLeft);
        setCell(m_table, row, 1, QString::number(p.frags), Qt::AlignRight);
        setCell(m_table, row, 2, QString::number(p.ping), Qt::AlignRight);
    }
    m_table->setUpdatesEnabled(true);
    showState();
}

QString ServerWindow::levelText(const QString& levelName)
{
    if (levelName != m_levelName) {
        m_levelName = levelName;
        // Read afresh for each new level: the level may sit in an archive that came after the start.
        const levels::GameLevels game(m_quake2Dir, m_levelSearch);
        m_levelText = levels::runningLevelText(game, levelName);
    }
    return m_levelText;
}

void ServerWindow::showState()
{
    if (m_query == nullptr)
        return;
    const std::optional<int> exitCode = m_process ? m_process->exitCode() : std::nullopt;
    setValue(m_state, server::stateText(m_query->sinceAnswerMs(), m_query->sinceStartMs(), exitCode));
}

void ServerWindow::sendCommand(const QString& command)
{
    if (!m_rcon)
        return;
    m_rconOutput->appendPlainText(QStringLiteral("> ") + command);
    m_query->sendRcon(m_rconPassword, command);
}

void ServerWindow::say()
{
    const std::optional<QString> text = askSayText(this);
    if (text && !text->trimmed().isEmpty())
        sendCommand(server::sayCommand(*text));
}

void ServerWindow::stopServer()
{
    if (!m_process || !m_process->isRunning())
        return;
    if (!msgbox::confirm(this, QStringLiteral("Stop the server now? Players will be disconnected.")))
        return;
    m_stop->setEnabled(false);
    m_process->stop();
}

void ServerWindow::gameEnded()
{
    m_query->stop();
    m_stop->setEnabled(false);
    showStatus({});
}

void ServerWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_query != nullptr && (!m_process || m_process->isRunning()))
        m_query->start();
}

void ServerWindow::closeEvent(QCloseEvent* event)
{
    // The server goes on; only the questions stop.
    if (m_query != nullptr)
        m_query->stop();
    event->accept();
}
