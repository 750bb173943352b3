#pragma once

#include "journal/entry_statements.h"

#include <QDate>
#include <QList>
#include <QPair>
#include <QString>

// Small rows for tests, written through plain statements; the database's own rules add the
// derived rows (product list, ERP person, first norm).
namespace Fixture {
int classItem(const QString& caption);
// A goods row; answers its id, which is also the product's id.
int product(const QString& mark, double massa = 1.0, int classItemId = 0);
int operationType(const QString& name);
// An operation with one first norm priced `price`.
int operation(int productId, int typeId, int naimen = 0, double price = 10.0);
int worker(const QString& fio, const QString& position = QString());

struct Entry {
    QDate date;
    int shift = 1;
    int worker = 0;
    int operation = 0;
    int product = 0;
    double price = 10.0;
    int quantity = 10;
    int defects = 0;
    int color = 0;
    int hours = 8;
    QString ok = QStringLiteral("no");
};
int entry(const Entry& e);

// The hours grid's cell of a worker, shift and day (0 when the row is missing).
int hoursCell(int worker, int shift, const QDate& date);

// A trigger on the hours grid that runs `body` (PL/pgSQL) before every insert and update of a
// row, for as long as the object lives or until lift().
class GridTrigger {
public:
    explicit GridTrigger(const QString& body);
    ~GridTrigger();
    GridTrigger(const GridTrigger&) = delete;
    GridTrigger& operator=(const GridTrigger&) = delete;
    void lift();

private:
    bool m_on = true;
};
// Three workers and one operation of one product: the floor the journal and time-sheet tests
// start from.
struct Floor {
    int ivanov = 0;
    int petrov = 0;
    int sidorov = 0;
    int product = 0;
    int operation = 0;
};
Floor makeFloor();
// An entry of the floor's operation.
int entry(const Floor& f, int worker, const QDate& date, int shift = 1, int hours = 8, const QString& ok = QStringLiteral("no"));
// A new entry of the floor's operation as the entry editor hands it on: 5 pieces, 4 hours.
EntryValues editorEntry(const Floor& f, int worker, const QDate& date, int shift = 1);
// An empty database, then the floor with an entry of Иванов and one of Сидоров in shift 1 of
// `day`, and the program's today set to it.
Floor floorOfTwoEntries(const QDate& day);
// The journal shown on `day`, shift 1, every entry listed whatever its mark (a sign-in that
// sees all): what it reads when the user opens it.
void showJournal(const QDate& day);

using Days = QList<QPair<int, int>>;   // (day of the month, hours)
// The row of the hours grid for the worker, the shift and the month of `month`, with these days
// set as by hand; a row the server already made for his entries keeps its other days.
void hoursRow(int worker, int shift, const QDate& month, const Days& days);
}
