#pragma once
#include <QDialog>

#include <memory>

namespace Ui {
class MissingLevelDialog;
}

// ".BSP not found!": asks what to do with one level of the play list whose file is missing. Each button
// writes its answer into the shared VerifyResult and closes; closing the window any other way leaves the
// answer given before.
class MissingLevelDialog : public QDialog {
    Q_OBJECT

public:
    MissingLevelDialog(QString& verifyResult, QWidget* parent = nullptr);
    ~MissingLevelDialog() override;

    Ui::MissingLevelDialog& ui() { return *m_ui; }

    void setLevel(const QString& level);

    void yesToAllClicked();
    void yesClicked();
    void noClicked();
    void abortClicked();

    // Shows the dialog modally, centred on the screen, "Yes to All" focused.
    void ask();

private:
    void answer(const QString& result);

    std::unique_ptr<Ui::MissingLevelDialog> m_ui;
    QString& m_verifyResult;
};
