#pragma once
#include <QValidator>

// Keeps the profile-name field to letters, digits, "-" and "_" whatever way text arrives: typed keys, pasting,
// dropping or setText. A profile name becomes file names in the program directory, so nothing else may get in.
class ProfileNameValidator : public QValidator {
    Q_OBJECT

public:
    explicit ProfileNameValidator(QObject* parent = nullptr);

    State validate(QString& input, int& pos) const override;
    void fixup(QString& input) const override;
};
