#pragma once

#include <QString>

// The month's name as a heading reads it (nominative): 1 -> "Январь", 12 -> "Декабрь";
// empty outside 1..12.
QString monthName(int month);
// "Сентябрь 2023": the month and the year as the time sheet's headings begin.
QString monthHeading(int month, int year);
