#include "legacy_import/legacy_import.h"

#include "core/data_module.h"
#include "toolkit/connections.h"
#include "toolkit/database_error.h"
#include "toolkit/dataset.h"
#include "toolkit/session.h"
#include "toolkit/sql_text.h"
#include "toolkit/transaction.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlField>
#include <QSqlRecord>
#include <cmath>

#include <sql.h>
#include <sqlext.h>

namespace {

ImportColumn integer(const char* name) { return {QLatin1String(name), CarriedAs::Integer}; }
ImportColumn real(const char* name) { return {QLatin1String(name), CarriedAs::Float}; }
ImportColumn text(const char* name) { return {QLatin1String(name), CarriedAs::Text}; }

QList<ImportColumn> hoursColumns()
{
    QList<ImportColumn> columns{integer("id"), integer("w_id"), integer("month"), integer("year"), integer("smena")};
    for (int day = 1; day <= 31; ++day)
        columns << ImportColumn{QStringLiteral("d%1").arg(day), CarriedAs::Integer};
    return columns;
}

// A legacy value that cannot be carried exactly; the step names its table and row.
struct BadValue {
    QString column;
    QString value;
    QString problem;   // "не целое число", "не число", "пустой ключ"
    QString row;       // its key, or its place where the key is no good

    // "VID_OPER: строка 5, поле VID: «Распил» не целое число."
    QString text(const QString& table) const
    {
        const QString what = value.isNull() ? problem : QStringLiteral("«%1» %2").arg(value, problem);
        return QStringLiteral("%1: строка %2, поле %3: %4.").arg(table, row, column, what);
    }
};

bool isKey(const ImportColumn& column)
{
    return column.name.compare(QLatin1String("id"), Qt::CaseInsensitive) == 0;
}

// A legacy number, read from its text form (the source is asked for text, so that no driver
// rounds or zeroes it on the way). An empty value reads as 0, except in a key; a text that is
// no number, or no whole number where the column holds integers, is refused.
double numberOf(const QVariant& value, const ImportColumn& column, const QString& sourceName)
{
    const QString text = value.isNull() ? QString() : value.toString().trimmed();
    if (text.isEmpty()) {
        if (isKey(column))
            throw BadValue{sourceName, QString(), QStringLiteral("пустой ключ")};
        return 0;
    }
    QString digits = text;
    digits.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double number = digits.toDouble(&ok);
    const bool integer = column.kind == CarriedAs::Integer;
    if (!ok || !std::isfinite(number) || (integer && number != std::trunc(number)))
        throw BadValue{sourceName, value.toString(), integer ? QStringLiteral("не целое число") : QStringLiteral("не число")};
    return number;
}

// A legacy value as a literal the target column converts to its own type. Typed dates travel in
// ISO form, which the server reads the same under any date style.
QString textLiteral(const QVariant& value, bool textTarget)
{
    if (value.isNull())
        return QStringLiteral("NULL");
    switch (value.typeId()) {
    case QMetaType::QDate:
        return sqlQuote(value.toDate().toString(Qt::ISODate));
    case QMetaType::QDateTime:
        return sqlQuote(value.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")));
    case QMetaType::QTime:
        return sqlQuote(value.toTime().toString(QStringLiteral("HH:mm:ss.zzz")));
    case QMetaType::Double:
    case QMetaType::Float:
        return sqlQuote(sqlNumber(value.toDouble()));
    default:
        break;
    }
    const QString text = value.toString();
    if (text.isEmpty())
        return textTarget ? QStringLiteral("''") : QStringLiteral("NULL");
    return sqlQuote(text);
}

QString literal(const QVariant& value, const ImportColumn& column, const QString& sourceName, bool textTarget)
{
    switch (column.kind) {
    case CarriedAs::Integer:
        return sqlNumber(qlonglong(numberOf(value, column, sourceName)));
    case CarriedAs::Float:
        return sqlNumber(numberOf(value, column, sourceName));
    case CarriedAs::Text:
        break;
    }
    return textLiteral(value, textTarget);
}

QString quotedName(const QString& name)
{
    return QLatin1Char('"') + name + QLatin1Char('"');
}

// A source column as the select list reads it: numbers as their text, under a name of their own
// so that "order by id" still sorts by the number.
QString sourceColumn(const QString& name, CarriedAs kind)
{
    if (kind == CarriedAs::Text)
        return quotedName(name);
    return QStringLiteral("CAST(%1 AS VARCHAR(254)) AS %2").arg(quotedName(name), quotedName(name + QLatin1String("_text")));
}

// Opens a named connection to an ODBC data source; the driver manager finds
// the data source's driver and settings, the login prompt stays off.
void openDataSource(const QString& connectionName, const QString& dataSource, const QString& user,
                    const QString& password)
{
    if (QSqlDatabase::contains(connectionName))
        QSqlDatabase::removeDatabase(connectionName);
    try {
        openOdbcConnection(connectionName, dataSource, user, password);
    } catch (const DatabaseError& e) {
        throw DatabaseError(QStringLiteral("Нет подключения к источнику данных ODBC «%1»: %2").arg(dataSource, e.message()));
    }
}

// Whether the driver manager knows a data source of that name (user or system).
bool dataSourceDefined(const QString& name)
{
    SQLHENV env = SQL_NULL_HENV;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env)))
        return false;
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    bool found = false;
    SQLCHAR dsn[SQL_MAX_DSN_LENGTH + 1];
    SQLCHAR description[256];
    SQLSMALLINT dsnLength = 0, descriptionLength = 0;
    for (SQLUSMALLINT direction = SQL_FETCH_FIRST; !found
         && SQL_SUCCEEDED(SQLDataSources(env, direction, dsn, sizeof dsn, &dsnLength, description, sizeof description,
                                         &descriptionLength));
         direction = SQL_FETCH_NEXT)
        found = QString::fromLocal8Bit(reinterpret_cast<const char*>(dsn)).compare(name, Qt::CaseInsensitive) == 0;
    SQLFreeHandle(SQL_HANDLE_ENV, env);
    return found;
}

} // namespace

