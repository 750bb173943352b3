#pragma once

#include "ui_month_closing_window.h"

#include <QDialog>
#include <functional>

class Dataset;
struct AdminLogin;

// "Закрытие месяца": the months of the journal, each open or closed; closes and reopens them.
class TForm26 : public QDialog, public Ui::TForm26 {
    Q_OBJECT
public:
    explicit TForm26(QWidget* parent = nullptr);

    // Shows the months modally; the list is closed afterwards.
    void ShowMonths();

    void Button1Click();   // close the selected month
    void Button2Click();   // reopen it
    void Button4Click();

    Dataset* Months;

private:
    // "Закрыть месяц" for an open month, "Открыть месяц" for a closed one.
    void enableButtons();
    // Reads the list again and returns to the month it was on.
    void reopenList();
    // Asks an administrator's login and runs `action` with it; a name or password the server
    // does not take is said so and asked again. False when the user gave up.
    bool asAdministrator(const std::function<void(const AdminLogin&)>& action);
};

extern TForm26* Form26;
