#include "app/MainForm.h"

#include "ui_MainForm.h"

#include <QIcon>
#include <QPixmap>

// Window frame, fonts and the things the form file cannot say.
void Tmainform::setupLook()
{
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(547, 336);
    setWindowTitle(QStringLiteral("Velstrom"));
    m_ui->bbtnGo->setDefault(true);
    m_ui->Image1->setPixmap(QPixmap(QStringLiteral(":/pictures/logo.png")));
    m_ui->Image2->setPixmap(QPixmap(QStringLiteral(":/pictures/empathy.png")));
    QIcon icon;
    icon.addFile(QStringLiteral(":/pictures/velstrom.png"));
    icon.addFile(QStringLiteral(":/pictures/velstrom-48.png"));
    setWindowIcon(icon);
}
