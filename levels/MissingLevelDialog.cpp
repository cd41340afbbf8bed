#include "levels/MissingLevelDialog.h"

#include "levels/ModalDialog.h"
#include "levels/PlayListVerifier.h"
#include "ui_MissingLevelDialog.h"

#include <QGuiApplication>
#include <QScreen>

MissingLevelDialog::MissingLevelDialog(QString& verifyResult, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::MissingLevelDialog>()), m_verifyResult(verifyResult)
{
    m_ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(399, 83);
    // A level name is shown as it stands, never taken for markup.
    m_ui->lblMissing->setTextFormat(Qt::PlainText);
    // No button is the default, but Enter presses the focused one, so Enter on the opened dialog answers
    // "Yes to All".
    for (QPushButton* b : {m_ui->yesToAllButton, m_ui->yesButton, m_ui->noButton, m_ui->abortButton}) {
        b->setDefault(false);
        b->setAutoDefault(true);
    }
    connect(m_ui->yesToAllButton, &QPushButton::clicked, this, &MissingLevelDialog::yesToAllClicked);
    connect(m_ui->yesButton, &QPushButton::clicked, this, &MissingLevelDialog::yesClicked);
    connect(m_ui->noButton, &QPushButton::clicked, this, &MissingLevelDialog::noClicked);
    connect(m_ui->abortButton, &QPushButton::clicked, this, &MissingLevelDialog::abortClicked);
}

MissingLevelDialog::~MissingLevelDialog() = default;

void MissingLevelDialog::setLevel(const QString& level)
{
    m_ui->lblMissing->setText(QStringLiteral("Warning, the map ") + level +
                              QStringLiteral(".bsp cannot be found on your hard drive."));
}

void MissingLevelDialog::yesToAllClicked()
{
    answer(verify::YesToAll);
}
void MissingLevelDialog::yesClicked()
{
    answer(verify::Yes);
}
void MissingLevelDialog::noClicked()
{
    answer(verify::No);
}
void MissingLevelDialog::abortClicked()
{
    answer(verify::Abort);
}

void MissingLevelDialog::answer(const QString& result)
{
    m_verifyResult = result;
    close();
}

void MissingLevelDialog::ask()
{
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    m_ui->yesToAllButton->setFocus();
    levels::execModal(*this);
}
