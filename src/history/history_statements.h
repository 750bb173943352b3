#pragma once

#include <QDate>
#include <QString>

// Statements of the history windows and of month closing, kept apart from the windows so they
// can be checked directly. The server keeps the history (accounts_dep.smena_log) and refuses
// writes into a closed month; these only read it and close or reopen months.

// Which changes the period log lists.
enum class LoggedAction { Any, Added, Changed, Deleted };

// The changes of one entry, newest first, deleted ones included.
QString entryHistoryStatement(int entryId);
// The changes of the entries dated from `from` to `to` (both included), newest first; an entry
// moved between days counts on both. A worker of 0 means every worker; with every worker and
// every action the closing and reopening of the period's months are listed too.
QString periodLogStatement(const QDate& from, const QDate& to, int workerId, LoggedAction action);

// The months that have entries or are closed, newest first, each open or closed with when and
// by whom.
QString closingMonthsStatement();
// Whether the month of `date` is closed (a count in `cnt`).
QString monthClosedStatement(const QDate& date);
// Closing and reopening through the server's functions, which an administrator's login alone
// may call.
QString closeMonthStatement(int month, int year);
QString reopenMonthStatement(int month, int year);
