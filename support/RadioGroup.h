#pragma once
#include <QGroupBox>
#include <QList>
#include <QStringList>

class QRadioButton;

// A captioned group of radio buttons addressed by item index, -1 meaning none selected.
// The items come from the "items" property (set in the form) or from setItems().
class RadioGroup : public QGroupBox {
    Q_OBJECT
    Q_PROPERTY(QStringList items READ items WRITE setItems)
    Q_PROPERTY(int itemIndex READ itemIndex WRITE setItemIndex)

public:
    explicit RadioGroup(QWidget* parent = nullptr);

    QStringList items() const;
    void setItems(const QStringList& items);

    int itemIndex() const;
    // Below -1 selects nothing; past the last item selects the last one.
    void setItemIndex(int index);

    QRadioButton* button(int index) const;
    int count() const { return int(m_buttons.size()); }

Q_SIGNALS:
    // An item became selected, by the user or by setItemIndex.
    void clicked();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void layoutButtons();

    QList<QRadioButton*> m_buttons;
    bool m_setting = false;
};
