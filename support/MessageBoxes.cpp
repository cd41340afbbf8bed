#include "support/MessageBoxes.h"

#include "support/ModalRun.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace msgbox {

namespace {

struct Script {
    bool active = false;
    QList<Button> answers;
    QList<Shown> shown;
    std::function<void(const Shown&)> observer;
};

Script& state()
{
    static Script s;
    return s;
}

QMessageBox::StandardButton standard(Button b)
{
    switch (b) {
    case Button::Ok:
        return QMessageBox::Ok;
    case Button::Cancel:
        return QMessageBox::Cancel;
    case Button::Yes:
        return QMessageBox::Yes;
    case Button::No:
        return QMessageBox::No;
    }
    return QMessageBox::Ok;
}

Button escapeAnswer(const QList<Button>& buttons)
{
    for (const Button b : {Button::Cancel, Button::No, Button::Ok})
        if (buttons.contains(b))
            return b;
    return buttons.isEmpty() ? Button::Ok : buttons.first();
}

} // namespace

Button show(QWidget* parent, Icon icon, const QString& caption, const QString& text, const QList<Button>& buttons)
{
    const QList<Button> choices = buttons.isEmpty() ? QList<Button>{Button::Ok} : buttons;
    Script& s = state();
    if (s.active) {
        s.shown.append({icon, caption, text, choices});
        if (s.observer)
            s.observer(s.shown.last());
        if (!s.answers.isEmpty())
            return s.answers.takeFirst();
        return choices.first();
    }

    QMessageBox box(parent ? parent : QApplication::activeWindow());
    box.setWindowTitle(caption);
    box.setText(text);
    switch (icon) {
    case Icon::None:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case Icon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case Icon::Warning:
        box.setIcon(QMessageBox::Warning);
        break;
    case Icon::Error:
        box.setIcon(QMessageBox::Critical);
        break;
    case Icon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    }
    for (const Button b : choices)
        box.addButton(standard(b));
    box.setDefaultButton(standard(choices.first()));
    box.setEscapeButton(box.button(standard(escapeAnswer(choices))));
    runModal(box);
    QAbstractButton* clicked = box.clickedButton();
    for (const Button b : choices)
        if (clicked != nullptr && box.button(standard(b)) == clicked)
            return b;
    return escapeAnswer(choices);
}

void information(QWidget* parent, const QString& caption, const QString& text)
{
    show(parent, Icon::Information, caption, text, {Button::Ok});
}

void error(QWidget* parent, const QString& caption, const QString& text)
{
    show(parent, Icon::Error, caption, text, {Button::Ok});
}

bool confirm(QWidget* parent, const QString& text)
{
    return show(parent, Icon::Question, QStringLiteral("Confirm"), text, {Button::Yes, Button::No}) == Button::Yes;
}

void script(const QList<Button>& answers)
{
    state().active = true;
    state().answers = answers;
}

void onShow(std::function<void(const Shown&)> observer) { state().observer = std::move(observer); }

void unscript()
{
    state() = Script{};
}

bool isScripted() { return state().active; }

QList<Shown> shown() { return state().shown; }

void clearShown() { state().shown.clear(); }

} // namespace msgbox
