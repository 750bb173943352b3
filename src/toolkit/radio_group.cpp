#include "toolkit/radio_group.h"

#include <QButtonGroup>
#include <QRadioButton>
#include <QVBoxLayout>

RadioGroup::RadioGroup(QWidget* parent) : QGroupBox(parent), m_buttons(new QButtonGroup(this))
{
    new QVBoxLayout(this);
    connect(m_buttons, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked) {
            m_index = id;
            emit itemIndexChanged(id);
        }
    });
}

void RadioGroup::setItems(const QStringList& items)
{
    const QList<QAbstractButton*> buttons = m_buttons->buttons();
    m_items = items;
    if (buttons.size() == items.size()) {   // captions anew, the choice stays
        for (int i = 0; i < items.size(); ++i)
            m_buttons->button(i)->setText(items.at(i));
        return;
    }
    qDeleteAll(buttons);
    for (int i = 0; i < items.size(); ++i) {
        auto* button = new QRadioButton(items.at(i), this);
        button->setObjectName(QStringLiteral("%1_%2").arg(objectName()).arg(i));
        QFont regular = button->font();
        regular.setBold(false);
        button->setFont(regular);
        m_buttons->addButton(button, i);
        layout()->addWidget(button);
    }
    setItemIndex(m_index);
}

int RadioGroup::itemIndex() const
{
    return m_buttons->checkedId();
}

void RadioGroup::setItemIndex(int index)
{
    m_index = index;
    if (QAbstractButton* chosen = m_buttons->button(index))
        chosen->setChecked(true);
}

QRadioButton* RadioGroup::button(int index) const
{
    return qobject_cast<QRadioButton*>(m_buttons->button(index));
}
