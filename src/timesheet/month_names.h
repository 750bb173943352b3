#pragma once

#include <QString>

// The month's name as a heading reads it (nominative): 1 -> "Январь", 12 -> "Декабрь";
// empty outside 1..12.
QString monthName(int month);
