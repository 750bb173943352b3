#pragma once

#include <QDate>
#include <QString>

// Closed months: the server refuses every write into them; the windows ask only to spare the
// user an attempt the server would refuse.

// Whether the month of `date` is closed.
bool monthClosed(const QDate& date);
// Closing waits for the writers already at work on the journal or the hours grid (the
// server's trigger locks them out until it commits).
void closeMonth(int month, int year);
void reopenMonth(int month, int year);

// A month's heading inside a sentence: "Декабрь 2026" reads "декабрь 2026".
QString monthInSentence(const QString& heading);
