#include "toolkit/number_format.h"

#include "toolkit/decimal.h"

#include <algorithm>

QString formatNumber(const Decimal& value, const QString& mask)
{
    const int point = mask.indexOf(QLatin1Char('.'));
    const QString decimals = point < 0 ? QString() : mask.mid(point + 1);
    const int least = int(decimals.count(QLatin1Char('0')));
    const int most = int(decimals.size());
    QString text = value.fixed(most);
    const bool zero = std::none_of(text.cbegin(), text.cend(), [](QChar c) { return c >= QLatin1Char('1') && c <= QLatin1Char('9'); });
    if (zero && !mask.left(point < 0 ? mask.size() : point).contains(QLatin1Char('0')))
        return QString();   // "#": no digit is required, so zero prints as nothing
    if (most > least) {
        int cut = int(text.size());
        while (cut > 0 && (text.size() - cut) < most - least && text.at(cut - 1) == QLatin1Char('0'))
            --cut;
        text.truncate(cut);
        if (text.endsWith(QLatin1Char('.')))
            text.chop(1);
    }
    text.replace(QLatin1Char('.'), QLatin1Char(','));
    return text;
}

QString formatNumber(double value, const QString& mask)
{
    return formatNumber(Decimal::fromDouble(value), mask);
}

QString displayNumber(double value)
{
    QString text = QString::number(value, 'g', 15);
    if (text.contains(QLatin1Char('e')))
        text = QString::number(value, 'f', 4);
    return text.replace(QLatin1Char('.'), QLatin1Char(','));
}

QString displayNumber(const Decimal& value)
{
    return value.exact().replace(QLatin1Char('.'), QLatin1Char(','));
}
