#pragma once
#include <QChar>
#include <QLocale>
#include <QString>

// The few calculations behind the settings pages, free of widgets.

// The handicap factor for an empathy track-bar position: (9 - position) / 2, so 1 gives 4 and 7 gives 1.
double empathyFactorFor(int position);

// Nearest integer; a value exactly halfway goes to the even neighbour (10.5 -> 10, 7.5 -> 8).
long long roundHalfToEven(double value);

// What the handicap page shows for a position.
struct EmpathyLabels {
    QString firstThreshold;  // lblT1: round(2 x factor) + " frags"
    QString secondThreshold; // lblT2: round(3 x factor) + " frags"
    QString lastThreshold;   // lblT3: round(4 x factor) + " frags"
    QString factor;          // lblFactor: shortest general form, the locale's decimal separator
};
EmpathyLabels empathyLabelsFor(int position, const QLocale& locale);

// lblKickVal: the impact force the game gets, 50 per track-bar step.
QString kickbackText(int position);

// Keys the numeric edits let through: control characters (Backspace, clipboard shortcuts) and 0 to 9.
bool isNumericEditKey(QChar key);
