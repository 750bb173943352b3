#pragma once

#include "toolkit/dataset.h"

#include <QDate>
#include <QPushButton>

// The period the reports dialog proposes: the whole month before today's, from its first day
// up to (not including) the first day of today's month.
struct ReportPeriod {
    QDate from;
    QDate to;
};
ReportPeriod reportsDefaultPeriod(const QDate& today);

// Opens a reference list from the menu for editing rows (browse mode) and closes its list
// afterwards.
template <class ListWindow>
void browseList(ListWindow* window, Dataset* list)
{
    window->Tag = 0;
    list->open();
    window->Button2->setDefault(false);
    window->Button2->setText(QStringLiteral("Изменить"));
    window->Button1->show();
    window->Button3->show();
    window->exec();
    list->close();
}
