#include "history/admin_login_dialog.h"

#include "core/data_module.h"
#include "toolkit/fixed_dialog.h"
#include "toolkit/session.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>

namespace {
const QString LastLoginKey = QStringLiteral("closing/adminLogin");

QSettings settings()
{
    return QSettings(QStringLiteral("Tabel"), QStringLiteral("tabel"));
}
}

AdminLoginDialog::AdminLoginDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("AdminLogin"));
    setWindowTitle(QStringLiteral("Администратор БД"));
    auto* form = new QFormLayout(this);
    auto* note = new QLabel(QStringLiteral("Закрыть и открыть месяц может только администратор БД.\n"
                                           "Войдите своим именем и паролем сервера БД."),
                            this);
    form->addRow(note);
    // The administrator's session goes to the server the program's connection is on, the same way.
    if (Session::channel(QLatin1String(TDataModule6::ConnectionName)) == Session::Channel::Plain) {
        PlainChannel = new QLabel(QStringLiteral("Внимание: соединение с сервером БД не зашифровано (без TLS).\n"
                                                 "Пароль может пройти по сети в открытом виде."),
                                  this);
        PlainChannel->setObjectName(QStringLiteral("PlainChannel"));
        QPalette palette = PlainChannel->palette();
        palette.setColor(QPalette::WindowText, Qt::darkRed);
        PlainChannel->setPalette(palette);
        form->addRow(PlainChannel);
    }
    Login = new QLineEdit(this);
    Login->setObjectName(QStringLiteral("Login"));
    Password = new QLineEdit(this);
    Password->setObjectName(QStringLiteral("Password"));
    Password->setEchoMode(QLineEdit::Password);
    form->addRow(QStringLiteral("Имя:"), Login);
    form->addRow(QStringLiteral("Пароль:"), Password);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Войти"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Отмена"));
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    const auto enableOk = [this, buttons] { buttons->button(QDialogButtonBox::Ok)->setEnabled(!Login->text().trimmed().isEmpty()); };
    connect(Login, &QLineEdit::textChanged, this, enableOk);
    Login->setText(settings().value(LastLoginKey).toString());
    enableOk();
    makeFixedDialog(this);
}

bool AdminLoginDialog::ask(AdminLogin& login)
{
    Password->clear();   // asked again after a wrong one, the password is typed anew
    if (Login->text().isEmpty())
        Login->setFocus();
    else
        Password->setFocus();
    if (exec() != QDialog::Accepted)
        return false;
    login = {Login->text().trimmed(), Password->text()};
    settings().setValue(LastLoginKey, login.name);
    return true;
}
