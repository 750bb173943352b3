#include "legacy_import/legacy_import.h"

#include "core/data_module.h"
#include "toolkit/connections.h"
#include "toolkit/database_error.h"
#include "toolkit/dataset.h"
#include "toolkit/reading_session.h"
#include "toolkit/session.h"
#include "toolkit/sql_text.h"
#include "toolkit/transaction.h"

#include <QDateTime>
#include <QHash>
#include <QSqlDatabase>
#include <QSqlRecord>
#include <cmath>
#include <limits>
#include <optional>

#include <sql.h>
#include <sqlext.h>

namespace {

ImportColumn integer(const char* name) { return {QLatin1String(name), CarriedAs::Integer}; }
ImportColumn real(const char* name) { return {QLatin1String(name), CarriedAs::Float}; }
ImportColumn text(const char* name) { return {QLatin1String(name), CarriedAs::Text}; }
ImportColumn hours(const char* name) { return {QLatin1String(name), CarriedAs::Hours}; }

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
    QString problem;   // "не целое число", "не число", "пустой ключ", "не положительное число", "вне пределов поля (…)"
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

// What a target column holds, as far as the import checks a value before sending it.
struct TargetColumn {
    bool text = false;   // an empty text stays an empty text
    qlonglong lowest = std::numeric_limits<qlonglong>::min();    // whole numbers
    qlonglong highest = std::numeric_limits<qlonglong>::max();
    double largest = std::numeric_limits<double>::max();         // magnitude of other numbers
};

// A column of the server's type `type`; `digits` is the number of digits before the point of a
// numeric column with a precision, 0 otherwise. A type without a narrower limit takes what the
// import carries: 64-bit whole numbers, doubles.
TargetColumn targetColumn(const QString& type, bool text, int digits)
{
    TargetColumn column;
    column.text = text;
    auto whole = [&](qlonglong highest) {
        column.lowest = -highest - (type == QLatin1String("numeric") ? 0 : 1);
        column.highest = highest;
    };
    if (type == QLatin1String("smallint"))
        whole(std::numeric_limits<qint16>::max());
    else if (type == QLatin1String("integer"))
        whole(std::numeric_limits<qint32>::max());
    else if (type == QLatin1String("real"))
        column.largest = std::numeric_limits<float>::max();
    else if (type == QLatin1String("numeric") && digits > 0 && digits <= 18) {
        whole(qlonglong(std::pow(10.0, digits)) - 1);
        column.largest = std::nextafter(std::pow(10.0, digits), 0.0);
    }
    return column;
}

// A number written in decimal ("7", "-7.50", "+5", "007", "1e3", "2,5"), as its significant
// digits and the power of ten they are scaled by; nothing for any other text.
struct Decimal {
    bool negative = false;
    QString digits;        // without leading or trailing zeros; empty for zero
    qlonglong exponent = 0;
};

std::optional<Decimal> decimalOf(QStringView text)
{
    Decimal number;
    qsizetype i = 0;
    auto isDigit = [&] { return i < text.size() && text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9'); };
    if (i < text.size() && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-')))
        number.negative = text[i++] == QLatin1Char('-');
    bool anyDigit = false;
    bool point = false;
    for (; i < text.size(); ++i) {
        if (isDigit()) {
            anyDigit = true;
            if (!number.digits.isEmpty() || text[i] != QLatin1Char('0'))
                number.digits += text[i];
            if (point)
                --number.exponent;
        } else if (!point && (text[i] == QLatin1Char('.') || text[i] == QLatin1Char(','))) {
            point = true;
        } else {
            break;
        }
    }
    if (!anyDigit)
        return std::nullopt;
    if (i < text.size() && (text[i] == QLatin1Char('e') || text[i] == QLatin1Char('E'))) {
        ++i;
        bool negative = false;
        if (i < text.size() && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-')))
            negative = text[i++] == QLatin1Char('-');
        if (!isDigit())
            return std::nullopt;
        qlonglong power = 0;
        for (; isDigit(); ++i)
            power = qMin(power * 10 + text[i].digitValue(), qlonglong(1) << 40);   // far beyond any column
        number.exponent += negative ? -power : power;
    }
    if (i != text.size())
        return std::nullopt;
    while (number.digits.endsWith(QLatin1Char('0'))) {
        number.digits.chop(1);
        ++number.exponent;
    }
    if (number.digits.isEmpty())
        number = Decimal{};
    return number;
}

// The 64-bit value of a whole decimal; nothing when it is beyond that.
std::optional<qlonglong> wholeNumber(const Decimal& number)
{
    if (number.digits.isEmpty())
        return 0;
    if (number.digits.size() + number.exponent > 19)
        return std::nullopt;
    const QString text = (number.negative ? QStringLiteral("-") : QString()) + number.digits
        + QString(qsizetype(number.exponent), QLatin1Char('0'));
    bool ok = false;
    const qlonglong value = text.toLongLong(&ok);
    return ok ? std::optional<qlonglong>(value) : std::nullopt;
}

QString rangeProblem(const QString& lowest, const QString& highest)
{
    return QStringLiteral("вне пределов поля (от %1 до %2)").arg(lowest, highest);
}

// A legacy number as a literal, read from its text form (the source is asked for text, so that
// no driver rounds or zeroes it on the way): the exact whole number where the target holds
// integers, however it is written, within the column's limits; a positive one in a key. An empty
// value reads as 0, except in a key and in the journal's hours, where the hours were never given.
QString integerLiteral(const QString& text, const QString& sourceText, const ImportColumn& column, const TargetColumn& target,
                       const QString& sourceName)
{
    if (text.isEmpty()) {
        if (isKey(column))
            throw BadValue{sourceName, QString(), QStringLiteral("пустой ключ")};
        return column.kind == CarriedAs::Hours ? QStringLiteral("NULL") : QStringLiteral("0");
    }
    bool plain = false;   // digits alone, as nearly every value is written
    std::optional<qlonglong> value = text.toLongLong(&plain);
    if (!plain) {
        const std::optional<Decimal> number = decimalOf(text);
        if (!number || number->exponent < 0)
            throw BadValue{sourceName, sourceText, QStringLiteral("не целое число")};
        value = wholeNumber(*number);
    }
    if (!value || *value < target.lowest || *value > target.highest)
        throw BadValue{sourceName, sourceText, rangeProblem(QString::number(target.lowest), QString::number(target.highest))};
    if (isKey(column) && *value <= 0)
        throw BadValue{sourceName, sourceText, QStringLiteral("не положительное число")};
    return sqlNumber(*value);
}

QString floatLiteral(const QString& text, const QString& sourceText, const TargetColumn& target, const QString& sourceName)
{
    if (text.isEmpty())
        return QStringLiteral("0");
    const std::optional<Decimal> number = decimalOf(text);
    if (!number)
        throw BadValue{sourceName, sourceText, QStringLiteral("не число")};
    if (number->digits.isEmpty())
        return QStringLiteral("0");
    QString digits = text;
    digits.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double value = digits.toDouble(&ok);
    if (!ok || !std::isfinite(value) || std::fabs(value) > target.largest)
        throw BadValue{sourceName, sourceText,
                       rangeProblem(QString::number(-target.largest, 'g', 6), QString::number(target.largest, 'g', 6))};
    return sqlNumber(value);
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

QString literal(const QVariant& value, const ImportColumn& column, const TargetColumn& target, const QString& sourceName)
{
    if (column.kind == CarriedAs::Text)
        return textLiteral(value, target.text);
    const QString sourceText = value.toString();
    const QString text = sourceText.trimmed();
    if (column.kind == CarriedAs::Integer || column.kind == CarriedAs::Hours)
        return integerLiteral(text, sourceText, column, target, sourceName);
    return floatLiteral(text, sourceText, target, sourceName);
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

// The target's columns a step writes, in the step's order, as the server declares them: the
// type's name, whether it holds text, and the digits before the point of a numeric with a precision.
QList<TargetColumn> targetColumns(const QString& connection, const ImportStep& step)
{
    QSqlQuery found = runStatement(
        connection, QStringLiteral("select a.attname, format_type(a.atttypid, null), (t.typcategory = 'S')::int, "
                                   "case when a.atttypid = 'numeric'::regtype and a.atttypmod >= 4 "
                                   "then ((a.atttypmod - 4) >> 16) - ((a.atttypmod - 4) & 65535) else 0 end "
                                   "from pg_attribute a join pg_type t on t.oid = a.atttypid "
                                   "where a.attrelid = %1::regclass and a.attnum > 0 and not a.attisdropped")
                        .arg(sqlQuote(step.target)));
    QHash<QString, TargetColumn> declared;
    while (nextRow(found, connection))
        declared.insert(found.value(0).toString().toLower(),
                        targetColumn(found.value(1).toString(), found.value(2).toInt() != 0, found.value(3).toInt()));
    QList<TargetColumn> columns;
    for (const ImportColumn& column : step.columns) {
        const auto it = declared.constFind(column.name.toLower());
        if (it == declared.constEnd())
            throw DatabaseError(QStringLiteral("Нет поля %1.").arg(column.name));
        columns << *it;
    }
    return columns;
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
          integer("smena"), real("cena"), integer("color"), text("ok"), text("data"), hours("time"), text("vvod")}},
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
    // The grid is replaced after the journal. Emptied first, it leaves the server no cells to
    // bring in step while the old journal goes; the cells of the new journal's rows it makes
    // again, and the grid's own step then replaces them. The server brings a transaction's cells
    // in step at its commit unless told to do it statement by statement, as here: at the commit
    // they would overwrite the legacy grid.
    runStatement(m_target, QStringLiteral("set constraints accounts_dep.h_tabel_queue_settle immediate"));
    runStatement(m_target, QStringLiteral("delete from accounts_dep.h_tabel where id>0"));
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
    QStringList names;
    for (const ImportColumn& column : step.columns)
        names << quotedName(column.name);
    const QString columnList = names.join(QLatin1String(", "));
    try {
        // The program's connection also serves the windows and their timers; a statement of
        // theirs would make the driver drop the journal's rows not read yet, so the journal is
        // read on a session of its own.
        std::optional<ReadingSession> session;
        if (step.throughProgram && m_program != m_source)
            session.emplace(m_program);
        const QString from = session ? session->connectionName() : step.throughProgram ? m_program : m_source;
        QSqlQuery count = runStatement(from, QStringLiteral("select count(*) from ") + step.source);
        const int total = nextRow(count, from) ? count.value(0).toInt() : 0;
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
        const QList<TargetColumn> targets = targetColumns(m_target, step);

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
        while (nextRow(rows, from)) {
            statement += pending == 0 ? insert : QStringLiteral(",");
            statement += QLatin1Char('(');
            for (int i = 0; i < step.columns.size(); ++i) {
                if (i > 0)
                    statement += QLatin1Char(',');
                try {
                    statement += literal(rows.value(i), step.columns.at(i), targets.at(i), sourceNames.at(i));
                } catch (BadValue& bad) {
                    const std::optional<Decimal> key
                        = keyColumn >= 0 ? decimalOf(rows.value(keyColumn).toString().trimmed()) : std::nullopt;
                    const std::optional<qlonglong> number = key && key->exponent >= 0 ? wholeNumber(*key) : std::nullopt;
                    bad.row = QString::number(number ? *number : progress.copied + 1);
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

// A sequence only moves forward: numbers it gave out before (to rows deleted since, whose
// history stays) are never given again. Its next number becomes the larger of its own next one
// (its last value, or the one after it once given out) and the one after the largest id.
void LegacyImport::moveIdSequence(const QString& table)
{
    QSqlQuery found = runStatement(m_target, QStringLiteral("select pg_get_serial_sequence(%1, 'id')").arg(sqlQuote(table)));
    if (!nextRow(found, m_target) || found.value(0).isNull())
        return;
    const QString sequence = found.value(0).toString();
    runStatement(m_target, QStringLiteral("select setval(%1, greatest(max(id)::bigint + 1, "
                                          "(select last_value + case when is_called then 1 else 0 end from %2)), false) from %3")
                               .arg(sqlQuote(sequence), sequence, table));
}
