#include "app/MainWindow.h"

#include "ui_MainWindow.h"

#include <QIcon>
#include <QPixmap>

// Window frame, fonts and the things the form file cannot say.
void MainWindow::setupLook()
{
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(547, 336);
    setWindowTitle(QStringLiteral("Velstrom"));
    m_ui->goButton->setDefault(true);
    m_ui->lblLogo->setPixmap(QPixmap(QStringLiteral(":/pictures/logo.png")));
    m_ui->lblEmpathyPicture->setPixmap(QPixmap(QStringLiteral(":/pictures/empathy.png")));
    QIcon icon;
    icon.addFile(QStringLiteral(":/pictures/velstrom.png"));
    icon.addFile(QStringLiteral(":/pictures/velstrom-48.png"));
    setWindowIcon(icon);
}
