#include "catalogs/product_statements.h"

#include "toolkit/sql_text.h"

#include <QRegularExpression>
#include <cmath>

QString productDuplicateStatement(const QString& mark, qint64 exceptId)
{
    QString statement = QStringLiteral("select count(*) as cnt from accounts_dep.izdel where upper(marka)=")
        + sqlQuote(mark.toUpper());
    if (exceptId >= 0)
        statement += QStringLiteral("and id<>") + sqlNumber(exceptId);
    return statement;
}

QString productInsertStatement(const QString& mark, double massa, qint64 classItemId)
{
    return QStringLiteral("INSERT INTO cmn_gds_and_srv.gds_and_srv(s_caption, s_description, id_msm_bs, massa, id_class_item)VALUES(")
        + sqlQuote(mark) + QStringLiteral(", '', 6, ") + sqlNumber(massa) + QStringLiteral(",") + sqlNumber(classItemId)
        + QStringLiteral(")");
}

QString productUpdateStatement(const QString& mark, double massa, qint64 classItemId, qint64 id)
{
    return QStringLiteral("UPDATE cmn_gds_and_srv.gds_and_srv SET s_caption=") + sqlQuote(mark)
        + QStringLiteral(", s_description='', id_msm_bs=6, massa=") + sqlNumber(massa) + QStringLiteral(", id_class_item=")
        + sqlNumber(classItemId) + QStringLiteral(" where id=") + sqlNumber(id);
}

std::optional<double> numberBoxValue(const QString& typed)
{
    static const QRegularExpression number(QStringLiteral("^(\\d+([.,]\\d*)?|[.,]\\d+)$"));
    QString text = typed.trimmed();
    if (!number.match(text).hasMatch())
        return std::nullopt;
    text.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

QString numberBoxProblem(const QString& caption, const QString& typed)
{
    return QStringLiteral("Поле \"%1\": \"%2\" не является числом.").arg(caption, typed.trimmed());
}

QString massaBoxText(const QVariant& stored)
{
    if (stored.isNull())
        return {};
    // The driver hands decimals over as digit texts or as doubles; a digit text keeps
    // every digit the database holds.
    static const QRegularExpression plain(QStringLiteral("^-?\\d+(\\.\\d+)?$"));
    QString text = stored.toString().trimmed();
    if (!plain.match(text).hasMatch())
        return QString::number(stored.toDouble(), 'f', 6).remove(QRegularExpression(QStringLiteral("\\.?0+$")));
    if (text.contains(QLatin1Char('.'))) {
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        if (text.endsWith(QLatin1Char('.')))
            text.chop(1);
    }
    return text;
}

QDate productEntriesBound(const QDate& today)
{
    const int month = today.month() == 1 ? 13 : today.month();
    return QDate(2000, month - 1, 1);
}

QString productOperationsDeleteStatement(qint64 id)
{
    return QStringLiteral("delete from accounts_dep.oper o where o.i_id =") + sqlNumber(id);
}

QString productEntriesDeleteStatement(qint64 id)
{
    return QStringLiteral("delete from accounts_dep.smena s where s.i_id =") + sqlNumber(id);
}

QString productDeleteStatement(qint64 id)
{
    return QStringLiteral("delete from cmn_gds_and_srv.gds_and_srv  where id=") + sqlNumber(id);
}
