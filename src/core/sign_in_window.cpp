#include "core/sign_in_window.h"

#include "core/data_module.h"
#include "core/roles.h"
#include "journal/journal_window.h"
#include "reports/report_statements.h"
#include "reports/reports_window.h"
#include "toolkit/error_guard.h"
#include "toolkit/fixed_dialog.h"
#include "toolkit/message_box.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>

TForm23* Form23 = nullptr;

TForm23::TForm23(QWidget* parent) : QDialog(parent)
{
    setupUi(this);
    Edit1->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));   // "*"
    makeFixedDialog(this);
    Timer1 = new QTimer(this);
    Timer1->setInterval(5000);
    Timer1->setSingleShot(true);
    connect(Timer1, &QTimer::timeout, qApp, &QCoreApplication::quit);
    on(Button1, &QPushButton::clicked, this, &TForm23::Button1Click);
    on(Button2, &QPushButton::clicked, this, &TForm23::Button2Click);
}

bool TForm23::event(QEvent* e)
{
    if (e->type() == QEvent::WindowActivate)
        guarded([this] { FormActivate(); });
    return QDialog::event(e);
}

void TForm23::FormActivate()
{
    Form1->CheckVersion();
    setWindowTitle(QStringLiteral("Авторизация (build: %1.%2)").arg(Form1->FBuildDate).arg(Form1->FBuildTime));
}

void disableControls(QWidget* window, const QStringList& names)
{
    for (const QString& name : names) {
        if (auto* widget = window->findChild<QWidget*>(name))
            widget->setEnabled(false);
        else if (auto* action = window->findChild<QAction*>(name))
            action->setEnabled(false);
    }
}

void TForm23::Button1Click()
{
    Form1->FShift = 1;
    const QString code = Edit1->text().trimmed();
    Form1->FSignInCode = code;
    for (Dataset* shift : {DataModule6->Smena1, DataModule6->Smena2, DataModule6->Smena3, DataModule6->Smena4})
        shift->setParam(QStringLiteral("ok"), QStringLiteral("ta"));
    const Role role = roleForCode(code);
    if (role == Role::Unknown) {
        MessageBox::stop(QStringLiteral("Введены неверные данные."), QStringLiteral("Ошибка"));
        return;
    }
    disableControls(Form1, journalControlsOff(role));
    disableControls(Form18, reportsControlsOff(role));
    if (reportsFinishedProductsOnly(role))
        Form18->RadioGroup1->setItemIndex(FinishedProducts);
    hide();
    Form1->exec();
    close();
}

void TForm23::Button2Click()
{
    close();
}

void TForm23::reject()
{
    close();
}

void TForm23::closeEvent(QCloseEvent* e)
{
    QDialog::closeEvent(e);
    // The sign-in window is the main window: closing it ends the program.
    QCoreApplication::quit();
}
