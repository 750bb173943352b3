#pragma once

#include "history/month_closing.h"

#include <QDialog>

class QLabel;
class QLineEdit;

// Asks for the database login of an administrator (tabel_admin) and its password, for one
// closing or reopening. The login typed last time is filled in; the password never is, nor is
// it kept. Where the program's connection is neither encrypted nor a local socket, it says so.
class AdminLoginDialog : public QDialog {
    Q_OBJECT
public:
    explicit AdminLoginDialog(QWidget* parent = nullptr);

    // Shows the dialog modally; answers whether a login was given, and keeps it for next time.
    bool ask(AdminLogin& login);

    QLineEdit* Login;
    QLineEdit* Password;
    QLabel* PlainChannel = nullptr;   // the warning of an unencrypted connection, when shown
};
