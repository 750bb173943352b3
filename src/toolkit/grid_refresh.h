#pragma once

#include <QString>

class Dataset;
class DBGrid;

// Reads the dataset again and moves back to the row with the same key; when that row is gone,
// to the same row number or the last row; when there was no row, to the first. Throws
// DatabaseError as Dataset::open does.
void refreshKeepingRow(Dataset& set, const QString& keyField = QStringLiteral("id"));
// The same for the grid's dataset, keeping the grid's column and scroll position too.
void refreshKeepingPlace(DBGrid& grid, const QString& keyField = QStringLiteral("id"));
