#include "support/TriStateCheckBox.h"

TriStateCheckBox::TriStateCheckBox(QWidget* parent) : QCheckBox(parent) { setTristate(true); }

TriStateCheckBox::TriStateCheckBox(const QString& text, QWidget* parent) : QCheckBox(text, parent)
{
    setTristate(true);
}

void TriStateCheckBox::nextCheckState()
{
    setCheckState(checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
}
