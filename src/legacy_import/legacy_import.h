#pragma once

#include <QList>
#include <QString>
#include <functional>

// The legacy desktop database, an ODBC data source defined on the machine, and the import's own
// connection to the target: the ODBC data source Tabel_PgSQL where the machine defines it (its
// password, if any, comes from the data source), otherwise the program's database.
inline constexpr const char* LegacySourceName = "Tabel";
inline constexpr const char* LegacySourcePassword = "zolpewatu";
inline constexpr const char* LegacyTargetName = "Tabel_PgSQL";
// Connection names of the two data sources for the run.
inline constexpr const char* MSA = "MSA";
inline constexpr const char* PGSQL = "PGSQL";

// Opens MSA and PGSQL unless they are open (PGSQL after the program's own connection, when no
// data source Tabel_PgSQL is defined); throws DatabaseError naming the data source.
void connectLegacyImport();

// How a legacy value is carried into its target column.
enum class CarriedAs {
    Integer,   // read as a number, empty as 0
    Hours,     // read as a whole number; empty (no value, or blank text) stays empty
    Float,     // read as a number, empty as 0
    Text,      // its text form, converted by the target column; empty stays empty
};

struct ImportColumn {
    QString name;
    CarriedAs kind;
};

// One legacy table copied into one target table.
struct ImportStep {
    QString source;               // as the legacy database names it; also the progress text's name
    QString target;
    bool ordered = true;          // read by id ascending
    bool throughProgram = false;  // read through the program's own connection, not MSA
    QList<ImportColumn> columns;
};

// The seven copies, in the order they run.
const QList<ImportStep>& legacyImportSteps();

struct ImportProgress {
    QString table;
    int copied = 0;
    int total = 0;
};
// "OPER: 3 из 250 записей"
QString progressText(const ImportProgress& progress);

struct ImportedTable {
    QString source;
    QString target;
    int rows = 0;
};

// Empties each target table (rows with a positive id) and refills it from its legacy table with
// the legacy record numbers, all in one transaction on the target: an error leaves every target
// as it was. Afterwards each refilled table's id sequence continues past its largest id.
class LegacyImport {
public:
    LegacyImport(QString sourceConnection, QString targetConnection, QString programConnection);

    // Called after every copied row.
    void setProgress(std::function<void(const ImportProgress&)> progress) { m_progress = std::move(progress); }
    // Rows per insert statement.
    void setBatchSize(int rows) { m_batchSize = rows; }

    // Throws DatabaseError; nothing is changed then.
    QList<ImportedTable> run();

private:
    ImportedTable copy(const ImportStep& step);
    void moveIdSequence(const QString& table);

    QString m_source;
    QString m_target;
    QString m_program;
    std::function<void(const ImportProgress&)> m_progress;
    int m_batchSize = 500;
};
