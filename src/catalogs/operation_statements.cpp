#include "catalogs/operation_statements.h"

#include "toolkit/sql_text.h"

QString priceListStatement()
{
    return QStringLiteral(
        "select izdel.MARKA, vid_oper.VID, oper.NAIMEN,(SELECT (CASE naimen WHEN 0 THEN 'Готовая продукция' ELSE 'Заготовки' END)) as nmn, oper.CENA_new as cena, oper.id, oper.i_id,\n"
        " oper.VID as oper_vid from accounts_dep.OPER,accounts_dep.IZDEL,accounts_dep.VID_OPER where OPER.i_id=IZDEL.id \n"
        "and oper.vid=vid_oper.id order by izdel.marka, vid_oper.vid, oper.naimen");
}

QString operationCountStatement(int typeId, int kind, int productId)
{
    return QStringLiteral("select count(ID) as cnt from accounts_dep.OPER where vid=%1 and naimen=%2 and i_id=%3")
        .arg(sqlNumber(typeId), sqlNumber(kind), sqlNumber(productId));
}

QString otherOperationCountStatement(int typeId, int kind, int productId, int operationId)
{
    return QStringLiteral("select count(*) as cnt from accounts_dep.OPER where vid=%1 and naimen=%2 and i_id=%3 and id<>%4")
        .arg(sqlNumber(typeId), sqlNumber(kind), sqlNumber(productId), sqlNumber(operationId));
}

QString operationInsertStatement(int typeId, int kind, int productId)
{
    return QStringLiteral("insert into accounts_dep.oper(vid, naimen, i_id, cena_new)values (%1, %2, %3, 0)")
        .arg(sqlNumber(typeId), sqlNumber(kind), sqlNumber(productId));
}

QString operationUpdateStatement(int typeId, int kind, int productId, int operationId)
{
    return QStringLiteral("update accounts_dep.oper set vid=%1, naimen=%2,  i_id=%3 where id=%4")
        .arg(sqlNumber(typeId), sqlNumber(kind), sqlNumber(productId), sqlNumber(operationId));
}

QString productMarkStatement(int productId)
{
    return QStringLiteral("select marka from accounts_dep.izdel where id=") + sqlNumber(productId);
}

QString operationEntriesCountStatement(int operationId)
{
    return QStringLiteral("select count(*) as cnt from accounts_dep.smena s where s.o_id =") + sqlNumber(operationId);
}
