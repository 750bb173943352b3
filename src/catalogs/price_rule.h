#pragma once

// The unit price of an operation picked for a journal entry: the lowest norm price, doubled on
// a day off, then raised by 1.2 in shift 3 or by 1.5 in overtime (shift 4).
double operationPrice(double basePrice, bool dayOff, int shift);
