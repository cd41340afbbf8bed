#include "levels/VerifyForm.h"

#include "levels/ModalDialog.h"
#include "levels/PlayListVerifier.h"
#include "ui_VerifyForm.h"

#include <QGuiApplication>
#include <QScreen>

TVerifyForm::TVerifyForm(QString& verifyResult, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::TVerifyForm>()), m_verifyResult(verifyResult)
{
    m_ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(399, 83);
    // A level name is shown as it stands, never taken for markup.
    m_ui->Label1->setTextFormat(Qt::PlainText);
    // No button is the default, but Enter presses the focused one, so Enter on the opened dialog answers
    // "Yes to All".
    for (QPushButton* b : {m_ui->bbtnYestoAll, m_ui->bbtnYes, m_ui->bbtnNo, m_ui->bbtnAbort}) {
        b->setDefault(false);
        b->setAutoDefault(true);
    }
    connect(m_ui->bbtnYestoAll, &QPushButton::clicked, this, &TVerifyForm::bbtnYestoAllClick);
    connect(m_ui->bbtnYes, &QPushButton::clicked, this, &TVerifyForm::bbtnYesClick);
    connect(m_ui->bbtnNo, &QPushButton::clicked, this, &TVerifyForm::bbtnNoClick);
    connect(m_ui->bbtnAbort, &QPushButton::clicked, this, &TVerifyForm::bbtnAbortClick);
}

TVerifyForm::~TVerifyForm() = default;

void TVerifyForm::setLevel(const QString& level)
{
    m_ui->Label1->setText(QStringLiteral("Warning, the map ") + level +
                          QStringLiteral(".bsp cannot be found on your hard drive."));
}

void TVerifyForm::bbtnYestoAllClick()
{
    answer(verify::YesToAll);
}
void TVerifyForm::bbtnYesClick()
{
    answer(verify::Yes);
}
void TVerifyForm::bbtnNoClick()
{
    answer(verify::No);
}
void TVerifyForm::bbtnAbortClick()
{
    answer(verify::Abort);
}

void TVerifyForm::answer(const QString& result)
{
    m_verifyResult = result;
    close();
}

void TVerifyForm::ask()
{
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    m_ui->bbtnYestoAll->setFocus();
    levels::execModal(*this);
}
