#include "motd/MotdController.h"

#include "motd/ServerMessageFile.h"
#include "support/AppError.h"
#include "support/ErrorReport.h"
#include "support/GradientButton.h"
#include "support/MessageBoxes.h"
#include "support/TextFile.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <utility>

MotdController::MotdController(const MotdPage& page, QString serverMsgPath)
    : m_window(page.window), m_serverMsgPath(std::move(serverMsgPath)), m_editor(*page.reServerMsg),
      m_white(page.whiteButton), m_green(page.greenButton), m_singleBar(page.singleBarButton),
      m_doubleBar(page.doubleBarButton)
{
    m_editor.setupLook();

    if (auto* white = qobject_cast<GradientButton*>(m_white)) {
        white->setGradColor(QColor(255, 255, 255));
        white->setCaptionColor(Qt::white);
    }
    if (auto* green = qobject_cast<GradientButton*>(m_green)) {
        green->setGradColor(QColor(0, 255, 0));
        green->setCaptionColor(Qt::white);
    }
    // The colour buttons must leave the editor's selection alone, whatever kind of button they are.
    m_white->setFocusPolicy(Qt::NoFocus);
    m_green->setFocusPolicy(Qt::NoFocus);

    connect(m_white, &QAbstractButton::clicked, this, guard([this] { whiteClicked(); }));
    connect(m_green, &QAbstractButton::clicked, this, guard([this] { greenClicked(); }));
    connect(m_singleBar, &QAbstractButton::clicked, this, guard([this] { barClicked(m_singleBar); }));
    connect(m_doubleBar, &QAbstractButton::clicked, this, guard([this] { barClicked(m_doubleBar); }));
}

MotdController::~MotdController() = default;

void MotdController::loadServerMessage()
{
    m_fileNotLoaded = false;
    m_editor.clear();
    // Let the empty editor show before the file is read.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);

    servermessage::Loaded loaded = servermessage::load(m_serverMsgPath);
    m_fileNotLoaded = loaded.keepFile;
    if (loaded.tooLarge)
        reportErrorOnce(loaded.error);
    else if (!loaded.error.isEmpty())
        reportError(loaded.error);
    if (loaded.text)
        m_editor.setText(*loaded.text);
}

void MotdController::decodeQuakeText(const QByteArray& encoded) { m_editor.setText(quaketext::decode(encoded)); }

std::optional<QByteArray> MotdController::encodeMessage()
{
    std::optional<QByteArray> encoded = quaketext::encode(m_editor.text());
    if (!encoded)
        msgbox::show(m_window, msgbox::Icon::Error, QStringLiteral("Error"), quaketext::lineTooLongMessage(),
                     {msgbox::Button::Ok});
    return encoded;
}

QByteArray MotdController::encodeQuakeText() { return encodeMessage().value_or(quaketext::ErrorMarker); }

void MotdController::writeServerMessage()
{
    // Decided on the outcome, not on the marker text, so a message that reads "[Error]" is still written.
    if (m_fileNotLoaded && !m_editor.isModified())
        return;
    if (servermessage::save(m_serverMsgPath, m_editor.text()) == servermessage::Saved::LineTooLong)
        msgbox::show(m_window, msgbox::Icon::Error, QStringLiteral("Error"), quaketext::lineTooLongMessage(),
                     {msgbox::Button::Ok});
}

void MotdController::greenClicked() { m_editor.setColor(GreenColor); }

void MotdController::whiteClicked() { m_editor.setColor(WhiteColor); }

void MotdController::barClicked(QObject* sender)
{
    if (sender == m_singleBar)
        m_editor.appendLine(quaketext::singleBar(), SpecialColor);
    else if (sender == m_doubleBar)
        m_editor.appendLine(quaketext::doubleBar(), SpecialColor);
}
