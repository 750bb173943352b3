// The program's reads and its spreadsheet writer against their floors on the same machine:
// a read against the same statement run through libpq in one session that is already
// connected, the writer against libxlsxwriter alone writing the same cells. Program and floor
// take turns within each repetition; the table gives the median ratio with its range.
#include "timings.h"
#include "core/connection_string.h"
#include "core/data_module.h"
#include "export/spreadsheet_writer.h"
#include "reports/report_statements.h"
#include "toolkit/connections.h"
#include "toolkit/desktop.h"
#include "toolkit/local_time_zone.h"
#include "toolkit/row_filter.h"
#include "toolkit/sql_text.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>

#include <libpq-fe.h>
#include <xlsxwriter.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {


QString only;   // the cases whose name contains this, when given (e.g. to profile one)

bool selected(const char* name) { return QString::fromUtf8(name).contains(only); }

// Runs program and floor in turn `repeats` times after one warm-up round of each.
void compare(const char* name, int repeats, const std::function<void()>& ours, const std::function<void()>& floor)
{
    if (!selected(name))
        return;
    ours();
    floor();
    std::vector<double> oursTimes, floorTimes, ratios;
    for (int i = 0; i < repeats; ++i) {
        const double a = seconds(ours), b = seconds(floor);
        oursTimes.push_back(a);
        floorTimes.push_back(b);
        ratios.push_back(a / b);
    }
    std::printf("| %-44s | %9.1f | %9.1f | %5.2f | %5.2f-%-5.2f |\n", name, median(oursTimes) * 1e3,
                median(floorTimes) * 1e3, median(ratios), *std::min_element(ratios.begin(), ratios.end()),
                *std::max_element(ratios.begin(), ratios.end()));
    std::fflush(stdout);
}

// One libpq session for every floor read.
class Session {
public:
    explicit Session(const QString& host)
    {
        const std::string conninfo = "host=" + host.toStdString() + " user=sys dbname=kemra_erp";
        m_conn = PQconnectdb(conninfo.c_str());
        if (PQstatus(m_conn) != CONNECTION_OK) {
            std::fprintf(stderr, "libpq: %s", PQerrorMessage(m_conn));
            std::exit(1);
        }
    }
    ~Session() { PQfinish(m_conn); }

    // Reads every row into memory and touches every value, as a client that keeps them does.
    void read(const QString& statement) const
    {
        PGresult* result = PQexec(m_conn, statement.toUtf8().constData());
        if (PQresultStatus(result) != PGRES_TUPLES_OK && PQresultStatus(result) != PGRES_COMMAND_OK) {
            std::fprintf(stderr, "libpq: %s", PQresultErrorMessage(result));
            std::exit(1);
        }
        size_t bytes = 0;
        for (int r = 0, rows = PQntuples(result), columns = PQnfields(result); r < rows; ++r)
            for (int c = 0; c < columns; ++c)
                bytes += PQgetlength(result, r, c) + (PQgetvalue(result, r, c)[0] != 0);
        m_sink += bytes;
        PQclear(result);
    }
    void run(const char* statement) const { read(QString::fromUtf8(statement)); }

private:
    PGconn* m_conn = nullptr;
    mutable size_t m_sink = 0;
};

void compareRead(const char* name, int repeats, Dataset& set, const Session& session)
{
    const QString statement = set.sql();   // no parameters
    compare(name, repeats, [&] { set.refresh(); }, [&] { session.read(statement); });
}

// The program's connection as it was before: Qt's ODBC driver, unixODBC and psqlODBC, with the
// driver options the program gave it.
const char* const OdbcConnection = "odbc";

