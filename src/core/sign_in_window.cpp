#include "core/sign_in_window.h"

#include "core/build_stamp.h"
#include "core/data_module.h"
#include "toolkit/error_guard.h"
#include "toolkit/fixed_dialog.h"
#include "toolkit/message_box.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <utility>

TForm23* Form23 = nullptr;

namespace {
SignInHooks& hooks()
{
    static SignInHooks installed;
    return installed;
}
}

void TForm23::setHooks(SignInHooks installed)
{
    hooks() = std::move(installed);
}

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
    // Once per showing: a message box closing over the window activates it again, and the
    // version check after that is the journal's timer's.
    if (e->type() == QEvent::Show)
        m_activatedSinceShown = false;
    if (e->type() == QEvent::WindowActivate && !std::exchange(m_activatedSinceShown, true))
        guarded([this] { FormActivate(); });
    return QDialog::event(e);
}

void TForm23::FormActivate()
{
    hooks().checkVersion();
    setWindowTitle(QStringLiteral("Авторизация (build: %1.%2)").arg(BuildStamp::dateNumber()).arg(BuildStamp::timeNumber()));
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

void withdrawActions(QWidget* window, const QStringList& names)
{
    for (const QString& name : names)
        if (auto* action = window->findChild<QAction*>(name))
            for (QObject* holder : action->associatedObjects())
                if (auto* widget = qobject_cast<QWidget*>(holder))
                    widget->removeAction(action);
}

void TForm23::Button1Click()
{
    const QString code = Edit1->text().trimmed();
    hooks().codeTyped(code);
    for (Dataset* shift : {DataModule6->Smena1, DataModule6->Smena2, DataModule6->Smena3, DataModule6->Smena4})
        shift->setParam(QStringLiteral("ok"), QStringLiteral("ta"));
    const Role role = roleForCode(code);
    if (role == Role::Unknown) {
        MessageBox::stop(QStringLiteral("Введены неверные данные."), QStringLiteral("Ошибка"));
        return;
    }
    hide();
    hooks().signedIn(role);
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
