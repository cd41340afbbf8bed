#include "support/ModalRun.h"

#include <QApplication>
#include <QDialog>
#include <QPointer>

int runModal(QDialog& dialog)
{
    QPointer<QWidget> before = QApplication::activeWindow();
    if (before == nullptr && dialog.parentWidget() != nullptr)
        before = dialog.parentWidget()->window();
    const int result = dialog.exec();
    if (before != nullptr && before->isVisible() && before != &dialog)
        before->activateWindow();
    return result;
}
