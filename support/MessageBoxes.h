#pragma once
#include <QList>
#include <QString>

#include <functional>

class QWidget;

// Every message box and question of the program goes through here, so that tests can answer them in advance
// and never hang on a modal box.
namespace msgbox {

enum class Icon { None, Information, Warning, Error, Question };
enum class Button { Ok, Cancel, Yes, No };

struct Shown {
    Icon icon;
    QString caption;
    QString text;
    QList<Button> buttons;
};

// Shows a modal box and returns the button pressed (closing the box counts as its cancel button: Cancel, No or
// Ok, whichever it has). `buttons` are shown in order; the first is the default.
Button show(QWidget* parent, Icon icon, const QString& caption, const QString& text, const QList<Button>& buttons);

// The standard boxes of the program.
void information(QWidget* parent, const QString& caption, const QString& text);
void error(QWidget* parent, const QString& caption, const QString& text);
// "Confirm" with Yes and No; true for Yes.
bool confirm(QWidget* parent, const QString& text);

// Test seam. Once scripted, no box is ever shown: each box takes the next queued answer, or its default
// button when the queue is empty, and is recorded.
void script(const QList<Button>& answers = {});
// Called with each scripted box as it is shown, to look at the program's state at that moment.
void onShow(std::function<void(const Shown&)> observer);
void unscript();
bool isScripted();
QList<Shown> shown();
void clearShown();

} // namespace msgbox
