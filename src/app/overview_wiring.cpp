#include "app/overview_wiring.h"

#include "history/change_log_window.h"
#include "journal/journal_window.h"
#include "overview/overview_window.h"
#include "timesheet/timesheet_window.h"

#include <QApplication>

void wireOverview()
{
    QObject::connect(Form19, &TForm19::overviewWanted, Form29, [](int month, int year) { Form29->ShowMonth(QDate(year, month, 1)); });
    QObject::connect(Form29, &TForm29::dayChosen, Form1, [](const QDate& day) {
        // Back to the journal: the overview and whatever was opened between them close.
        while (QWidget* modal = QApplication::activeModalWidget()) {
            if (modal == Form1)
                break;
            modal->close();
        }
        Form1->ShowDay(day);
    });
    QObject::connect(Form29, &TForm29::workerChosen, Form25,
                     [](int worker, const QDate& from, const QDate& to) { Form25->ShowPeriod(from, to, worker); });
}

void scopeOverview(Role role)
{
    if (!Form29)   // a run without the overview (a test of the sign-in alone)
        return;
    Form29->setScope(reportsShowWorkers(role), reportsFinishedProductsOnly(role));
    // The journal's day only for those who may move its date; a worker's changes for those who
    // see the change log.
    Form29->setLinks(!journalControlsOff(role).contains(QStringLiteral("DateT")),
                     !journalControlsHidden(role).contains(QStringLiteral("N14")));
}
