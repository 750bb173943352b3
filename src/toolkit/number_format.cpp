#include "toolkit/number_format.h"

#include <cfloat>
#include <cmath>

namespace {
// Halves round away from zero as the number reads in decimal: 2.5 gives 3 and 1.005 gives
// 1.01, although the double nearest 1.005 lies just below it; people check printed totals
// by hand and expect that.
double roundedHalfAway(double value, int decimals)
{
    const double scale = std::pow(10.0, decimals);
    const double scaled = value * scale;
    if (std::fabs(scaled) > 1e15)
        return value;
    return std::round(scaled * (1 + 8 * DBL_EPSILON)) / scale;
}
}

QString formatNumber(double value, const QString& mask)
{
    const int point = mask.indexOf(QLatin1Char('.'));
    const QString decimals = point < 0 ? QString() : mask.mid(point + 1);
    const int least = int(decimals.count(QLatin1Char('0')));
    const int most = int(decimals.size());
    const double rounded = roundedHalfAway(value, most);
    if (rounded == 0 && !mask.left(point < 0 ? mask.size() : point).contains(QLatin1Char('0')))
        return QString();   // "#": no digit is required, so zero prints as nothing
    QString text = QString::number(rounded, 'f', most);
    if (most > least) {
        int cut = int(text.size());
        while (cut > 0 && (text.size() - cut) < most - least && text.at(cut - 1) == QLatin1Char('0'))
            --cut;
        text.truncate(cut);
        if (text.endsWith(QLatin1Char('.')))
            text.chop(1);
    }
    if (text.startsWith(QLatin1Char('-')) && text.mid(1).remove(QLatin1Char('0')).remove(QLatin1Char('.')).isEmpty())
        text.remove(0, 1);   // no "-0,00"
    text.replace(QLatin1Char('.'), QLatin1Char(','));
    return text;
}

QString displayNumber(double value)
{
    QString text = QString::number(value, 'g', 15);
    if (text.contains(QLatin1Char('e')))
        text = QString::number(value, 'f', 4);
    return text.replace(QLatin1Char('.'), QLatin1Char(','));
}
