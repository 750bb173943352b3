#include "toolkit/sql_text.h"

#include "toolkit/database_error.h"

#include <QDateTime>
#include <cmath>

QString sqlQuote(const QString& text)
{
    QString doubled = text;
    doubled.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + doubled + QLatin1Char('\'');
}

QString sqlDateText(const QDate& date)
{
    return date.toString(QStringLiteral("dd.MM.yyyy"));
}

QString sqlDate(const QDate& date)
{
    return QStringLiteral("to_date('%1', 'DD.MM.YYYY')").arg(sqlDateText(date));
}

QString sqlNumber(double value)
{
    if (std::isfinite(value) && value == std::trunc(value) && std::fabs(value) < 1e15)
        return QString::number(qlonglong(value));
    return QString::number(value, 'g', 15);
}

QString sqlNumber(qlonglong value)
{
    return QString::number(value);
}

QString sqlLiteral(const QVariant& value)
{
    if (!value.isValid() || value.isNull())
        return QStringLiteral("NULL");
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
        return sqlNumber(value.toLongLong());
    case QMetaType::Double:
    case QMetaType::Float:
        return sqlNumber(value.toDouble());
    case QMetaType::QDate:
        return sqlDate(value.toDate());
    case QMetaType::QDateTime:
        return QStringLiteral("to_timestamp('%1', 'DD.MM.YYYY HH24:MI:SS')::timestamp")
            .arg(value.toDateTime().toString(QStringLiteral("dd.MM.yyyy HH:mm:ss")));
    default:
        return sqlQuote(value.toString());
    }
}

QString bindParameters(const QString& statement, const QVariantMap& params)
{
    QString out;
    out.reserve(statement.size() + 32);
    const int n = statement.size();
    for (int i = 0; i < n; ++i) {
        const QChar c = statement.at(i);
        if (c == QLatin1Char('\'')) {               // copy a literal as it stands
            int j = i + 1;
            while (j < n) {
                if (statement.at(j) == QLatin1Char('\'')) {
                    if (j + 1 < n && statement.at(j + 1) == QLatin1Char('\'')) { j += 2; continue; }
                    break;
                }
                ++j;
            }
            out += statement.mid(i, j - i + 1);
            i = j;
            continue;
        }
        if (c == QLatin1Char(':') && i + 1 < n && statement.at(i + 1) == QLatin1Char(':')) {
            out += QLatin1String("::");             // a cast, not a parameter
            ++i;
            continue;
        }
        if (c == QLatin1Char(':') && i + 1 < n
            && (statement.at(i + 1).isLetter() || statement.at(i + 1) == QLatin1Char('_'))) {
            int j = i + 1;
            while (j < n && (statement.at(j).isLetterOrNumber() || statement.at(j) == QLatin1Char('_')))
                ++j;
            const QString name = statement.mid(i + 1, j - i - 1);
            auto it = params.constFind(name.toLower());
            if (it == params.constEnd())
                throw DatabaseError(QStringLiteral("Parameter '%1' has no value").arg(name), statement);
            out += sqlLiteral(it.value());
            i = j - 1;
            continue;
        }
        out += c;
    }
    return out;
}
