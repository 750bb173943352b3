#pragma once

#include "ui_journal_window.h"

#include <QDialog>
#include <QSet>
#include <QTimer>
#include <optional>

class Command;
class Dataset;
struct ShiftNotice;
struct MonthNotice;

// The journal: entries of one day and one shift, the hub from which every other window opens.
class TForm1 : public QDialog, public Ui::TForm1 {
    Q_OBJECT
public:
    explicit TForm1(QWidget* parent = nullptr);

    // Compares this build with the stamp in the database; ends the program when it is older.
    // A server out of reach is reported once until a check gets through again.
    void CheckVersion();

    void FormActivate();
    // The date is chosen: the calendar closed, or Enter was pressed in the picker.
    void DateTCloseUp();
    void CBox1Click(bool checked);
    void RadioButtonClick(int shift);
    void Button1Click();   // add an entry
    void Button2Click();   // change the selected entry
    void Button3Click();
    void Button4Click();
    void Button8Click();
    void DBGrid2DblClick();
    void N1Click();
    void N3Click();
    void N4Click();
    void N6Click();
    void N10Click();   // the reports dialog, preset to the month before today's
    void N11Click();   // the time sheet of the journal date's month
    void N12Click();   // legacy import
    void N13Click();   // the history of the selected entry
    void N14Click();   // the changes of the journal date's month
    void N15Click();   // closing and reopening months
    void N17Click();   // the organisation's requisites for the unified time sheet
    void N18Click();   // the overview of the journal date's month
    // The journal of `day`, as if the day had been picked in the date picker.
    void ShowDay(const QDate& day);

    int FShift = 1;
    Dataset* FShiftDataset = nullptr;
    QString FSignInCode;
    qint32 FBuildDate = 0;
    qint32 FBuildTime = 0;

    QTimer* Timer1;
    Dataset* ver;
    Command* updtOK;

protected:
    bool event(QEvent* e) override;
    void showEvent(QShowEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    // Closes the four journal lists, then opens them in shift order, for `date` when given.
    void reopenShiftLists(std::optional<QDate> date = std::nullopt);
    QList<QRadioButton*> shiftButtons() const;
    // Another client changed entries: the lists of that day and shift are read again soon,
    // once no dialog opened here is in the way.
    void JournalChanged(const ShiftNotice& notice);
    // Another client closed or reopened a month: the listed day's month state is read again
    // with the lists.
    void ClosingChanged(const MonthNotice& notice);
    void refreshChangedLists();
    // "Месяц закрыт" beside the date when the listed day's month is closed, and adding,
    // changing, deleting and acceptance off while it is.
    void showMonthState();
    void applyMonthState(bool closed);

    Command* verWrite;
    QWidget* m_calendarPopup;
    bool m_activatedSinceShown = false;
    bool m_serverAway = false;
    QSet<int> m_changedShifts;
    QTimer* m_changedLists;
    bool m_monthClosed = false;
    Dataset* m_closedCheck = nullptr;
    bool m_monthStateChanged = false;
    // The buttons the closed month switched off (not those the role did).
    QList<QWidget*> m_closedMonthOff;
};

extern TForm1* Form1;
