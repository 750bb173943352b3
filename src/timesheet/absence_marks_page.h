#pragma once

#include "timesheet/t13_days.h"
#include "timesheet/t13_statements.h"

#include <QStyledItemDelegate>
#include <QWidget>

class Dataset;
class DBGrid;
class QMenu;
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
    // Sets `code` on the selected cells in one statement; an empty code clears them.
    void markSelected(const QString& code);

    DBGrid* DBGrid5;
    QToolButton* Button9;    // "Отметить": the codes' menu
    QPushButton* Button10;   // "Снять отметку"
    QMenu* CodesMenu;
    Dataset* Absence;

private:
    void fillCodes();

    Dataset* Calendar;   // the month's days off, while a month is read
    Dataset* Codes;      // the codes, until the menu holds them
    int m_month = 0, m_year = 0;
    AbsenceCodes m_codes;
};

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
