#pragma once

#include "toolkit/dataset.h"

#include <QObject>

class ChangeNotices;

// The one connection of the run and the datasets and commands the windows share.
class TDataModule6 : public QObject {
    Q_OBJECT
public:
    static constexpr const char* ConnectionName = "ADO_DB";

    explicit TDataModule6(QObject* parent = nullptr);
    ~TDataModule6() override;

    // Opens ADO_DB with the connection string and prepares its session; throws DatabaseError
    // with the driver's text. A lost connection is opened again by the next statement.
    void openConnection(const QString& connectionString);
    void closeConnection();
    bool isConnected() const;

    // Runs a count statement on Control; when its cnt is above 0 shows the message in a stop
    // box captioned "Ошибка" and answers true.
    bool CheckDuplicate(const QString& statement, const QString& message);
    // Puts DecimalDelimiter in place of the first "," (or else the first ".") of a number text.
    QString ReplaceDecimalSeparator(const QString& text) const;

    // The shift dataset of a shift number (Smena1 for anything but 2, 3 and 4).
    Dataset* shiftDataset(int shift) const;

    Dataset* Smena1;
    Dataset* Smena2;
    Dataset* Smena3;
    Dataset* Smena4;
    Dataset* Workers;
    Dataset* Izdel;
    Dataset* Vid_oper;
    Dataset* Oper;
    Dataset* H_Tabel_1;
    Dataset* H_Tabel_2;
    Dataset* H_Tabel_3;
    Dataset* H_Tabel_4;   // overtime
    Dataset* Control;

    Command* DelSmena;
    Command* H_Tabel_ins;
    Command* Oper_ins;
    Command* Oper_ed;
    Command* Oper_del;
    Command* SQL_exec;

    QString DecimalDelimiter;

    // Journal entries and hours changed by other clients, as the server announces them.
    ChangeNotices* Changes;

private:
    Dataset* dataset(const QString& name, const QString& statement = {});
    Command* command(const QString& name, const QString& statement = {});
};

QString replaceDecimalSeparator(const QString& text, const QString& delimiter);
// The statement of the journal list of one shift (1 to 4).
QString journalStatement(int shift);

extern TDataModule6* DataModule6;
