#pragma once

#include <QDateTime>
#include <QFlags>
#include <QList>
#include <QString>

// The spreadsheet every export fills. A workbook is a new .xlsx file in the user's documents
// folder, subfolder "Tabel"; ShowWorkbook(true) finishes it and hands it to the desktop's
// spreadsheet program. One workbook is filled at a time: opening a new one finishes the one
// before without opening it. Each operation answers 1, or -1 after telling the user. A workbook
// that cannot be made (full disk, read-only folder) is reported with its full path and the
// system's reason, and no part of it is left in the folder. Numbers are written with a point and
// at most 15 significant digits whatever the locale.

// How WriteCell stores a cell.
enum class Cell {
    AsText = 0x1,   // text format "@": the text stays text even when it reads as a number
    AutoFit = 0x2,  // the column is fitted to its longest content
    Bold = 0x4,
    Border = 0x8,   // a thin line on every side
    Centred = 0x10, // centred across and down, long texts wrapped
};
Q_DECLARE_FLAGS(CellFlags, Cell)
Q_DECLARE_OPERATORS_FOR_FLAGS(CellFlags)

// Starts a new workbook with one sheet. The file is named after `title` (the export) and the
// time, e.g. "Цены 2024-05-17 14-03-22.xlsx"; an empty title gives "Книга".
int OpenWorkbook(const QString& title = QString());

// true: finishes the file and opens it in the spreadsheet program; false: leaves it unopened,
// to be filled further. Nothing happens while no workbook is open. When the desktop cannot open
// the finished file, the user is told its full path and may open its folder instead.
int ShowWorkbook(bool visible);

// Drops the workbook being filled without writing it: its file leaves the folder and the next
// ShowWorkbook does nothing. For an export the user stops half-way.
void DiscardWorkbook();

// Writes one cell; sheet, column and row count from 1. An empty text writes nothing but its
// border. A text
// that reads as a number (comma or point as the separator) becomes a number cell unless
// written AsText. A bad sheet number or a cell that cannot be written is reported and nothing
// is written.
int WriteCell(int sheet, int column, int row, const QString& text, CellFlags flags = {});

// Writes a date, with its time when `withTime`, as a date the spreadsheet counts with (a day
// number shown "dd.mm.yyyy" or "dd.mm.yyyy hh:mm:ss"); an invalid one writes nothing. Checks
// and reports as WriteCell does.
int WriteDateCell(int sheet, int column, int row, const QDateTime& value, bool withTime, CellFlags flags = {});

// Writes `text` into the cells from (column, row) to (lastColumn, lastRow), merged into one;
// the flags as for WriteCell (AutoFit aside).
int MergeCells(int sheet, int column, int row, int lastColumn, int lastRow, const QString& text, CellFlags flags = {});

// A column's width in the spreadsheet's character units.
int SetColumnWidth(int sheet, int column, double width);
// A row's height in points (15 is one line of the default font).
int SetRowHeight(int sheet, int row, double points);

// A4 printing, landscape or portrait, scaled to one page wide (as many pages down as needed).
int FitPageWidth(int sheet, bool landscape);

// Rows firstRow..lastRow print again at the top of every page (the column titles of a form).
int RepeatRowsOnEveryPage(int sheet, int firstRow, int lastRow);
// A new printed page starts below each of these rows (ascending, at most 1023).
int BreakPagesBelow(int sheet, const QList<int>& rows);

// Where new workbooks go: <documents>/Tabel.
QString workbookFolder();
