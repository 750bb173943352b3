#pragma once

#include "ui_requisites_window.h"

#include <QDialog>

struct Requisites;

// "Реквизиты организации" (administrator): the organisation, its ОКПО, the structural unit and
// the three signatories of the unified time sheet, the default kind of pay and its account, and
// whether the third shift is night work.
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

// ОКПО is 8 digits (10 for a sole trader), or not given yet.
bool okpoAccepted(const QString& text);
