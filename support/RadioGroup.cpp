#include "support/RadioGroup.h"

#include <QRadioButton>
#include <QStyle>

RadioGroup::RadioGroup(QWidget* parent) : QGroupBox(parent) {}

QStringList RadioGroup::items() const
{
    QStringList texts;
    for (const QRadioButton* b : m_buttons)
        texts.append(b->text());
    return texts;
}

void RadioGroup::setItems(const QStringList& texts)
{
    qDeleteAll(m_buttons);
    m_buttons.clear();
    for (int i = 0; i < texts.size(); ++i) {
        auto* b = new QRadioButton(texts[i], this);
        b->setObjectName(objectName() + QStringLiteral("_item%1").arg(i));
        b->setAutoExclusive(false); // we keep exclusivity ourselves so that "none" stays possible
        connect(b, &QRadioButton::toggled, this, [this, i](bool on) {
            if (!on) {
                // A radio button is not unchecked by clicking it again.
                if (!m_setting && itemIndex() < 0) {
                    m_setting = true;
                    m_buttons[i]->setChecked(true);
                    m_setting = false;
                }
                return;
            }
            if (m_setting)
                return;
            setItemIndex(i);
        });
        b->show();
        m_buttons.append(b);
    }
    layoutButtons();
}

int RadioGroup::itemIndex() const
{
    for (int i = 0; i < m_buttons.size(); ++i)
        if (m_buttons[i]->isChecked())
            return i;
    return -1;
}

void RadioGroup::setItemIndex(int index)
{
    if (index < -1)
        index = -1;
    if (index >= count())
        index = count() - 1;
    m_setting = true;
    for (int i = 0; i < m_buttons.size(); ++i)
        m_buttons[i]->setChecked(i == index);
    m_setting = false;
    if (index >= 0)
        Q_EMIT clicked();
}

QRadioButton* RadioGroup::button(int index) const
{
    return index >= 0 && index < m_buttons.size() ? m_buttons[index] : nullptr;
}

void RadioGroup::resizeEvent(QResizeEvent* event)
{
    QGroupBox::resizeEvent(event);
    layoutButtons();
}

void RadioGroup::layoutButtons()
{
    if (m_buttons.isEmpty())
        return;
    // Items stand one under the other, spread over the box below its caption.
    const QRect area = contentsRect().adjusted(8, fontMetrics().height() + 2, -4, -4);
    const int n = int(m_buttons.size());
    const int step = std::max(area.height() / n, m_buttons.first()->sizeHint().height());
    for (int i = 0; i < n; ++i)
        m_buttons[i]->setGeometry(area.left(), area.top() + i * step, area.width(), m_buttons[i]->sizeHint().height());
}
