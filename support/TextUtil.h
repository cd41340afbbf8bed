#pragma once
#include <QString>
#include <Qt>

// Small text and path helpers shared by every part of the program.

// The text between two double quotes; quotes inside are left alone.
QString quoteText(const QString& text);

// The directory above `path`, without a trailing separator; empty when there is none.
// Both "/" and "\" count as separators, so Windows-style paths give the same answers.
QString parentDirectory(const QString& path);

inline const QString& chooseText(bool flag, const QString& ifTrue, const QString& ifFalse)
{
    return flag ? ifTrue : ifFalse;
}

// Check boxes are stored as "UNC", "CHK" or "GRAY"; any other text reads back greyed.
QString checkStateToText(Qt::CheckState state);
Qt::CheckState textToCheckState(const QString& text);

// True for an empty text and one made only of characters 0 to 32.
bool isBlankText(const QString& text);
