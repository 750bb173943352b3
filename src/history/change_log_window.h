#pragma once

#include "ui_change_log_window.h"

#include <QDate>
#include <QDialog>

class Dataset;

// "Журнал изменений": the changes of the entries and of the day marks of a period, by worker and
// by action. Opened again, it starts from the period it is given, every worker and action, and by
// the entries' dates.
class TForm25 : public QDialog, public Ui::TForm25 {
    Q_OBJECT
public:
    explicit TForm25(QWidget* parent = nullptr);

    // Shows the changes of the entries dated from `from` to `to` modally: of one worker's
    // entries when `workerId` is given.
    void ShowPeriod(const QDate& from, const QDate& to, int workerId = 0);

    void FilterChange();   // the period, the worker or the action chosen: the list again
    void Button1Click();   // the history of the selected row's entry
    void Button2Click();   // spreadsheet
    void Button4Click();

    Dataset* Changes;

private:
    void fillWorkers();

    bool m_refusing = false;   // an inverted period's message is up
};

extern TForm25* Form25;
