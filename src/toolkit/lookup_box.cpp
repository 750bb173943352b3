#include "toolkit/lookup_box.h"

#include "toolkit/dataset.h"
#include "toolkit/error_guard.h"

namespace {

// Keys read through the driver come as integers, decimals or digit texts alike.
bool sameKey(const QVariant& a, const QVariant& b)
{
    if (a.isNull() || b.isNull())
        return false;
    bool okA = false, okB = false;
    const double x = a.toDouble(&okA), y = b.toDouble(&okB);
    if (okA && okB)
        return x == y;
    return a.toString() == b.toString();
}

} // namespace

DBLookupComboBox::DBLookupComboBox(QWidget* parent) : QComboBox(parent)
{
    setMaxVisibleItems(10);
    connect(this, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (!m_loading)
            guarded([&] { choose(index); });
    });
}

void DBLookupComboBox::setListSource(Dataset* dataset, const QString& keyField, const QString& listField)
{
    if (m_dataset)
        disconnect(m_dataset, nullptr, this, nullptr);
    m_dataset = dataset;
    m_keyField = keyField;
    m_listField = listField;
    if (m_dataset)
        connect(m_dataset, &Dataset::reset, this, &DBLookupComboBox::reload);
    reload();
}

void DBLookupComboBox::reload()
{
    m_loading = true;
    clear();
    if (m_dataset && m_dataset->isOpen()) {
        const int keyColumn = m_dataset->fieldIndex(m_keyField);
        const int listColumn = m_dataset->fieldIndex(m_listField);
        for (int row = 0; row < m_dataset->recordCount(); ++row)
            addItem(m_dataset->value(row, listColumn).toString(), m_dataset->value(row, keyColumn));
    }
    setCurrentIndex(indexOfKey(m_key));
    m_loading = false;
}

int DBLookupComboBox::indexOfKey(const QVariant& key) const
{
    for (int i = 0; i < count(); ++i)
        if (sameKey(itemData(i), key))
            return i;
    return -1;
}

void DBLookupComboBox::choose(int index)
{
    if (index < 0)
        return;
    m_key = itemData(index);
    if (m_dataset && m_dataset->isOpen())
        m_dataset->setCurrentRow(index);
}

QVariant DBLookupComboBox::keyValue() const
{
    return currentIndex() < 0 ? QVariant() : currentData();
}

void DBLookupComboBox::setKeyValue(const QVariant& key)
{
    m_key = key;
    const int index = indexOfKey(key);
    m_loading = true;
    setCurrentIndex(index);
    m_loading = false;
    if (index >= 0 && m_dataset && m_dataset->isOpen())
        m_dataset->setCurrentRow(index);
}
