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

bool reportsFinishedProductsOnly(Role role)
{
    return role == Role::Warehouse;
}
