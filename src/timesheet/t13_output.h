#pragma once

class QWidget;

// "Т-13" and "Т-13 в Excel" of the time-sheet window: the document's number, date and the
// choice of "НН" are asked first, then the month is read and shown in the report preview (with
// its progress, PDF and print) or written into a spreadsheet. A cancelled question does nothing.
void showT13(int month, int year, QWidget* parent);
void exportT13(int month, int year, QWidget* parent);
