#include "history/month_closing.h"

#include "core/data_module.h"
#include "core/connection_string.h"
#include "history/history_statements.h"
#include "toolkit/connections.h"
#include "toolkit/session.h"

#include <QScopeGuard>

bool monthClosed(const QDate& date)
{
    if (!date.isValid())
        return false;
    Dataset check(QLatin1String(TDataModule6::ConnectionName), QStringLiteral("ClosedMonth"));
    setMonthClosedCheck(check, date);
    check.open();
    return closedIn(check);
}

void setMonthClosedCheck(Dataset& check, const QDate& date)
{
    check.setSql(date.isValid() ? monthClosedStatement(date) : QStringLiteral("select 0 as cnt"));
}

bool closedIn(const Dataset& check)
{
    return check.value(QStringLiteral("cnt")).toInt() > 0;
}

namespace {
const QString AdminConnection = QStringLiteral("MonthClosing");

// The server's word for a name or password it does not take, in its English or Russian messages:
// the password refused, or the login named (a role that does not exist or may not log in).
bool loginRefused(const QString& driverText)
{
    for (const char* words : {"password authentication failed", "role \"", "проверку подлинности", "роль \""})
        if (driverText.contains(QString::fromUtf8(words), Qt::CaseInsensitive))
            return true;
    return false;
}

void runAsAdministrator(const QString& statement, const AdminLogin& login)
{
    const QString program = QLatin1String(TDataModule6::ConnectionName);
    const QString options = withLogin(Session::optionsOnSameServer(program), login.name, login.password);
    try {
        openServerConnection(AdminConnection, options, program);
    } catch (const DatabaseError& e) {
        if (loginRefused(e.message()))
            throw AdminLoginRefused(e.message());
        throw DatabaseError(QStringLiteral("Сервер БД не принял вход «%1».\n%2").arg(login.name, e.message()));
    }
    const auto closeSession = qScopeGuard([] { closeNamedConnection(AdminConnection); });
    runStatement(AdminConnection, statement);
}
}

void closeMonth(int month, int year, const AdminLogin& login)
{
    runAsAdministrator(closeMonthStatement(month, year), login);
}

void reopenMonth(int month, int year, const AdminLogin& login)
{
    runAsAdministrator(reopenMonthStatement(month, year), login);
}

QString monthInSentence(const QString& heading)
{
    return heading.left(1).toLower() + heading.mid(1) + QStringLiteral(" г.");
}
