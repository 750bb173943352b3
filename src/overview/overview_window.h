#pragma once

#include "overview/overview_figures.h"
#include "overview/overview_print.h"
#include "ui_overview_window.h"

#include <QDate>
#include <QDialog>

class QTableWidget;
class QTimer;
struct MonthNotice;
struct ShiftNotice;

// "Обзор месяца": the hours of a month day by day and stacked by shift, the output per worker
// and per product group, each chart with its exact figures beside it; or a whole year month by
// month. A click on a day or a worker is handed on (dayChosen, workerChosen) to whoever opens
// the journal or the worker's history.
class TForm29 : public QDialog, public Ui::TForm29 {
    Q_OBJECT
public:
    explicit TForm29(QWidget* parent = nullptr);

    // The month of `date`, shown modally.
    void ShowMonth(const QDate& date);
    // The month of `date` chosen, read and drawn.
    void ChooseMonth(const QDate& date);
    // What the role sees, as its reports show it: the output per worker or not, every product
    // kind or the finished products alone.
    void setScope(bool workers, bool finishedOnly);
    // Whether a click on a day or on a worker leads anywhere for the role.
    void setLinks(bool days, bool workers);

    OverviewPeriod shownPeriod() const;
    const OverviewFigures& figures() const { return m_figures; }
    OutputMeasure measure() const;
    // What "Сохранить как…" prints: the period shown, as shown.
    OverviewSheet sheet() const;

    void PeriodChange();     // month, year, or month or year view chosen: read and draw again
    void MeasureChange();    // workers by money or by pieces
    void CheckBox1Click();   // product groups as bars or as a pie
    void Button1Click();     // "Сохранить как…"
    void Button2Click();     // read again
    void Button4Click();

    // A bar or a line of the figures chosen: the day (the month of a year), the worker.
    void PartChosen(int part);
    void WorkerChosen(int rank);

signals:
    void dayChosen(const QDate& day);
    void workerChosen(int workerId, const QDate& from, const QDate& to);

private:
    void readPeriod();
    void drawAll();
    void drawHours();
    void drawWorkers();
    void drawGroups();
    void showState();
    // Another client saved into the shown period, or closed or reopened a month of it: read
    // again soon, once no dialog opened here is in the way.
    void JournalChanged(const ShiftNotice& notice);
    void ClosingChanged(const MonthNotice& notice);
    void refreshChanged();

    OverviewFigures m_figures;
    bool m_read = false;
    bool m_workersShown = true;
    bool m_finishedOnly = false;
    bool m_dayLinks = false;
    bool m_workerLinks = false;
    bool m_changed = false;
    QTimer* m_changedTimer;
};

extern TForm29* Form29;
