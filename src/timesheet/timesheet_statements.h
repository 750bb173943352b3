#pragma once

#include <QString>

class Dataset;

// Statements of the monthly time sheet over the hours grid accounts_dep.h_tabel.

// The grid rows of one shift (1 to 3) for the month :mnth of the year :yea, one per worker row,
// with the worker's caption fio and the month total summ.
QString shiftGridStatement(int shift);

// Every worker of the month :mnth of the year :yea once, by caption, with the hours of each
// day summed over all shifts: sd1 to sd31 (empty where no shift has a value).
QString monthTotalsStatement();

// Sets the month (1..12) and the year every statement above reads.
void setMonthParams(Dataset& set, int month, int year);
