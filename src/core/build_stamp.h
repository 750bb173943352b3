#pragma once

#include <QString>

// The moment of the last build that changed the program, in the compiler's __DATE__ and
// __TIME__ forms ("Sep  7 2023", "22:30:08").
namespace BuildStamp {
QString dateText();
QString timeText();
// Tests pretend another build; empty texts return to the real one.
void pretend(const QString& date, const QString& time);

// YYYYMMDD from a compiler date text (1900-01-01 when the compiler gave "??? ?? ????").
int dateNumber(const QString& dateText);
// Seconds after midnight from "HH:MM:SS".
int timeNumber(const QString& timeText);
// This build's date and time in those numbers, as the version stamp holds them.
int dateNumber();
int timeNumber();
}
