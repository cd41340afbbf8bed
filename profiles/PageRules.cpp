#include "profiles/PageRules.h"

#include <cmath>

double empathyFactorFor(int position)
{
    return (position - 9) * 0.5 * -1.0;
}

long long roundHalfToEven(double value)
{
    const double down = std::floor(value);
    const double rest = value - down;
    auto whole = static_cast<long long>(down);
    if (rest > 0.5 || (rest == 0.5 && whole % 2 != 0))
        ++whole;
    return whole;
}

namespace {
QString frags(double value)
{
    return QString::number(roundHalfToEven(value)) + QStringLiteral(" frags");
}
} // namespace

EmpathyLabels empathyLabelsFor(int position, const QLocale& locale)
{
    const double f = empathyFactorFor(position);
    QLocale plain = locale;
    plain.setNumberOptions(QLocale::OmitGroupSeparator);
    return {frags(2 * f), frags(3 * f), frags(4 * f), plain.toString(f, 'g', QLocale::FloatingPointShortest)};
}

QString kickbackText(int position)
{
    return QString::number(position * 50);
}

bool isNumericEditKey(QChar key)
{
    const char16_t c = key.unicode();
    return c < 32 || (c >= u'0' && c <= u'9');
}
