#include "journal/entry_statements.h"

#include "toolkit/sql_text.h"

#include <QStringList>
#include <cmath>

QString fourDecimalText(double value)
{
    // nearbyint rounds a tie to the even neighbour in the default rounding mode.
    const double rounded = std::nearbyint(value * 10000.0) / 10000.0;
    QString text = QString::number(rounded, 'g', 15);
    if (text == QLatin1String("-0"))
        text = QStringLiteral("0");
    return text.replace(QLatin1Char('.'), QLatin1Char(','));
}

bool isPaintText(const QString& text)
{
    return text.toUpper().contains(QStringLiteral("КРАСКА"));
}

namespace {

QString priceText(double price)
{
    return fourDecimalText(price).replace(QLatin1Char(','), QLatin1Char('.'));
}

QString dateText(const QDate& date)
{
    return sqlDateText(date);
}

} // namespace

QString duplicateStatement(const EntryValues& e)
{
    QString s = QStringLiteral("select count(id) as cnt from accounts_dep.SMENA where w_id=") + QString::number(e.worker)
        + QStringLiteral(" and o_id=") + QString::number(e.operation) + QStringLiteral(" and i_id=")
        + QString::number(e.product) + QStringLiteral(" and data=to_date('") + dateText(e.date)
        + QStringLiteral("', 'DD.MM.YYYY') and smena=") + QString::number(e.shift);
    if (e.id != 0)
        s += QStringLiteral(" and id<>") + QString::number(e.id);
    return s + QStringLiteral(" and color=") + QString::number(e.color);
}

QString insertStatement(const EntryValues& e)
{
    return QStringLiteral("insert into accounts_dep.SMENA(w_id, i_id, o_id, cena, kol_vo, brak, data, smena, color, time, "
                          "vvod,ok, prize, id_doc, id_doc_item, f_gds_qty_use, id_gds_use, id_cons_use) values(")
        + QString::number(e.worker) + QStringLiteral(", ") + QString::number(e.product) + QStringLiteral(", ")
        + QString::number(e.operation) + QStringLiteral(", ") + priceText(e.price) + QStringLiteral(",") + e.quantity
        + QStringLiteral(", ") + e.defects + QStringLiteral(", to_date('") + dateText(e.date)
        + QStringLiteral("', 'DD.MM.YYYY HH24:MI:SS'), ") + QString::number(e.shift) + QStringLiteral(", ")
        + QString::number(e.color) + QStringLiteral(", ") + e.hours + QStringLiteral(", '") + dateText(e.today)
        + QStringLiteral("', 'no', 0, 0, 0, 0, 0, 0)");
}

QString updateStatement(const EntryValues& e)
{
    return QStringLiteral("update accounts_dep.SMENA set w_id=") + QString::number(e.worker) + QStringLiteral(", i_id=")
        + QString::number(e.product) + QStringLiteral(", o_id=") + QString::number(e.operation)
        + QStringLiteral(", cena=") + priceText(e.price) + QStringLiteral(", kol_vo=") + e.quantity
        + QStringLiteral(", brak=") + e.defects + QStringLiteral(", data=to_date('") + dateText(e.date)
        + QStringLiteral("', 'DD.MM.YYYY'), smena=") + QString::number(e.shift) + QStringLiteral(", color=")
        + QString::number(e.color) + QStringLiteral(", time=") + e.hours + QStringLiteral(", vvod='")
        + dateText(e.today)
        + QStringLiteral("', prize=0, id_doc=0, id_doc_item=0, f_gds_qty_use=0, id_gds_use=0, id_cons_use=0 where id=")
        + QString::number(e.id);
}

QString digitFieldProblem(const QString& caption, const QString& text, qint64 largest)
{
    for (const QChar c : text)
        if (!c.isDigit() || c.unicode() > '9')
            return QStringLiteral("Поле \"%1\": \"%2\" не является целым числом.").arg(caption, text);
    // Leading zeros do not make a number larger.
    QString digits = text;
    while (digits.size() > 1 && digits.startsWith(QLatin1Char('0')))
        digits.remove(0, 1);
    bool ok = false;
    const qint64 value = digits.toLongLong(&ok);
    if (!ok || digits.size() > 18 || value > largest)
        return QStringLiteral("Поле \"%1\": число %2 слишком велико (не больше %3).").arg(caption, text).arg(largest);
    return {};
}
