#pragma once

#include "ui_t13_options_window.h"

#include <QDialog>

struct T13Heading;

// Asked before the unified time sheet is printed or exported: the document's number (the
// month's by default), its date, and whether unexplained absences are marked "НН".
class TForm28 : public QDialog, public Ui::TForm28 {
    Q_OBJECT
public:
    explicit TForm28(QWidget* parent = nullptr);
    // Shows the month's defaults modally; false when the user cancelled.
    bool Ask(int month, int year, T13Heading& heading);
};
