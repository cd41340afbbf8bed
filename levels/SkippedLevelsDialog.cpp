#include "levels/SkippedLevelsDialog.h"

#include "levels/ModalDialog.h"
#include "ui_SkippedLevelsDialog.h"

#include <QGuiApplication>
#include <QScreen>

SkippedLevelsDialog::SkippedLevelsDialog(QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::SkippedLevelsDialog>())
{
    m_ui->setupUi(this);
    // A dialog frame without title-bar buttons: OK or Cancel are the only ways out.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFixedSize(284, 319);
    connect(m_ui->allButton, &QPushButton::clicked, this, [this] { allOrNoneClicked(m_ui->allButton); });
    connect(m_ui->noneButton, &QPushButton::clicked, this, [this] { allOrNoneClicked(m_ui->noneButton); });
    connect(m_ui->okButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_ui->closeButton, &QPushButton::clicked, this, &QDialog::reject);
}

SkippedLevelsDialog::~SkippedLevelsDialog() = default;

void SkippedLevelsDialog::setEntries(const QStringList& entries)
{
    m_ui->lbMapList->clear();
    m_ui->lbMapList->addItems(entries);
    m_ui->lbMapList->clearSelection();
}

QStringList SkippedLevelsDialog::selectedEntries() const
{
    QStringList chosen;
    for (int row = 0; row < m_ui->lbMapList->count(); ++row)
        if (m_ui->lbMapList->item(row)->isSelected())
            chosen.append(m_ui->lbMapList->item(row)->text());
    return chosen;
}

void SkippedLevelsDialog::allOrNoneClicked(QObject* sender)
{
    const bool select = sender == m_ui->allButton;
    if (select)
        m_ui->lbMapList->selectAll();
    else
        m_ui->lbMapList->clearSelection();
}

bool SkippedLevelsDialog::ask()
{
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    m_ui->lbMapList->setFocus();
    return levels::execModal(*this) == QDialog::Accepted;
}
