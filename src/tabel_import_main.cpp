// tabel-import [DBNAME SERVER]: the legacy import of the journal's hidden menu item, from a
// terminal. The arguments name the program's own database as for tabel.
#include "core/connection_string.h"
#include "core/data_module.h"
#include "legacy_import/legacy_import.h"
#include "toolkit/connections.h"
#include "toolkit/database_error.h"
#include "toolkit/local_time_zone.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>

namespace {

// One line per table, rewritten in place, at most ten times a second.
class ProgressLine {
public:
    explicit ProgressLine(QTextStream& out) : m_out(out) { m_shown.start(); }
    void show(const ImportProgress& progress)
    {
        if (progress.table != m_table) {
            finish();
            m_table = progress.table;
        }
        if (progress.copied < progress.total && m_shown.elapsed() < 100)
            return;
        m_out << '\r' << progressText(progress) << Qt::flush;
        m_open = true;
        m_shown.restart();
    }
    void finish()
    {
        if (m_open)
            m_out << '\n' << Qt::flush;
        m_open = false;
    }

private:
    QTextStream& m_out;
    QString m_table;
    QElapsedTimer m_shown;
    bool m_open = false;
};

} // namespace

int main(int argc, char** argv)
{
    settleLocalTimeZone();   // the import reads a timestamp per journal row
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const QStringList arguments = app.arguments().mid(1);
    if (arguments.contains(QLatin1String("-h")) || arguments.contains(QLatin1String("--help")) || arguments.size() > 2) {
        out << "usage: tabel-import [DBNAME SERVER]\n"
               "Copies the legacy tables of ODBC data source \"" << LegacySourceName << "\" into data source \""
            << LegacyTargetName << "\"\n(or, where it is not defined, into database DBNAME on SERVER); the legacy "
               "journal (smena)\nis read from database DBNAME on SERVER (default kemra_erp on localhost).\n"
               "SERVER may list several servers separated by commas (\"db1,db2:5433\"): the primary is used.\n";
        return arguments.size() > 2 ? 2 : 0;
    }
    ProgressLine line(out);
    try {
        try {
            openServerConnection(QLatin1String(TDataModule6::ConnectionName), connectionStringForArguments(arguments));
        } catch (const DatabaseError& e) {
            throw DatabaseError(QStringLiteral("Нет подключения к базе данных программы: ") + e.message());
        }
        connectLegacyImport();
        LegacyImport import(QLatin1String(MSA), QLatin1String(PGSQL), QLatin1String(TDataModule6::ConnectionName));
        import.setProgress([&](const ImportProgress& progress) { line.show(progress); });
        const QList<ImportedTable> tables = import.run();
        line.finish();
        out << "Скопировано записей:\n";
        for (const ImportedTable& table : tables)
            out << "  " << table.source << " → " << table.target << ": " << table.rows << '\n';
        return 0;
    } catch (const std::exception& e) {
        line.finish();
        err << "tabel-import: " << QString::fromStdString(e.what()) << '\n';
        return 1;
    }
}
