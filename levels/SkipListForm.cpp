#include "levels/SkipListForm.h"

#include "levels/ModalDialog.h"
#include "ui_SkipListForm.h"

#include <QGuiApplication>
#include <QScreen>

TfrmSkipList::TfrmSkipList(QWidget* parent) : QDialog(parent), m_ui(std::make_unique<Ui::TfrmSkipList>())
{
    m_ui->setupUi(this);
    // A dialog frame without title-bar buttons: OK or Cancel are the only ways out.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFixedSize(284, 319);
    connect(m_ui->btnAll, &QPushButton::clicked, this, [this] { btnAllClick(m_ui->btnAll); });
    connect(m_ui->btnNone, &QPushButton::clicked, this, [this] { btnAllClick(m_ui->btnNone); });
    connect(m_ui->btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_ui->btnClose, &QPushButton::clicked, this, &QDialog::reject);
}

TfrmSkipList::~TfrmSkipList() = default;

void TfrmSkipList::setEntries(const QStringList& entries)
{
    m_ui->lbMapList->clear();
    m_ui->lbMapList->addItems(entries);
    m_ui->lbMapList->clearSelection();
}

QStringList TfrmSkipList::selectedEntries() const
{
    QStringList chosen;
    for (int row = 0; row < m_ui->lbMapList->count(); ++row)
        if (m_ui->lbMapList->item(row)->isSelected())
            chosen.append(m_ui->lbMapList->item(row)->text());
    return chosen;
}

void TfrmSkipList::btnAllClick(QObject* sender)
{
    const bool select = sender == m_ui->btnAll;
    if (select)
        m_ui->lbMapList->selectAll();
    else
        m_ui->lbMapList->clearSelection();
}

bool TfrmSkipList::ask()
{
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    m_ui->lbMapList->setFocus();
    return levels::execModal(*this) == QDialog::Accepted;
}
