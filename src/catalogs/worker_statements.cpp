#include "catalogs/worker_statements.h"

#include "toolkit/sql_text.h"

QString workerInsertStatement(const QString& name, const QString& position)
{
    return QStringLiteral("INSERT INTO accounts_dep.person (fio, s_staffpos_hl)VALUES(") + sqlQuote(name)
        + QStringLiteral(", ") + sqlQuote(position) + QStringLiteral(")");
}

QString workerUpdateStatement(const QString& name, const QString& position, qint64 id)
{
    return QStringLiteral("UPDATE accounts_dep.person SET fio=") + sqlQuote(name) + QStringLiteral(", s_staffpos_hl=")
        + sqlQuote(position) + QStringLiteral(" where accounts_dep.person.id=") + sqlNumber(id);
}

QString workerDeleteStatement(qint64 id)
{
    return QStringLiteral("delete from accounts_dep.person where id =") + sqlNumber(id);
}
