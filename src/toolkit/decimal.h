#pragma once

#include <QString>
#include <QVariant>
#include <optional>

// A decimal figure held exactly: a whole number of units and how many of its digits follow the
// point. Totals of money, boxes and hours are sums of decimal figures the server rounded; added
// as binary fractions they drift ("4517612,38000001"), added as units they stay what a clerk
// adds by hand. Holds up to 20 digits before the point and 18 after it.
class Decimal {
public:
    Decimal() = default;

    // "-12.345", "0,5", "3e-05"; none for a text that is no number or too large to hold.
    static std::optional<Decimal> parse(const QString& text);
    // A double by the shortest decimal that reads back as it: 4517612.38 as the server wrote it.
    static Decimal fromDouble(double value);
    // Whole numbers exactly, doubles as above, numeric texts read; empty and anything else 0.
    static Decimal fromVariant(const QVariant& value);

    Decimal& operator+=(const Decimal& other);
    bool operator==(const Decimal& other) const;

    bool isZero() const { return m_units == 0; }
    // Rounded to `decimals` digits after the point, halves away from zero, with exactly that
    // many digits: "12.35". A point, no thousands separator.
    QString fixed(int decimals) const;
    // The figure as it is, without trailing zeros after the point: "4517612.38", "0.3", "12".
    QString exact() const;

private:
    using Units = __int128;
    static constexpr int MostDecimals = 18;

    Decimal(Units units, int scale) : m_units(units), m_scale(scale) {}
    Units unitsAt(int scale) const;   // scale >= m_scale

    Units m_units = 0;
    int m_scale = 0;   // digits after the point
};
