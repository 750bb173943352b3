#include "catalogs/norm_input.h"

#include <cmath>

std::optional<QVariant> normInput(const QString& field, const QString& text)
{
    const QString typed = text.trimmed();
    const bool price = field.compare(QLatin1String("price"), Qt::CaseInsensitive) == 0;
    if (typed.isEmpty())
        return QVariant(price ? QMetaType(QMetaType::Double) : QMetaType(QMetaType::Int));
    bool ok = false;
    if (price) {
        const double value = QString(typed).replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&ok);
        if (ok && std::isfinite(value))
            return QVariant(value);
        return std::nullopt;
    }
    const int value = typed.toInt(&ok);
    if (ok)
        return QVariant(value);
    return std::nullopt;
}

QString normInputRefusal(const QString& field)
{
    if (field.compare(QLatin1String("price"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("Цена должна быть числом, например 12,5.");
    if (field.compare(QLatin1String("prize"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("Премия должна быть целым числом процентов.");
    return QStringLiteral("Норматив должен быть целым числом.");
}
