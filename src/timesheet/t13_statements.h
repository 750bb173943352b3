#pragma once

#include <QDate>
#include <QList>
#include <QString>

// Statements of the unified time sheet and the clerk's day marks.

// The organisation's requisites as they stand (the editor's), and as a month's form prints them:
// a closed month's are those its closing kept.
QString requisitesStatement();
QString monthRequisitesStatement(int month, int year);
QString absenceCodesStatement();
// Days of the calendar in the month: day (1..31), kind.
QString calendarStatement(int month, int year);
// Hours of the month per worker and shift: w_id, smena, d1..d31.
QString monthHoursStatement(int month, int year);
// Marks of the month: w_id, day (1..31), code.
QString monthMarksStatement(int month, int year);
// Every worker with hours or marks in the month: w_id, fio, position; by name.
QString t13WorkersStatement(int month, int year);

// The marks grid of the time-sheet window: every worker with d1..d31 showing the day's mark,
// else the day's hours over all shifts (empty for none).
QString marksGridStatement();

struct DayCell {
    int worker = 0;
    QDate day;
};
// Sets `code` on the cells (one statement); an empty code clears them.
QString setMarksStatement(const QList<DayCell>& cells, const QString& code);
