#include "core/roles.h"

Role roleForCode(const QString& typed)
{
    const QString code = typed.trimmed();
    if (code == QLatin1String("quaxil"))
        return Role::Planner;
    if (code == MasterCode)
        return Role::Master;
    if (code == QLatin1String("piwun"))
        return Role::Warehouse;
    if (code == QLatin1String("61730284") || code == QLatin1String("9723"))
        return Role::Administrator;
    return Role::Unknown;
}

QStringList journalControlsOff(Role role)
{
    switch (role) {
    case Role::Planner:
        return {"Button1", "Button2", "Button3", "Button8", "RadioButton1", "RadioButton2", "RadioButton3",
                "RadioButton4", "CBox1", "DBGrid2", "DateT", "N2", "N11"};
    case Role::Master:
        return {"Button2", "Button3", "N2", "N11"};
    case Role::Warehouse:
        return {"Button1", "Button2", "Button3", "N2", "N11"};
    default:
        return {};
    }
}

QStringList journalControlsHidden(Role role)
{
    // The change log, month closing and the organisation's requisites are the administrator's.
    if (role == Role::Administrator)
        return {};
    return {"N14", "N15", "N17"};
}

namespace {
// The role as the writer's name says it, in Russian or in Latin letters.
QString roleWord(Role role, bool latin)
{
    switch (role) {
    case Role::Planner: return latin ? QStringLiteral("planner") : QStringLiteral("плановик");
    case Role::Master: return latin ? QStringLiteral("master") : QStringLiteral("мастер");
    case Role::Warehouse: return latin ? QStringLiteral("warehouse") : QStringLiteral("склад");
    case Role::Administrator: return latin ? QStringLiteral("administrator") : QStringLiteral("администратор");
    case Role::Unknown: break;
    }
    return QStringLiteral("?");
}
}

QString clientName(Role role, const QString& host)
{
    return QStringLiteral("Табель: %1 @ %2").arg(roleWord(role, false), host);
}

QString clientAsciiName(Role role, const QString& host)
{
    return QStringLiteral("Tabel: %1 @ %2").arg(roleWord(role, true), host);
}

QStringList reportsControlsOff(Role role)
{
    switch (role) {
    case Role::Master:
        return {"Button1", "Button2", "Button4", "Button6"};
    case Role::Warehouse:
        return {"Button1", "Button2", "Button4", "Button6", "RadioGroup1"};
    default:
        return {};
    }
}

bool reportsShowWorkers(Role role)
{
    return !reportsControlsOff(role).contains(QStringLiteral("Button4"));
}

bool reportsFinishedProductsOnly(Role role)
{
    return role == Role::Warehouse;
}