void openOdbcPath(const QString& host)
{
    openOdbcConnection(QLatin1String(OdbcConnection),
                       "DRIVER={PostgreSQL UNICODE};DATABASE=kemra_erp;SERVER=" + host
                           + ";PORT=5432;UID=sys;PWD=mudvakp;SSLmode=allow;ReadOnly=0;Protocol=7.4;FakeOidIndex=0;"
                             "ShowOidColumn=0;RowVersioning=0;ShowSystemTables=0;Fetch=100;UnknownSizes=0;"
                             "MaxVarcharSize=255;MaxLongVarcharSize=8190;Debug=0;CommLog=0;UseDeclareFetch=0;"
                             "TextAsLongVarchar=1;UnknownsAsLongVarchar=0;BoolsAsChar=1;Parse=0;"
                             "ExtraSysTablePrefixes=;LFConversion=1;UpdatableCursors=1;TrueIsMinus1=0;BI=0;"
                             "ByteaAsLongVarBinary=1;UseServerSidePrepare=1;LowerCaseIdentifier=0;D6=-101;"
                             "OptionalErrors=0;XaOpt=1");
    prepareServerSession(QLatin1String(OdbcConnection));
}

// The same statement read as a Dataset reads it, but with a scrollable query: Qt's PostgreSQL
// driver then takes the whole result from libpq at once instead of row by row.
void readScrollable(const QString& statement)
{
    QSqlQuery query(QSqlDatabase::database(QLatin1String(TDataModule6::ConnectionName)));
    query.setForwardOnly(false);
    if (!query.exec(statement))
        std::exit(1);
    const int columns = query.record().count();
    QVector<QVector<QVariant>> rows;
    while (query.next()) {
        QVector<QVariant>& row = rows.emplace_back();
        row.reserve(columns);
        for (int i = 0; i < columns; ++i)
            row.append(query.value(i));
    }
}

// One read through the program's connection, the old ODBC path and a scrollable query, each
// against libpq; prints the rows read.
void compareReadPaths(const char* name, int repeats, const QString& statement, const Session& session)
{
    Dataset ours(TDataModule6::ConnectionName, "ours");
    ours.setSql(statement);
    Dataset before(OdbcConnection, "before");
    before.setSql(statement);
    compare(name, repeats, [&] { ours.refresh(); }, [&] { session.read(statement); });
    if (selected(name) && ours.isEmpty()) {
        std::fprintf(stderr, "%s: no rows; is the benchmark data loaded?\n", name);
        std::exit(1);
    }
    if (selected(name))
        std::printf("|   %-42s | %9d | rows\n", "", ours.recordCount());
    compare((std::string(name) + ", before: ODBC").c_str(), repeats, [&] { before.refresh(); },
            [&] { session.read(statement); });
    compare((std::string(name) + ", scrollable query").c_str(), repeats, [&] { readScrollable(statement); },
            [&] { session.read(statement); });
}

void compareDay(const char* name, TDataModule6& module, const Session& session)
{
    if (!selected(name))
        return;
    Dataset* lists[] = {module.Smena1, module.Smena2, module.Smena3, module.Smena4};
    const QVariantMap params{{"data", QDate(2025, 3, 12)}, {"ok", "ta"}};
    QStringList statements;
    for (Dataset* list : lists) {
        for (auto p = params.begin(); p != params.end(); ++p)
            list->setParam(p.key(), p.value());
        statements << bindParameters(list->sql(), params);
    }
    compare(name, 15, [&] { for (Dataset* list : lists) list->refresh(); },
            [&] { for (const QString& s : statements) session.read(s); });
    int rows = 0;
    for (Dataset* list : lists)
        rows += list->recordCount();
    std::printf("|   %-42s | %9d | rows\n", "", rows);
    std::vector<std::unique_ptr<Dataset>> before;
    for (const QString& statement : statements) {
        before.push_back(std::make_unique<Dataset>(OdbcConnection, "before"));
        before.back()->setSql(statement);
    }
    compare((std::string(name) + ", before: ODBC").c_str(), 15,
            [&] { for (auto& list : before) list->refresh(); },
            [&] { for (const QString& s : statements) session.read(s); });
}

