#pragma once
#include <QCheckBox>

// A check box that can show the greyed state it was loaded with, while the user only toggles between
// checked and unchecked (a click on a greyed box checks it).
class TriStateCheckBox : public QCheckBox {
    Q_OBJECT

public:
    explicit TriStateCheckBox(QWidget* parent = nullptr);
    explicit TriStateCheckBox(const QString& text, QWidget* parent = nullptr);

protected:
    void nextCheckState() override;
};
