#pragma once

#include <QGroupBox>
#include <QStringList>

class QButtonGroup;
class QRadioButton;

// A titled column of radio buttons, one per item, chosen by the item's index. The items keep a
// regular face when the group's title is bold.
class RadioGroup : public QGroupBox {
    Q_OBJECT
    Q_PROPERTY(QStringList items READ items WRITE setItems)
    Q_PROPERTY(int itemIndex READ itemIndex WRITE setItemIndex NOTIFY itemIndexChanged)
public:
    explicit RadioGroup(QWidget* parent = nullptr);

    QStringList items() const { return m_items; }
    void setItems(const QStringList& items);
    // -1 when no item is chosen. An index set before the items are takes effect with them.
    int itemIndex() const;
    void setItemIndex(int index);
    QRadioButton* button(int index) const;

signals:
    void itemIndexChanged(int index);

private:
    QStringList m_items;
    QButtonGroup* m_buttons;
    int m_index = -1;   // also the choice asked for before the items exist
};
