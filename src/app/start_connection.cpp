#include "app/start_connection.h"

#include "core/connection_string.h"
#include "core/data_module.h"
#include "toolkit/connect_options.h"
#include "toolkit/connections.h"
#include "toolkit/database_error.h"
#include "toolkit/message_box.h"

StartFailure startFailure(const QString& driverText, bool builtInLogin, const QStringList& serverAnswers)
{
    StartFailure failure{QStringLiteral("Подключение к БД отсутсвует!!!"), driverText};
    // The server names the login it refused, in whatever language it speaks: "role "sys" is not
    // permitted to log in", a password it no longer takes, no pg_hba.conf line for it.
    if (builtInLogin && driverText.contains(QLatin1Char('"') + QLatin1String(BuiltInLogin) + QLatin1Char('"')))
        failure.text += QStringLiteral("\n\nСервер БД не пускает общий логин программы «%1». Попросите у администратора БД "
                                       "свой логин и укажите его в переменной PGUSER, а пароль — в файле ~/.pgpass.")
                            .arg(QLatin1String(BuiltInLogin));
    if (!serverAnswers.isEmpty())
        failure.detail = QStringLiteral("Ни один из названных серверов не принимает запись:\n") + serverAnswers.join(QLatin1Char('\n'))
            + QStringLiteral("\n\n") + driverText;
    return failure;
}

bool openStartConnection(const QStringList& arguments)
{
    const QString connectionString = connectionStringForArguments(arguments);
    try {
        DataModule6->openConnection(connectionString);
        return true;
    } catch (const DatabaseError& e) {
        const bool several = ConnectOptions(connectionString).servers().size() > 1;
        const StartFailure failure =
            startFailure(e.message(), !loginNamedByEnvironment(), several ? serverAnswers(connectionString) : QStringList());
        MessageBox::stop(failure.text, QStringLiteral("Ошибка!"), failure.detail);
        return false;
    }
}
