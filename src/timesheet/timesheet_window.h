#pragma once

#include "ui_timesheet_window.h"

#include <QDate>
#include <QDialog>

class AbsenceMarksPage;
class Dataset;
class QTimer;
class TimesheetCellDelegate;
struct MonthNotice;

// The monthly hours grid, one tab per shift 1 to 3 and one for overtime (shift 4), which the
// printout adds to the others: reloaded, rebuilt from the journal and
// exported to a spreadsheet for the month and year chosen in the two lists.
class TForm19 : public QDialog, public Ui::TForm19 {
    Q_OBJECT
public:
    explicit TForm19(QWidget* parent = nullptr);

    // From the journal: the month of `date`, shown modally; the grids are closed afterwards.
    void ShowMonth(const QDate& date);

    void FormActivate();
    void ComboBox1Change();   // month or year chosen: the grids of that month
    void Button1Click();      // rebuild the month from the journal
    void Button2Click();      // spreadsheet
    void Button4Click();
    void Button5Click();      // reload
    void Button6Click();      // the printed month, in a preview
    void Button7Click();      // the unified time sheet (T-13), in a preview
    void Button8Click();      // the same form into a spreadsheet
    void Button9Click();      // the month at a glance (overviewWanted)

    AbsenceMarksPage* TabSheet5;   // the clerk's marks of the month

    int chosenMonth() const { return ComboBox1->currentIndex() + 1; }
    int chosenYear() const { return ComboBox2->currentText().toInt(); }

signals:
    // The overview of the chosen month is asked for; whoever owns the overview opens it.
    void overviewWanted(int month, int year);

protected:
    bool event(QEvent* e) override;

private:
    QList<Dataset*> gridDatasets() const;
    QList<DBGrid*> grids() const;
    void closeGrids();
    // Closes the grids, then reads the chosen month again.
    void reopenGrids();
    // Reads the month's four grids, its marks and whether it is closed, in one round trip;
    // answers whether it is closed.
    bool readMonth(int month, int year);
    // Whether the grids show the month of `notice`.
    bool shows(const MonthNotice& notice) const;
    // Another client changed hours of the shown month, or closed or reopened it: the grids, or
    // the month state, are read again soon, once no dialog opened here is in the way.
    void HoursChanged(const MonthNotice& notice);
    void ClosingChanged(const MonthNotice& notice);
    void refreshChangedMonth();
    // "Перестроить" off while the shown month is closed.
    void showMonthState();
    void applyMonthState(bool closed);

    QList<TimesheetCellDelegate*> m_delegates;
    bool m_monthChanged = false;
    bool m_monthStateChanged = false;
    QTimer* m_changedMonth;
    Dataset* m_closedCheck;
};

extern TForm19* Form19;
