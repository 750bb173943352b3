#pragma once

#include "toolkit/dataset.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QPointer>
#include <QTableView>

// One column of a grid bound to a dataset.
struct GridColumn {
    QString field;
    QString title;
    int width = 64;
    bool visible = true;
    Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter;
    QString mask;   // number mask for display, see formatNumber
    QColor titleColor;   // invalid: the header's own
    bool wholeAsTooltip = false;   // a long text cut in its cell reads whole under the mouse
};

// The rows a dataset shows, as a table model. Cells are read from the snapshot; editing a
// cell puts the dataset's row into edit state (insert state for a new row).
class DatasetModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit DatasetModel(QObject* parent = nullptr);

    void setDataset(Dataset* dataset);
    Dataset* dataset() const { return m_dataset; }
    void setColumns(const QList<GridColumn>& columns);
    const QList<GridColumn>& columns() const { return m_columns; }
    int columnOf(const QString& field) const;
    void setReadOnly(bool readOnly) { m_readOnly = readOnly; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

private:
    QVariant cell(int row, int column) const;

    QPointer<Dataset> m_dataset;
    QList<GridColumn> m_columns;
    bool m_readOnly = true;
};

// A grid bound to a dataset: the grid's current row and the dataset's record number are the
// same thing, whichever side moves. Following the dataset selects the whole row, or only the
// current cell when the grid selects items.
class DBGrid : public QTableView {
    Q_OBJECT
public:
    explicit DBGrid(QWidget* parent = nullptr);

    void setDataset(Dataset* dataset);
    Dataset* dataset() const { return m_model->dataset(); }
    void setColumns(const QList<GridColumn>& columns);
    int columnOf(const QString& field) const { return m_model->columnOf(field); }
    DatasetModel* datasetModel() const { return m_model; }
    void setReadOnly(bool readOnly);

private:
    void followDataset(int row);
    void applyColumns();

    DatasetModel* m_model;
    QList<QMetaObject::Connection> m_links;
    bool m_syncing = false;
};
