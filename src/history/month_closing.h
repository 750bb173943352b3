#pragma once

#include <QDate>
#include <QString>

#include "toolkit/database_error.h"

// Closed months: the server refuses every write into them; the windows ask only to spare the
// user an attempt the server would refuse.

class Dataset;

// Whether the month of `date` is closed.
bool monthClosed(const QDate& date);
// The same question as a dataset read together with others (openTogether): the check set for
// the month of `date`, and its answer once read.
void setMonthClosedCheck(Dataset& check, const QDate& date);
bool closedIn(const Dataset& check);
// A database login of an administrator (tabel_admin), typed for one closing or reopening.
struct AdminLogin {
    QString name;
    QString password;
};

// Closing and reopening run on a short session of the administrator's own login, opened as
// the program's connection is (same server and options, same client name) and closed again:
// the server refuses them to any login outside tabel_admin and logs them under that login.
// Closing waits for the writers already at work on the journal or the hours grid (the
// server's trigger locks them out until it commits). Throws DatabaseError; AdminLoginRefused
// when the server does not take the name and password.
struct AdminLoginRefused : DatabaseError {
    explicit AdminLoginRefused(const QString& driverText)
        : DatabaseError(QStringLiteral("Неверное имя или пароль."), {}, Program), detail(driverText) {}
    QString detail;   // the server's own words
};
void closeMonth(int month, int year, const AdminLogin& login);
void reopenMonth(int month, int year, const AdminLogin& login);

// A month's heading inside a sentence, after "за": "Декабрь 2026" reads "декабрь 2026 г.".
QString monthInSentence(const QString& heading);
