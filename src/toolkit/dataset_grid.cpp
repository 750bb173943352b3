#include "toolkit/dataset_grid.h"

#include "toolkit/dataset.h"
#include "toolkit/error_guard.h"
#include "toolkit/number_format.h"

#include <QDateTime>
#include <QHeaderView>
#include <QStyleOptionHeader>

DatasetModel::DatasetModel(QObject* parent) : QAbstractTableModel(parent) {}

void DatasetModel::setDataset(Dataset* dataset)
{
    if (m_dataset == dataset)
        return;
    beginResetModel();
    if (m_dataset)
        disconnect(m_dataset, nullptr, this, nullptr);
    m_dataset = dataset;
    if (m_dataset) {
        connect(m_dataset, &Dataset::reset, this, [this] { beginResetModel(); endResetModel(); });
        connect(m_dataset, &Dataset::rowChanged, this, [this](int row) {
            if (row >= 0 && row < rowCount())
                emit dataChanged(index(row, 0), index(row, columnCount() - 1));
        });
        connect(m_dataset, &QObject::destroyed, this, [this] { beginResetModel(); endResetModel(); });
    }
    endResetModel();
}

void DatasetModel::setColumns(const QList<GridColumn>& columns)
{
    beginResetModel();
    m_columns = columns;
    endResetModel();
}

int DatasetModel::columnOf(const QString& field) const
{
    for (int i = 0; i < m_columns.size(); ++i)
        if (m_columns.at(i).field.compare(field, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

int DatasetModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid() || !m_dataset || !m_dataset->isOpen())
        return 0;
    return m_dataset->recordCount();
}

int DatasetModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant DatasetModel::cell(int row, int column) const
{
    if (!m_dataset)
        return {};
    return m_dataset->value(row, m_dataset->fieldIndex(m_columns.at(column).field));
}

QVariant DatasetModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount())
        return {};
    const GridColumn& column = m_columns.at(index.column());
    switch (role) {
    case Qt::DisplayRole: {
        const QVariant v = cell(index.row(), index.column());
        if (v.isNull())
            return QString();
        bool number = false;
        const double value = v.toDouble(&number);
        if (number && !column.mask.isEmpty())
            return formatNumber(value, column.mask);   // numeric columns may arrive as decimal text
        switch (v.typeId()) {
        case QMetaType::Double:
        case QMetaType::Float:
            return displayNumber(value);
        case QMetaType::QDate:
            return v.toDate().toString(QStringLiteral("dd.MM.yyyy"));
        case QMetaType::QDateTime: {
            const QDateTime dt = v.toDateTime();
            return dt.time() == QTime(0, 0) ? dt.date().toString(QStringLiteral("dd.MM.yyyy"))
                                            : dt.toString(QStringLiteral("dd.MM.yyyy HH:mm:ss"));
        }
        default:
            return v.toString();
        }
    }
    case Qt::EditRole:
        return cell(index.row(), index.column());
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(column.alignment);
    case Qt::ToolTipRole:
        return column.wholeAsTooltip ? data(index, Qt::DisplayRole) : QVariant();
    default:
        return {};
    }
}

QVariant DatasetModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && section >= 0 && section < m_columns.size()) {
        if (role == Qt::DisplayRole)
            return m_columns.at(section).title;
        if (role == Qt::TextAlignmentRole)
            return QVariant::fromValue(Qt::AlignCenter);
        if (role == Qt::ForegroundRole && m_columns.at(section).titleColor.isValid())
            return m_columns.at(section).titleColor;
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags DatasetModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (!m_readOnly && index.isValid())
        f |= Qt::ItemIsEditable;
    return f;
}

bool DatasetModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !index.isValid() || !m_dataset)
        return false;
    bool stored = false;
    guarded([&] {
        m_dataset->setCurrentRow(index.row());
        if (m_dataset->state() == Dataset::Browse)
            m_dataset->edit();
        m_dataset->setValue(m_columns.at(index.column()).field, value);
        stored = true;
    });
    return stored;
}

DBGrid::DBGrid(QWidget* parent) : QTableView(parent), m_model(new DatasetModel(this))
{
    setModel(m_model);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setAlternatingRowColors(false);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    QFont bold = horizontalHeader()->font();
    bold.setBold(true);
    horizontalHeader()->setFont(bold);
    horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    horizontalHeader()->setHighlightSections(false);
    // Room for two-digit row numbers also while the list is empty, so the columns do not shift.
    QStyleOptionHeader rowNumber;
    rowNumber.initFrom(verticalHeader());
    rowNumber.text = QStringLiteral("99");
    verticalHeader()->setMinimumWidth(
        style()->sizeFromContents(QStyle::CT_HeaderSection, &rowNumber, QSize(), verticalHeader()).width());
    setWordWrap(false);
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this, [this](const QModelIndex& current) {
        if (m_syncing || !dataset())
            return;
        guarded([&] { dataset()->setCurrentRow(current.isValid() ? current.row() : -1); });
    });
    connect(m_model, &QAbstractItemModel::modelReset, this, [this] {
        applyColumns();
        if (dataset())
            followDataset(dataset()->currentRow());
    });
}

void DBGrid::setDataset(Dataset* dataset)
{
    for (const auto& link : m_links)
        disconnect(link);
    m_links.clear();
    m_model->setDataset(dataset);
    if (dataset) {
        m_links << connect(dataset, &Dataset::currentChanged, this, &DBGrid::followDataset);
        followDataset(dataset->currentRow());
    }
}

void DBGrid::setColumns(const QList<GridColumn>& columns)
{
    m_model->setColumns(columns);
    applyColumns();
}

void DBGrid::setReadOnly(bool readOnly)
{
    m_model->setReadOnly(readOnly);
    setEditTriggers(readOnly ? QAbstractItemView::NoEditTriggers
                             : QAbstractItemView::AllEditTriggers);
}

void DBGrid::applyColumns()
{
    const QList<GridColumn>& columns = m_model->columns();
    for (int i = 0; i < columns.size(); ++i) {
        setColumnHidden(i, !columns.at(i).visible);
        setColumnWidth(i, columns.at(i).width);
    }
}

void DBGrid::followDataset(int row)
{
    m_syncing = true;
    if (row < 0) {
        selectionModel()->clearSelection();
        selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
    } else {
        int column = currentIndex().isValid() ? currentIndex().column() : 0;
        while (column < m_model->columnCount() - 1 && isColumnHidden(column))
            ++column;
        const QModelIndex target = m_model->index(row, column);
        const QItemSelectionModel::SelectionFlags rows =
            selectionBehavior() == SelectRows ? QItemSelectionModel::Rows : QItemSelectionModel::NoUpdate;
        selectionModel()->setCurrentIndex(target, QItemSelectionModel::ClearAndSelect | rows);
        scrollTo(target);
    }
    m_syncing = false;
}