// 400 000 cells as an export writes them: a text column and nine numbers written as text.
void compareWriter()
{
    const char* const name = "spreadsheet writer, 400 000 cells";
    if (!selected(name))
        return;
    const int rows = 40000, columns = 10;
    std::vector<QString> texts;
    std::vector<std::string> captions;
    std::vector<double> numbers;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c) {
            const double n = (r * 37 + c * 11) % 10000 / 100.0;
            const QString caption = QStringLiteral("ИЗД-%1").arg(r % 1000, 5, 10, QLatin1Char('0'));
            texts.push_back(c == 0 ? caption : QString::number(n, 'f', 2).replace('.', ','));
            captions.push_back(caption.toStdString());
            numbers.push_back(n);
        }
    Desktop::setOpener([](const QString&) { return true; });
    const QString folder = workbookFolder();
    compare(name, 5,
            [&] {
                OpenWorkbook(QStringLiteral("bench"));
                for (int r = 0; r < rows; ++r)
                    for (int c = 0; c < columns; ++c)
                        WriteCell(1, c + 1, r + 1, texts[r * columns + c], c == 0 ? CellFlags(Cell::AutoFit) : CellFlags());
                ShowWorkbook(true);
            },
            [&] {
                const std::string path = QDir(folder).filePath("floor.xlsx").toStdString();
                lxw_workbook* book = workbook_new(path.c_str());
                lxw_worksheet* sheet = workbook_add_worksheet(book, "Лист1");
                for (int r = 0; r < rows; ++r)
                    for (int c = 0; c < columns; ++c) {
                        if (c == 0)
                            worksheet_write_string(sheet, r, c, captions[r * columns + c].c_str(), nullptr);
                        else
                            worksheet_write_number(sheet, r, c, numbers[r * columns + c], nullptr);
                    }
                worksheet_set_column(sheet, 0, 0, 11, nullptr);
                workbook_close(book);
            });
    QDir(folder).removeRecursively();
}

} // namespace

int main(int argc, char** argv)
{
    // The writer's files go under a private home, removed at the end.
    QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    qunsetenv("XDG_DOCUMENTS_DIR");
    settleLocalTimeZone();   // as the program does
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_dataset SOCKET_FOLDER [CASE]\n");
        return 2;
    }
    if (argc > 2)
        only = QString::fromLocal8Bit(argv[2]);
    const QString host = QString::fromLocal8Bit(argv[1]);
    TDataModule6 module;
    module.openConnection(connectionString("kemra_erp", host));
    const Session session(host);

    std::printf("| %-44s | %9s | %9s | %5s | %-11s |\n", "case", "ours, ms", "floor, ms", "ratio", "range");
    std::printf("|%s|%s|%s|%s|%s|\n", std::string(46, '-').c_str(), std::string(11, '-').c_str(),
                std::string(11, '-').c_str(), std::string(7, '-').c_str(), std::string(13, '-').c_str());

    openOdbcPath(host);
    compareDay("journal of a busy day, four shift lists", module, session);

    module.Oper->open();
    compareRead("operations price list", 10, *module.Oper, session);

    compareReadPaths("whole journal", 5, "select * from accounts_dep.smena", session);
    compareReadPaths("year report's query (detailed by workers)", 5,
                     bindParameters(workersDetailReportStatement(),
                                    {{"data1", QDate(2025, 1, 1)}, {"data2", QDate(2026, 1, 1)}}),
                     session);

    Dataset all(TDataModule6::ConnectionName, "all");
    all.setSql("select * from accounts_dep.smena");
    all.open();

    // Filtering rows already read, against the server doing the same "ilike".
    compare("prefix filter on the whole journal", 5,
            [&] {
                all.setFilter(prefixFilter("ok", "N"));
                all.setFiltered(true);
                all.setFiltered(false);
            },
            [&] { session.run("select * from accounts_dep.smena where ok ilike 'N%'"); });

    compareWriter();

    // The ERP holds many more persons than the workshop has workers.
    const char* const manyPersons = "same, with 50 000 ERP persons";
    if (!selected(manyPersons))
        return 0;
    session.run("insert into cmn_contractor.person (s_caption, s_code) "
                "select 'Контрагент ' || g, (1000000 + g)::text from generate_series(1, 49700) g");
    session.run("analyze cmn_contractor.person");
    compareDay(manyPersons, module, session);
    return 0;
}
