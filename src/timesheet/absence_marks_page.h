#pragma once

#include "timesheet/t13_days.h"
#include "timesheet/t13_statements.h"

#include <QStyledItemDelegate>
#include <QWidget>

class Dataset;
class DBGrid;
class QLabel;
class QMenu;
class QTimer;
class QPushButton;
class QToolButton;

// The time-sheet window's tab of the clerk's marks: every worker with each day's mark, or the
// day's hours over all shifts where there is none. Day cells of one or several workers are
// selected and marked with a code from the server's list, or cleared; the server refuses a
// mark in a closed month and one that is no work on a day with hours.
class AbsenceMarksPage : public QWidget {
    Q_OBJECT
public:
    explicit AbsenceMarksPage(QWidget* parent = nullptr);

    void setMonth(int month, int year);   // reads the month's marks
    // The same in two steps, for a window that reads them with its own lists in one round
    // trip: the sets to read for the month, then the page shown from them once read.
    QList<Dataset*> monthSets(int month, int year);
    void showMonth(bool closed);
    void refresh();                       // reads them again, keeping the place
    void close();

    // The selected cells of days the month has.
    QList<DayCell> selectedCells() const;
    // Sets `code` on the selected cells in one statement; an empty code clears them. A code that
    // is no work on a cell showing hours is refused here, naming the worker and day; whatever the
    // server refuses of several cells is said to have written none of them.
    void markSelected(const QString& code);
    // The month's weekends and holidays by the production calendar, day 1 at index 0.
    const QVector<bool>& daysOff() const { return m_daysOff; }

    DBGrid* DBGrid5;
    QToolButton* Button9;    // "Отметить": the codes' menu
    QPushButton* Button10;   // "Снять отметку"
    QMenu* CodesMenu;
    QLabel* Label2;          // why the marks are off in a closed month; holidays an annual leave skips
    Dataset* Absence;

protected:
    // A typed code's letters mark the selected cells with it; Delete clears them.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fillCodes();
    void typed(const QString& letter);
    void enableButtons();
    // The worker and day of a selected cell that shows hours, for a code that is no work.
    QString cellWithHours(const QList<DayCell>& cells, const QString& code) const;
    QString hoursRefusal(const QString& where, const QString& code, const QString& none) const;

    Dataset* Calendar;   // the month's days off, while a month is read
    Dataset* Codes;      // the codes, until the menu holds them
    int m_month = 0, m_year = 0;
    bool m_closed = false;
    AbsenceCodes m_codes;
    QVector<bool> m_daysOff;
    QVector<bool> m_holidays;
    QString m_typed;           // letters of a code typed so far
    QTimer* m_typedCode;       // a code that is also the start of a longer one waits for more
};

// "01.05, 09.05 — праздник: в отпуск не входит, в Т-13 «В»": the holidays among the cells just
// marked with annual leave; empty when there are none.
QString leaveHolidaysText(const QList<DayCell>& cells, const QVector<bool>& holidays);
// "Ни одна из 4 отметок не записана.": a refusal over several cells wrote none of them.
QString noneOfMarksWritten(int count);

// Marks bold in their own colour with the code's name as a tooltip; hours plain.
class MarksCellDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    MarksCellDelegate(const AbsenceCodes& codes, QObject* parent) : QStyledItemDelegate(parent), m_codes(codes) {}
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option, const QModelIndex& index) override;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

private:
    const AbsenceCodes& m_codes;
};
