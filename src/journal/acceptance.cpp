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
    option->font.setBold(true);
    if (!(option->state & QStyle::State_Enabled))
        return;   // a disabled grid draws every cell greyed, the mark too
    const QColor color = isAccepted(index.data().toString()) ? QColor(0, 128, 0) : QColor(255, 0, 0);
    option->palette.setColor(QPalette::Text, color);
    option->palette.setColor(QPalette::HighlightedText, color);
}
