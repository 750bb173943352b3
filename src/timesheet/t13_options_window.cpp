#include "timesheet/t13_options_window.h"

#include "timesheet/t13_sheet.h"
#include "toolkit/fixed_dialog.h"

TForm28::TForm28(QWidget* parent) : QDialog(parent)
{
    setupUi(this);
    makeFixedDialog(this);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
}

bool TForm28::Ask(int month, int year, T13Heading& heading)
{
    const T13Heading defaults = defaultT13Heading(month, year);
    Edit1->setText(defaults.documentNumber);
    DateT->setDate(defaults.drawnUp);
    Edit1->setFocus();
    Edit1->selectAll();
    if (exec() != QDialog::Accepted)
        return false;
    heading.documentNumber = Edit1->text().trimmed();
    heading.drawnUp = DateT->date();
    heading.markUnexplained = CBox1->isChecked();
    return true;
}