void connectLegacyImport()
{
    if (!QSqlDatabase::database(QLatin1String(MSA), false).isOpen())
        openDataSource(QLatin1String(MSA), QLatin1String(LegacySourceName), QString(), QLatin1String(LegacySourcePassword));
    if (QSqlDatabase::database(QLatin1String(PGSQL), false).isOpen())
        return;
    if (dataSourceDefined(QLatin1String(LegacyTargetName))) {
        openDataSource(QLatin1String(PGSQL), QLatin1String(LegacyTargetName), QStringLiteral("sys"), QString());
        // The target gets the program's own session: day-first dates whatever its server says.
        prepareServerSession(QLatin1String(PGSQL));
        return;
    }
    // Without a data source of its own the target is the program's database, on a second
    // connection so that the import's transaction is its own.
    if (QSqlDatabase::contains(QLatin1String(PGSQL)))
        QSqlDatabase::removeDatabase(QLatin1String(PGSQL));
    openServerConnection(QLatin1String(PGSQL), Session::live(QLatin1String(TDataModule6::ConnectionName)).connectOptions());
}

const QList<ImportStep>& legacyImportSteps()
{
    // The grid comes after the journal: the server makes the cells of the journal's rows as they
    // arrive, and the legacy grid then replaces them as it stands.
    static const QList<ImportStep> steps{
        {QStringLiteral("IZDEL"), QStringLiteral("accounts_dep.izdel"), true, false,
         {integer("id"), text("marka"), text("nom"), real("massa")}},
        {QStringLiteral("NOMENKL"), QStringLiteral("accounts_dep.nomenkl"), false, false, {text("marka"), text("nom")}},
        {QStringLiteral("OPER"), QStringLiteral("accounts_dep.oper"), true, false,
         {integer("id"), integer("vid"), integer("naimen"), real("cena"), integer("i_id")}},
        {QStringLiteral("VID_OPER"), QStringLiteral("accounts_dep.vid_oper"), true, false, {integer("id"), text("vid")}},
        {QStringLiteral("WORKERS"), QStringLiteral("accounts_dep.workers"), true, false,
         {integer("id"), text("fio"), text("addr")}},
        {QStringLiteral("smena"), QStringLiteral("accounts_dep.smena"), true, true,
         {integer("id"), integer("w_id"), integer("i_id"), integer("o_id"), integer("kol_vo"), integer("brak"),
          integer("smena"), real("cena"), integer("color"), text("ok"), text("data"), text("time"), text("vvod")}},
        {QStringLiteral("H_TABEL"), QStringLiteral("accounts_dep.h_tabel"), true, false, hoursColumns()},
    };
    return steps;
}

QString progressText(const ImportProgress& progress)
{
    return progress.table + QStringLiteral(": ") + QString::number(progress.copied) + QStringLiteral(" из ")
        + QString::number(progress.total) + QStringLiteral(" записей");
}

