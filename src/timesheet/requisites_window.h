#pragma once

#include "ui_requisites_window.h"

#include <QDialog>

struct Requisites;

// "Реквизиты организации" (administrator): the organisation, its ОКПО, the structural unit and
// the three signatories of the unified time sheet, and whether the third shift is night work.
class TForm27 : public QDialog, public Ui::TForm27 {
    Q_OBJECT
public:
    explicit TForm27(QWidget* parent = nullptr);

    // Reads the row, shows it modally; "Записать" stores it and closes.
    void ShowRequisites();
    void Button1Click();

private:
    void fill(const Requisites& r);
    Requisites typed() const;
};

extern TForm27* Form27;
