#pragma once

#include <QStringList>

// The years the time sheet offers: 2007 to the year after `currentYear`, stretched to take in
// `wanted` (the year of the journal's date) when that lies outside.
QStringList timesheetYears(int currentYear, int wanted);
