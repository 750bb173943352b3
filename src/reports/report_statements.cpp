#include "reports/report_statements.h"

#include "core/operation_names.h"
#include "toolkit/dataset.h"
#include "toolkit/number_format.h"

#include <QStringList>
#include <cmath>

namespace {
QString lines(const QStringList& parts)
{
    return parts.join(QLatin1Char('\n'));
}
}

QString workersReportStatement()
{
    return lines({
        QStringLiteral("select person.s_caption fio, sum(smena.kol_vo-smena.brak)::numeric as kolvo, "),
        QStringLiteral("sum((kol_vo-brak)*smena.cena::numeric)::text as summa,vid_oper.vid,"),
        QStringLiteral("izdel.nom, oper.naimen, color from cmn_contractor.person person,accounts_dep.smena,accounts_dep.izdel,accounts_dep.vid_oper,"),
        QStringLiteral("accounts_dep.oper where w_id=s_code::integer and izdel.id=smena.i_id and vid_oper.id=oper.vid"),
        QStringLiteral("and oper.id=smena.o_id and smena.data<:data2 and smena.data>=:data1 "),
        QStringLiteral("group by fio, izdel.nom, oper.naimen, vid_oper.vid, color order by fio, izdel.nom"),
    });
}

QString productsReportStatement()
{
    return lines({
        QStringLiteral("select sum(smena.kol_vo-smena.brak)::numeric as kolvo, vid_oper.vid,"),
        QStringLiteral("izdel.nom, oper.naimen, color,  round((izdel.massa*sum(smena.kol_vo-smena.brak))::numeric,2) as mass"),
        QStringLiteral("from accounts_dep.smena,accounts_dep.izdel,accounts_dep.vid_oper, accounts_dep.oper where izdel.id=smena.i_id and vid_oper.id=oper.vid"),
        QStringLiteral("and oper.id=smena.o_id and smena.data<:data2 and smena.data>=:data1 "),
        QStringLiteral("group by izdel.nom,color, oper.naimen, vid_oper.vid, izdel.massa order by izdel.nom"),
    });
}

QString workersDetailReportStatement()
{
    // Both the journal and the operations have a price column "cena": the bonus is reckoned
    // on the journal's price, as the sum beside it is.
    return lines({
        QStringLiteral("select s_caption fio, izdel.marka, vid_oper.vid, oper.naimen, "),
        QStringLiteral("sum(smena.kol_vo)::numeric as kolvo, sum(smena.brak) as brk, sum((kol_vo-brak)*"),
        QStringLiteral("smena.cena::numeric)::text as summa, color, sum(prize::numeric*(kol_vo-brak)*smena.cena::numeric/100)::text as s_prize "),
        QStringLiteral("from cmn_contractor.person person,accounts_dep.izdel,accounts_dep.oper,accounts_dep.smena,accounts_dep.vid_oper where "),
        QStringLiteral("smena.o_id=oper.id and smena.w_id=s_code::integer and smena.i_id=izdel.id "),
        QStringLiteral("and smena.o_id=oper.id and w_id=s_code::integer and oper.vid=vid_oper.id "),
        QStringLiteral("and smena.data<:data2 and smena.data>=:data1 group by fio, marka, "),
        QStringLiteral("vid_oper.vid, oper.naimen, color order by fio, marka, vid_oper.vid, oper.naimen"),
    });
}

QString productsDetailReportStatement()
{
    return lines({
        QStringLiteral("select izdel.marka, vid_oper.vid vid, oper.naimen, izdel.nom,"),
        QStringLiteral("sum(smena.kol_vo)::numeric as kolvo, sum(smena.brak) as brk, "),
        QStringLiteral("sum((kol_vo-brak)*smena.cena::numeric)::text as summa, color, round((izdel.massa*sum(smena.kol_vo))::numeric,2) as mass "),
        QStringLiteral("from accounts_dep.izdel,accounts_dep.oper,accounts_dep.smena,accounts_dep.vid_oper where smena.o_id=oper.id and smena.i_id=izdel.id "),
        QStringLiteral("and smena.o_id=oper.id and oper.vid=vid_oper.id and smena.data<:data2 and "),
        QStringLiteral("smena.data>=:data1 group by izdel.nom, marka, vid_oper.vid, oper.naimen, color,massa "),
        QStringLiteral("order by izdel.nom,marka, vid_oper.vid, oper.naimen"),
    });
}

QString reportSpreadsheetStatement()
{
    return lines({
        QStringLiteral("select sum(smena.kol_vo-smena.brak)::numeric as kolvo, vid_oper.vid,"),
        QStringLiteral("izdel.nom, oper.naimen, color,izdel.massa*sum(smena.kol_vo-smena.brak) as mass "),
        QStringLiteral("from accounts_dep.smena,accounts_dep.izdel,accounts_dep.vid_oper, accounts_dep.oper where izdel.id=smena.i_id and vid_oper.id=oper.vid"),
        QStringLiteral("and oper.id=smena.o_id and smena.data<:data2 and smena.data>=:data1 "),
        QStringLiteral("group by izdel.nom,color, oper.naimen, vid_oper.vid, izdel.massa order by izdel.nom"),
    });
}

void prepareReportQuery(Dataset& query, const QDate& from, const QDate& to, int productKind)
{
    query.setParam(QStringLiteral("data1"), from);
    query.setParam(QStringLiteral("data2"), to);
    switch (productKind) {
    case FinishedProducts:
        query.setFilter(QStringLiteral("naimen=0"));
        query.setFiltered(true);
        break;
    case Blanks:
        query.setFilter(QStringLiteral("naimen=1"));
        query.setFiltered(true);
        break;
    default:
        query.setFiltered(false);
        break;
    }
}

QString reportTitle(const QString& prefix, const QDate& from, const QDate& to, int productKind)
{
    const QString format = QStringLiteral("dd.MM.yyyy");
    const QString period = prefix + from.toString(format) + QStringLiteral(" по ") + to.toString(format);
    switch (productKind) {
    case FinishedProducts:
        return period + QStringLiteral(" (") + productKindName(0) + QLatin1Char(')');
    case Blanks:
        return period + QStringLiteral(" (") + productKindName(1) + QLatin1Char(')');
    default:
        return period;
    }
}

QString printedColorText(int color)
{
    if (color == 1)
        return QStringLiteral(" (грунт)");
    if (color > 1)
        return QStringLiteral(" (RAL: %1)").arg(color);
    return QStringLiteral(" ");
}

QString spreadsheetOperationText(const QString& type, int color)
{
    if (color == 1)
        return type + QStringLiteral(" (грунт)");
    if (color > 1)
        return type + QStringLiteral(" (цвет: %1)").arg(color);
    return type;
}

QString boxesText(double mass)
{
    return displayNumber(mass);
}

QString quantityText(double quantity)
{
    return QString::number(qlonglong(std::nearbyint(quantity)));
}
