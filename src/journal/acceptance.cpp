#include "journal/acceptance.h"

bool isAccepted(const QString& mark)
{
    return mark == QLatin1String("ok") || mark == QStringLiteral("да");
}

QString switchedAcceptance(const QString& mark)
{
    return isAccepted(mark) ? QStringLiteral("no") : QStringLiteral("ok");
}

void AcceptanceMarkDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    const QColor color = isAccepted(index.data().toString()) ? QColor(0, 128, 0) : QColor(255, 0, 0);
    option->font.setBold(true);
    option->palette.setColor(QPalette::Text, color);
    option->palette.setColor(QPalette::HighlightedText, color);
}
