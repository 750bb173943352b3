#include "toolkit/decimal.h"

#include <QLocale>
#include <cmath>

namespace {

using Units = __int128;

Units power10(int exponent)
{
    Units result = 1;
    for (int i = 0; i < exponent; ++i)
        result *= 10;
    return result;
}

// Divides by 10^digits, halves away from zero.
Units roundedDown(Units units, int digits)
{
    if (digits <= 0)
        return units;
    const Units divisor = power10(digits);
    const Units whole = units / divisor;
    const Units rest = units % divisor;   // same sign as units
    if (rest * 2 >= divisor)
        return whole + 1;
    if (rest * 2 <= -divisor)
        return whole - 1;
    return whole;
}

QString digitsOf(Units units)
{
    if (units == 0)
        return QStringLiteral("0");
    QString text;
    for (Units rest = units < 0 ? -units : units; rest > 0; rest /= 10)
        text.prepend(QLatin1Char(char('0' + int(rest % 10))));
    return text;
}

// "-1234" at scale 2 as "-12.34".
QString withPoint(Units units, int scale)
{
    QString digits = digitsOf(units);
    if (scale > 0) {
        if (digits.size() <= scale)
            digits.prepend(QString(scale - digits.size() + 1, QLatin1Char('0')));
        digits.insert(digits.size() - scale, QLatin1Char('.'));
    }
    return units < 0 ? QLatin1Char('-') + digits : digits;
}

const int MostIntegerDigits = 20;

} // namespace

std::optional<Decimal> Decimal::parse(const QString& text)
{
    const QString t = text.trimmed();
    int i = 0;
    bool negative = false;
    if (i < t.size() && (t.at(i) == QLatin1Char('-') || t.at(i) == QLatin1Char('+')))
        negative = t.at(i++) == QLatin1Char('-');
    QString digits;
    int scale = 0;
    bool point = false;
    for (; i < t.size(); ++i) {
        const QChar c = t.at(i);
        if (c.unicode() >= '0' && c.unicode() <= '9') {
            digits += c;
            scale += point ? 1 : 0;
        } else if ((c == QLatin1Char('.') || c == QLatin1Char(',')) && !point) {
            point = true;
        } else {
            break;
        }
    }
    if (digits.isEmpty())
        return std::nullopt;
    if (i < t.size()) {   // an exponent, as doubles print very large and very small figures
        if (t.at(i).toLower() != QLatin1Char('e'))
            return std::nullopt;
        bool ok = false;
        const int exponent = t.mid(i + 1).toInt(&ok);
        if (!ok || exponent > 60 || exponent < -60)
            return std::nullopt;
        scale -= exponent;
    }
    while (digits.size() > 1 && digits.at(0) == QLatin1Char('0'))
        digits.remove(0, 1);
    if (scale < 0) {
        digits += QString(-scale, QLatin1Char('0'));
        scale = 0;
    }
    if (digits.size() - scale > MostIntegerDigits)
        return std::nullopt;
    // Digits beyond the 18th after the point are rounded away; they are below any figure printed.
    const int dropped = qMax(0, scale - MostDecimals);
    Units units = 0;
    for (int d = 0; d < digits.size() - dropped; ++d)
        units = units * 10 + (digits.at(d).unicode() - '0');
    if (dropped > 0 && digits.at(digits.size() - dropped).unicode() >= '5')
        ++units;
    return Decimal(negative ? -units : units, scale - dropped);
}

Decimal Decimal::fromDouble(double value)
{
    if (!std::isfinite(value))
        return {};
    // Figures of a few decimals, nearly all a report adds, without a text on the way: the fewest
    // decimals whose units divide back to the very same double are its shortest decimal form.
    double scale = 1;
    for (int decimals = 0; decimals <= 6; ++decimals, scale *= 10) {
        const double units = std::round(value * scale);
        if (std::fabs(units) >= 9007199254740992.0)   // 2^53: beyond it not every whole number is a double
            break;
        if (units / scale == value)
            return Decimal(Units(static_cast<long long>(units)), decimals);
    }
    return parse(QString::number(value, 'g', QLocale::FloatingPointShortest)).value_or(Decimal());
}

Decimal Decimal::fromVariant(const QVariant& value)
{
    if (value.isNull())
        return {};
    switch (value.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
        return fromDouble(value.toDouble());
    case QMetaType::QString:
    case QMetaType::QByteArray:
        return parse(value.toString()).value_or(Decimal());
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::UShort:
    case QMetaType::Bool:
        return Decimal(value.toLongLong(), 0);
    default:
        return fromDouble(value.toDouble());
    }
}

Decimal::Units Decimal::unitsAt(int scale) const
{
    return m_units * power10(scale - m_scale);
}

Decimal& Decimal::operator+=(const Decimal& other)
{
    const int scale = qMax(m_scale, other.m_scale);
    m_units = unitsAt(scale) + other.unitsAt(scale);
    m_scale = scale;
    return *this;
}

bool Decimal::operator==(const Decimal& other) const
{
    const int scale = qMax(m_scale, other.m_scale);
    return unitsAt(scale) == other.unitsAt(scale);
}

QString Decimal::fixed(int decimals) const
{
    const Units units = decimals >= m_scale ? unitsAt(decimals) : roundedDown(m_units, m_scale - decimals);
    return withPoint(units, decimals);
}

QString Decimal::exact() const
{
    Units units = m_units;
    int scale = m_scale;
    while (scale > 0 && units % 10 == 0) {
        units /= 10;
        --scale;
    }
    return withPoint(units, scale);
}
