#pragma once

#include <QDate>

// Today's date; tests fix it.
namespace Clock {
QDate today();
void setToday(const QDate& date);   // an invalid date returns to the real clock
}
