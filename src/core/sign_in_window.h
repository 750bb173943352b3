#pragma once

#include "core/roles.h"
#include "ui_sign_in_window.h"

#include <QDialog>
#include <QTimer>

#include <functional>

// What the sign-in hands over to the journal and the reports dialog. Those windows sit above
// core, so the start-up wiring (app/sign_in_wiring) fills these in for the whole program.
struct SignInHooks {
    // Compares this build with the server's stamp; an outdated build starts Timer1.
    std::function<void()> checkVersion;
    // Every press of "Вход", before the code is judged: the journal keeps the code and starts
    // on the first shift.
    std::function<void(const QString& code)> codeTyped;
    // A known code: switches off what the role may not use and runs the journal modally.
    std::function<void(Role role)> signedIn;
};

// Asks for the access code; the code decides which parts of the program stay enabled.
class TForm23 : public QDialog, public Ui::TForm23 {
    Q_OBJECT
public:
    explicit TForm23(QWidget* parent = nullptr);

    void Button1Click();
    void Button2Click();
    void FormActivate();

    static void setHooks(SignInHooks hooks);

    // Shutdown timer, switched on only by a version mismatch.
    QTimer* Timer1;

protected:
    bool event(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void reject() override;

private:
    bool m_activatedSinceShown = false;
};

// Disables the named widgets and menu actions of a window.
void disableControls(QWidget* window, const QStringList& names);
// Takes the named menu items out of a window's menus: the role does not see them.
void withdrawActions(QWidget* window, const QStringList& names);

extern TForm23* Form23;
