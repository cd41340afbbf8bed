#pragma once
#include <QDialog>

#include <memory>

namespace Ui {
class TVerifyForm;
}

// ".BSP not found!": asks what to do with one level of the play list whose file is missing. Each button
// writes its answer into the shared VerifyResult and closes; closing the window any other way leaves the
// answer given before.
class TVerifyForm : public QDialog {
    Q_OBJECT

public:
    TVerifyForm(QString& verifyResult, QWidget* parent = nullptr);
    ~TVerifyForm() override;

    Ui::TVerifyForm& ui() { return *m_ui; }

    void setLevel(const QString& level);

    void bbtnYestoAllClick();
    void bbtnYesClick();
    void bbtnNoClick();
    void bbtnAbortClick();

    // Shows the dialog modally, centred on the screen, "Yes to All" focused.
    void ask();

private:
    void answer(const QString& result);

    std::unique_ptr<Ui::TVerifyForm> m_ui;
    QString& m_verifyResult;
};
