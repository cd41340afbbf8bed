#include "profiles/ProfileNameValidator.h"

#include "profiles/ProfileNames.h"

ProfileNameValidator::ProfileNameValidator(QObject* parent) : QValidator(parent) {}

QValidator::State ProfileNameValidator::validate(QString& input, int& pos) const
{
    // Characters before the cursor that go away move the cursor back with them.
    const QString before = cleanProfileName(input.left(pos));
    const QString clean = cleanProfileName(input);
    if (clean != input) {
        input = clean;
        pos = int(before.size());
    }
    return Acceptable;
}

void ProfileNameValidator::fixup(QString& input) const
{
    input = cleanProfileName(input);
}
