#pragma once

#include <QStyledItemDelegate>

// "ok" and "да" mark an accepted entry; any other mark, "no" above all, one not accepted.
bool isAccepted(const QString& mark);
// The mark an entry gets when its acceptance is switched.
QString switchedAcceptance(const QString& mark);

// Draws the acceptance mark bold, green for an accepted entry and red otherwise, over the
// background the grid gives the cell; greyed in a disabled grid.
class AcceptanceMarkDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};
