#pragma once
#include "motd/MotdEditor.h"

#include <QByteArray>
#include <QObject>

#include <optional>

class QAbstractButton;
class QTextEdit;
class QWidget;

// The controls of the "M.O.T.D." page.
struct MotdPage {
    QWidget* window = nullptr; // parent of the message boxes
    QTextEdit* reServerMsg = nullptr;
    QAbstractButton* whiteButton = nullptr;
    QAbstractButton* greenButton = nullptr;
    QAbstractButton* singleBarButton = nullptr;
    QAbstractButton* doubleBarButton = nullptr;
};

// The "M.O.T.D." page: the message editor and SERVRMSG.TXT.
class MotdController : public QObject {
    Q_OBJECT

public:
    // `serverMsgPath`: SERVRMSG.TXT in the program directory.
    MotdController(const MotdPage& page, QString serverMsgPath);
    ~MotdController() override;

    // Loads SERVRMSG.TXT into the editor; a missing or unreadable file leaves it empty, without a word, and so
    // does a file too long to be a message.
    void loadServerMessage();
    // Writes the editor's message to SERVRMSG.TXT, or deletes the file when there is no message. A line over
    // the limit is reported and leaves the file as it was; a failed write throws AppError. A file that was too
    // long to load stays as it is until the user edits the message.
    void writeServerMessage();

    // Fills the editor from the file's encoded text.
    void decodeQuakeText(const QByteArray& encoded);
    // The editor's message in the file's encoding, or "[Error]" after telling the user a line is too long.
    QByteArray encodeQuakeText();

    void greenClicked();
    void whiteClicked();
    // Both bar buttons: the sender says which bar.
    void barClicked(QObject* sender);

    MotdEditor& editor() { return m_editor; }
    const QString& serverMsgPath() const { return m_serverMsgPath; }

private:
    std::optional<QByteArray> encodeMessage();

    QWidget* m_window;
    QString m_serverMsgPath;
    MotdEditor m_editor;
    bool m_fileNotLoaded = false;
    QAbstractButton* m_white = nullptr;
    QAbstractButton* m_green = nullptr;
    QAbstractButton* m_singleBar = nullptr;
    QAbstractButton* m_doubleBar = nullptr;
};
