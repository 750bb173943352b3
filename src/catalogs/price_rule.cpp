#include "catalogs/price_rule.h"

double operationPrice(double basePrice, bool dayOff, int shift)
{
    double price = basePrice;
    if (dayOff)
        price *= 2;
    if (shift == 3)
        price *= 1.2;
    else if (shift == 4)
        price *= 1.5;
    return price;
}
