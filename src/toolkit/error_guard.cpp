#include "toolkit/error_guard.h"

#include "toolkit/database_error.h"
#include "toolkit/message_box.h"

#include <QCoreApplication>

void showError(const QString& text)
{
    MessageBox::stop(text, QCoreApplication::applicationName());
}

void showCurrentException()
{
    try {
        throw;
    } catch (const DatabaseError& e) {
        if (e.kind() == DatabaseError::Program)
            showError(e.message());
        else if (e.kind() == DatabaseError::Rule)
            MessageBox::stop(e.message(), QStringLiteral("Ошибка"));
        else
            MessageBox::stop(e.userText(), QStringLiteral("Ошибка"), e.message());
    } catch (const std::exception& e) {
        showError(QString::fromStdString(e.what()));
    } catch (...) {
        showError(QStringLiteral("Неизвестная ошибка."));
    }
}
