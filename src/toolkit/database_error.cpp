#include "toolkit/database_error.h"

QString DatabaseError::userText() const
{
    switch (m_kind) {
    case Lost:
        return QString::fromUtf8(LostConnectionText);
    case Refused:
        return QStringLiteral("Сервер БД отказался выполнить действие.");
    case TimedOut:
        return QStringLiteral("Сервер БД не выполнил действие вовремя: данные заняты другим пользователем. "
                              "Повторите действие позже.");
    case Program:
    case Rule:
        break;
    }
    return m_message;
}
