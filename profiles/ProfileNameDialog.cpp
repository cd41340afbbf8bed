#include "profiles/ProfileNameDialog.h"

#include "profiles/ProfileNameValidator.h"
#include "profiles/ProfileNames.h"
#include "support/ModalRun.h"
#include "ui_ProfileNameDialog.h"

#include <QKeyEvent>
#include <QPushButton>

namespace {
ProfileNameDialog::Runner& runnerSlot()
{
    static ProfileNameDialog::Runner runner;
    return runner;
}
} // namespace

ProfileNameDialog::ProfileNameDialog(QWidget* parent) : QDialog(parent), m_ui(std::make_unique<Ui::ProfileNameDialog>())
{
    m_ui->setupUi(this);
    setFixedSize(size());
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    // The name becomes file names: the same rule for typed and pasted text.
    m_ui->edProfileName->setValidator(new ProfileNameValidator(m_ui->edProfileName));
    // Longer names make file names the file system refuses, and the profile could never be saved.
    m_ui->edProfileName->setMaxLength(MaxProfileNameLength);
    // Enter presses neither button.
    for (QPushButton* button : {m_ui->okButton, m_ui->cancelButton}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    m_ui->edProfileName->setFocus();
}

ProfileNameDialog::~ProfileNameDialog() = default;

void ProfileNameDialog::run()
{
    if (const Runner& runner = runnerSlot()) {
        show();
        runner(*this);
        if (isVisible()) // a runner that walks away cancels
            reject();
        return;
    }
    runModal(*this);
}

ProfileNameDialog::Runner ProfileNameDialog::setRunner(Runner runner)
{
    Runner previous = std::move(runnerSlot());
    runnerSlot() = std::move(runner);
    return previous;
}

void ProfileNameDialog::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
