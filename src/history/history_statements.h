#pragma once

#include <QDate>
#include <QString>

// Statements of the history windows and of month closing, kept apart from the windows so they
// can be checked directly. The server keeps the history (accounts_dep.smena_log) and refuses
// writes into a closed month; these only read it and close or reopen months.

// Which changes the period log lists: the entries' (added, changed, deleted), the months'
// (closed, reopened) or the day marks' of the time sheet (Marked: set, changed or cleared).
enum class LoggedAction { Any, Added, Changed, Deleted, Closed, Reopened, Marked };
// Which date of a change the period log's period applies to.
enum class LogPeriod { EntryDate, ChangeDate };

// The changes of one entry, newest first, deleted ones included.
QString entryHistoryStatement(int entryId);
// The changes of a period, newest first: by EntryDate those of the entries dated from `from` to
// `to` (both included), an entry moved between days counting on both, and the closings and
// reopenings of the period's months, and the day marks of the period's days; by ChangeDate those
// made on these days. A worker of 0 means every worker; closings and reopenings belong to none.
// A mark's change lists no entry or shift, its day as the date and "Неявка: Б → ОТ" as the change.
QString periodLogStatement(const QDate& from, const QDate& to, int workerId, LoggedAction action, LogPeriod period);

// The months that have entries or are closed, newest first, each open or closed with when and
// by whom (closed_at empty while open); a reopened month shows its last closing in closed_when
// and closed_by as "был закрыт 05.01.2027 10:00", "(кто)".
QString closingMonthsStatement();
// Whether the month of `date` is closed (a count in `cnt`).
QString monthClosedStatement(const QDate& date);
// Closing and reopening through the server's functions, which an administrator's login alone
// may call.
QString closeMonthStatement(int month, int year);
QString reopenMonthStatement(int month, int year);
