#include "app/MainForm.h"

#include "app/Quake2Paths.h"
#include "launch/LaunchController.h"
#include "levels/LevelsController.h"
#include "motd/MotdController.h"
#include "profiles/SettingsController.h"
#include "support/AboutWindow.h"
#include "support/ErrorReport.h"
#include "support/Installation.h"
#include "support/Shell.h"
#include "support/Sound.h"
#include "ui_MainForm.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QPushButton>

#include <exception>

Tmainform::Tmainform(QWidget* parent) : QWidget(parent), m_ui(std::make_unique<Ui::Tmainform>())
{
    m_ui->setupUi(this);
    setupLook();

    m_levels = std::make_unique<LevelsController>(*this);
    m_settings = std::make_unique<SettingsController>(*this);
    m_launch = std::make_unique<LaunchController>(*this);
    m_motd = std::make_unique<MotdController>(*this);

    connect(m_ui->BitBtn3, &QPushButton::clicked, this, guard([this] { BitBtn3Click(); }));
    connect(m_ui->btnHelp, &QPushButton::clicked, this, guard([this] { btnHelpClick(); }));
    connect(m_ui->BitBtn4, &QPushButton::clicked, this,
            guard([this] { showAboutWindow(this, m_state.SoundsEnabled); }));

    guarded([this] { FormCreate(); });
}

Tmainform::~Tmainform() = default;

void Tmainform::FormCreate()
{
    m_state.SoundsEnabled = true;
    QDir::setCurrent(installation().programDir());
    m_state.Pak2Present = QFileInfo::exists(q2::RelPak2);
    m_state.ServerMsgPath = installation().file(q2::ServerMessage);
    m_state.LoadingSettings = true;
    m_state.HoverBusy = false;
    m_state.LastHoverIndex = -1;
    m_ui->pcPages->setCurrentWidget(m_ui->tsMaps);
    // A load stopped by a bad value still gets the message file, or the next save would empty it.
    std::exception_ptr loadError;
    try {
        LoadIniValues();
    } catch (...) {
        loadError = std::current_exception();
    }
    GetServerMsg();
    m_state.LoadingSettings = false;
    if (loadError)
        std::rethrow_exception(loadError);
}

void Tmainform::BitBtn3Click()
{
    const QString closing = QStringLiteral("Velstrom - Closing...");
    setWindowTitle(closing);
    setApplicationTitle(closing);
    hide();
    if (m_state.SoundsEnabled)
        PlaySoundEvent(QString::fromLatin1(snd::Closing), true);
    close();
}

void Tmainform::btnHelpClick() { OpenDocument(installation().file(q2::HelpDocument)); }

void Tmainform::createDialogs() { m_levels->createDialogs(); }

void Tmainform::PlaySoundEvent(const QString& name, bool wait)
{
    if (m_state.SoundsEnabled)
        PlayEventSound(name, wait);
}

void Tmainform::closeEvent(QCloseEvent* event)
{
    // A save that fails is reported, and the window still closes: the user must never be kept from quitting.
    guarded([this] { WriteUserSettings(); });
    event->accept();
}

void Tmainform::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (auto* button = qobject_cast<QPushButton*>(focusWidget()); button && button->isEnabled())
            button->click();
        else if (m_ui->bbtnGo->isEnabled())
            m_ui->bbtnGo->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

void Tmainform::LoadPlayList() { m_levels->LoadPlayList(); }
void Tmainform::FillAvailableLevels() { m_levels->FillAvailableLevels(); }
void Tmainform::SetButtons() { m_levels->SetButtons(); }
void Tmainform::UpdateListTotals() { m_levels->UpdateListTotals(); }
bool Tmainform::ProcessSkippedLevels() { return m_levels->ProcessSkippedLevels(); }
void Tmainform::ckOrigLevelsClick() { m_levels->ckOrigLevelsClick(); }
void Tmainform::VerifyPlayList() { m_levels->VerifyPlayList(); }
void Tmainform::clearLevelLists() { m_levels->clearLists(); }
QStringList Tmainform::playList() const { return m_levels->playList(); }

void Tmainform::LoadIniValues() { m_settings->LoadIniValues(); }
void Tmainform::WriteUserSettings() { m_settings->WriteUserSettings(); }
void Tmainform::NewCurrentUser() { m_settings->NewCurrentUser(); }

void Tmainform::GetServerMsg() { m_motd->GetServerMsg(); }
void Tmainform::WriteServerMessage() { m_motd->WriteServerMessage(); }

void Tmainform::WriteLevelFiles() { m_launch->WriteLevelFiles(); }
void Tmainform::WriteServerConfig() { m_launch->WriteServerConfig(); }
