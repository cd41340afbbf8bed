#pragma once
#include <QDialog>
#include <QStringList>

#include <memory>

namespace Ui {
class SkippedLevelsDialog;
}

// "Velstrom - Select Maps to Skip": the levels skipped in the last game, from which the user picks those
// to take off the play list. Created once, hidden, and refilled for every question.
class SkippedLevelsDialog : public QDialog {
    Q_OBJECT

public:
    explicit SkippedLevelsDialog(QWidget* parent = nullptr);
    ~SkippedLevelsDialog() override;

    Ui::SkippedLevelsDialog& ui() { return *m_ui; }

    // Fills the list with these entries, in this order, none selected.
    void setEntries(const QStringList& entries);
    // The selected entries, first to last.
    QStringList selectedEntries() const;

    // All and None share this handler: the sender decides.
    void allOrNoneClicked(QObject* sender);

    // Shows the dialog modally, centred on the screen; true for OK.
    bool ask();

private:
    std::unique_ptr<Ui::SkippedLevelsDialog> m_ui;
};
