#pragma once
#include <QDialog>

#include <functional>
#include <memory>

namespace Ui {
class ProfileNameDialog;
}

// The small dialog that asks for a profile name, for New and for Copy. The profile controller fills in its
// question and caption and handles its buttons.
class ProfileNameDialog : public QDialog {
    Q_OBJECT

public:
    explicit ProfileNameDialog(QWidget* parent = nullptr);
    ~ProfileNameDialog() override;

    Ui::ProfileNameDialog& ui() { return *m_ui; }

    // Shows the dialog modally until OK or Cancel closes it.
    void run();

    // Test seam: while set, run() shows the dialog without a modal loop and hands it to `runner`, which plays the
    // user (types a name, clicks the buttons); a dialog still open when it returns is cancelled. Returns the
    // previous runner.
    using Runner = std::function<void(ProfileNameDialog&)>;
    static Runner setRunner(Runner runner);

protected:
    // Neither button is the dialog's cancel button: Escape does nothing.
    void keyPressEvent(QKeyEvent* event) override;

private:
    std::unique_ptr<Ui::ProfileNameDialog> m_ui;
};
