#pragma once

#include "journal/entry_statements.h"

#include <QDate>

// What the editor writes for a new entry of the floor's worker 1 + day % 300 on a day of the
// floor's last month: the save the journal benchmarks repeat.
inline EntryValues benchEntry(int day, int operation, int product)
{
    EntryValues e;
    e.worker = 1 + day % 300;
    e.operation = operation;
    e.product = product;
    e.shift = 1 + day % 3;
    e.price = 12.5;
    e.date = QDate(2025, 12, 1 + day % 28);
    e.quantity = QStringLiteral("10");
    e.defects = QStringLiteral("1");
    e.hours = QStringLiteral("4");
    e.today = e.date;
    return e;
}
