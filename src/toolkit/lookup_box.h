#pragma once

#include <QComboBox>
#include <QPointer>
#include <QVariant>

class Dataset;

// A drop-down list of one field of a dataset's rows, keyed by another field. The chosen key
// outlives the dataset: closing the dataset empties the list, reopening it shows the same
// entry again. Choosing an entry moves the dataset to that entry's row.
class DBLookupComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit DBLookupComboBox(QWidget* parent = nullptr);

    void setListSource(Dataset* dataset, const QString& keyField, const QString& listField);
    Dataset* listSource() const { return m_dataset; }

    // The key of the shown entry; null when the box shows nothing.
    QVariant keyValue() const;
    // Shows the entry with this key, or nothing when no row has it.
    void setKeyValue(const QVariant& key);

private:
    void reload();
    void choose(int index);
    int indexOfKey(const QVariant& key) const;

    QPointer<Dataset> m_dataset;
    QString m_keyField;
    QString m_listField;
    QVariant m_key;
    bool m_loading = false;
};
