#pragma once

#include <QString>

class Decimal;

// Formats a number by a mask such as "#0", "#0.00", "#0.000" or "#0.00#": zeros after the
// point are decimals always shown, hashes decimals shown when not zero; a mask with no 0 before
// the point ("#") prints zero as nothing. The decimal
// separator is a comma, as people on the floor read numbers; halves round away from zero as the
// figure reads in decimal (a double by its shortest decimal form, so 1.005 gives 1,01).
QString formatNumber(const Decimal& value, const QString& mask);
QString formatNumber(double value, const QString& mask);
// A number as people read it: shortest form, comma as the separator.
QString displayNumber(double value);
// An exact figure as it is, comma as the separator: "4517612,38".
QString displayNumber(const Decimal& value);