LegacyImport::LegacyImport(QString sourceConnection, QString targetConnection, QString programConnection)
    : m_source(std::move(sourceConnection)), m_target(std::move(targetConnection)), m_program(std::move(programConnection))
{
}

QList<ImportedTable> LegacyImport::run()
{
    Transaction transaction(m_target);
    QList<ImportedTable> done;
    for (const ImportStep& step : legacyImportSteps())
        done << copy(step);
    for (const ImportStep& step : legacyImportSteps())
        moveIdSequence(step.target);
    transaction.commit();
    return done;
}

ImportedTable LegacyImport::copy(const ImportStep& step)
{
    const QString from = step.throughProgram ? m_program : m_source;
    QStringList names;
    for (const ImportColumn& column : step.columns)
        names << quotedName(column.name);
    const QString columnList = names.join(QLatin1String(", "));
    try {
        QSqlQuery count = runStatement(from, QStringLiteral("select count(*) from ") + step.source);
        const int total = count.next() ? count.value(0).toInt() : 0;
        const QSqlRecord record = runStatement(from, QStringLiteral("select * from ") + step.source + QStringLiteral(" where 1=0")).record();
        QStringList sourceNames, selected;
        for (const ImportColumn& column : step.columns) {
            const int index = record.indexOf(column.name);   // letter case does not matter
            if (index < 0)
                throw DatabaseError(QStringLiteral("Нет поля %1.").arg(column.name));
            sourceNames << record.fieldName(index);
            selected << sourceColumn(sourceNames.last(), column.kind);
        }
        QSqlQuery rows = runStatement(from, QStringLiteral("select %1 from %2").arg(selected.join(QLatin1String(", ")), step.source)
                                                + (step.ordered ? QStringLiteral(" order by id ASC") : QString()));
        int keyColumn = -1;
        for (int i = 0; i < step.columns.size(); ++i)
            if (isKey(step.columns.at(i)))
                keyColumn = i;
        // Empty texts stay empty texts only where the target holds text.
        const QSqlRecord targetRecord
            = runStatement(m_target, QStringLiteral("select %1 from %2 where false").arg(columnList, step.target)).record();
        QVector<bool> textTarget;
        for (int i = 0; i < step.columns.size(); ++i)
            textTarget << (targetRecord.field(i).metaType().id() == QMetaType::QString);

        runStatement(m_target, QStringLiteral("delete from ") + step.target + QStringLiteral(" where id>0"));

        const QString insert = QStringLiteral("insert into %1 (%2) values ").arg(step.target, columnList);
        QString statement;
        int pending = 0;
        auto flush = [&] {
            if (pending == 0)
                return;
            runStatement(m_target, statement);
            statement.clear();
            pending = 0;
        };
        ImportProgress progress{step.source, 0, total};
        while (rows.next()) {
            statement += pending == 0 ? insert : QStringLiteral(",");
            statement += QLatin1Char('(');
            for (int i = 0; i < step.columns.size(); ++i) {
                if (i > 0)
                    statement += QLatin1Char(',');
                try {
                    statement += literal(rows.value(i), step.columns.at(i), sourceNames.at(i), textTarget.at(i));
                } catch (BadValue& bad) {
                    const QString key = keyColumn >= 0 ? rows.value(keyColumn).toString().trimmed() : QString();
                    bool whole = false;
                    key.toLongLong(&whole);
                    bad.row = whole ? key : QString::number(progress.copied + 1);
                    throw;
                }
            }
            statement += QLatin1Char(')');
            if (++pending >= m_batchSize)
                flush();
            ++progress.copied;
            if (m_progress)
                m_progress(progress);
        }
        flush();
        return {step.source, step.target, progress.copied};
    } catch (const BadValue& bad) {
        throw DatabaseError(bad.text(step.source));
    } catch (const DatabaseError& e) {
        throw DatabaseError(QStringLiteral("%1 → %2: %3").arg(step.source, step.target, e.message()), e.statement());
    }
}

void LegacyImport::moveIdSequence(const QString& table)
{
    QSqlQuery found = runStatement(m_target, QStringLiteral("select pg_get_serial_sequence(%1, 'id')").arg(sqlQuote(table)));
    if (!found.next() || found.value(0).isNull())
        return;
    runStatement(m_target, QStringLiteral("select setval(%1, greatest(coalesce(max(id), 0), 0)::bigint + 1, false) from %2")
                               .arg(sqlQuote(found.value(0).toString()), table));
}
