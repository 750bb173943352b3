#include "core/operation_names.h"

QString productKindName(int kind)
{
    return kind == 0 ? QStringLiteral("Готовая продукция") : QStringLiteral("Заготовки");
}

QString operationDescription(const QString& mark, const QString& type, int kind)
{
    return mark.trimmed() + QLatin1String("; ") + type.trimmed() + QLatin1String("; ") + productKindName(kind);
}
