#include "catalogs/operation_type_statements.h"

#include "toolkit/sql_text.h"

QString operationTypeDuplicateStatement(const QString& name, qint64 exceptId)
{
    QString statement = QStringLiteral("select count(*) as cnt from accounts_dep.vid_oper where upper(vid)=")
        + sqlQuote(name.toUpper());
    if (exceptId >= 0)
        statement += QStringLiteral(" and id<>") + sqlNumber(exceptId);
    return statement;
}

QString operationTypeEntriesCountStatement(qint64 typeId)
{
    return QStringLiteral("select count(*) as cnt from accounts_dep.smena s, accounts_dep.oper o where s.o_id = o.id and o.vid =")
        + sqlNumber(typeId);
}
