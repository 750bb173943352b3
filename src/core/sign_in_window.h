#pragma once

#include "ui_sign_in_window.h"

#include <QDialog>
#include <QTimer>

// Asks for the access code; the code decides which parts of the program stay enabled.
class TForm23 : public QDialog, public Ui::TForm23 {
    Q_OBJECT
public:
    explicit TForm23(QWidget* parent = nullptr);

    void Button1Click();
    void Button2Click();
    void FormActivate();

    // Shutdown timer, switched on only by a version mismatch.
    QTimer* Timer1;

protected:
    bool event(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void reject() override;
};

// Disables the named widgets and menu actions of a window.
void disableControls(QWidget* window, const QStringList& names);

extern TForm23* Form23;
