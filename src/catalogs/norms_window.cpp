#include "catalogs/norms_window.h"

#include "catalogs/norm_input.h"
#include "core/data_module.h"
#include "toolkit/busy_cursor.h"
#include "toolkit/error_guard.h"
#include "toolkit/fixed_dialog.h"
#include "toolkit/message_box.h"
#include "toolkit/number_format.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QScopedValueRollback>
#include <QStyledItemDelegate>
#include <QTimer>

TForm22* Form22 = nullptr;

namespace {

// The text a cell shows in its editor: prices with a comma, as people type them.
QString cellText(const QModelIndex& index)
{
    const QVariant value = index.data(Qt::EditRole);
    if (value.typeId() == QMetaType::Double && !value.isNull())
        return displayNumber(value.toDouble());
    return value.toString();
}

// Cells are typed as text and stored only when they hold a number of the column's kind; a
// refused text leaves the cell as it was and says why.
class NormCellDelegate : public QStyledItemDelegate {
public:
    // `save` is the dialog's "Сохранить": Esc in an open cell keeps what was typed and presses it,
    // as Esc does anywhere else in the dialog.
    NormCellDelegate(DBGrid* grid, QPushButton* save) : QStyledItemDelegate(grid), m_grid(grid), m_save(save) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex&) const override
    {
        return new QLineEdit(parent);
    }

    void setEditorData(QWidget* editor, const QModelIndex& index) const override
    {
        static_cast<QLineEdit*>(editor)->setText(cellText(index));
    }

    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override
    {
        const QString text = static_cast<QLineEdit*>(editor)->text();
        if (text == cellText(index))
            return;   // nothing typed: the row stays unchanged
        const QString field = m_grid->datasetModel()->columns().at(index.column()).field;
        if (const auto value = normInput(field, text)) {
            model->setData(index, *value);
            return;
        }
        // Told once the editor has closed, so the box does not fight the grid for the focus.
        const QString refusal = normInputRefusal(field);
        QTimer::singleShot(0, m_grid, [refusal] { MessageBox::stop(refusal, QStringLiteral("Ошибка")); });
    }

protected:
    bool eventFilter(QObject* object, QEvent* event) override
    {
        auto* editor = qobject_cast<QWidget*>(object);
        if (editor && event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
            emit commitData(editor);
            emit closeEditor(editor, NoHint);
            QTimer::singleShot(0, m_save, &QPushButton::click);
            return true;
        }
        return QStyledItemDelegate::eventFilter(object, event);
    }

private:
    DBGrid* m_grid;
    QPushButton* m_save;
};

int currentOperationId()
{
    return DataModule6->Oper->value(QStringLiteral("id")).toInt();
}

} // namespace

TForm22::TForm22(QWidget* parent) : QDialog(parent)
{
    setupUi(this);
    makeFixedDialog(this);

    norm = new Dataset(QLatin1String(TDataModule6::ConnectionName), QStringLiteral("norm"), this);
    // Only the shown operation's norms are read, when the dialog opens.
    norm->setSql(QStringLiteral("select * from accounts_dep.norm where o_id=:o_id order by norma"));
    norm->setUpdateTable(QStringLiteral("accounts_dep.norm"));

    const Qt::Alignment right = Qt::AlignRight | Qt::AlignVCenter;
    DBGrid1->setDataset(norm);
    DBGrid1->setColumns({
        GridColumn{QStringLiteral("norma"), QStringLiteral("Норматив"), 90, true, right, {}},
        GridColumn{QStringLiteral("price"), QStringLiteral("Цена"), 90, true, right, QStringLiteral("#0.00#")},
        GridColumn{QStringLiteral("prize"), QStringLiteral("Премия, %"), 90, true, right, {}},
    });
    DBGrid1->setReadOnly(false);
    DBGrid1->setItemDelegate(new NormCellDelegate(DBGrid1, Button1));
    DBGrid1->installEventFilter(this);

    on(Button1, &QPushButton::clicked, this, &TForm22::Button1Click);
    on(Button2, &QPushButton::clicked, this, &TForm22::Button2Click);
    on(Button3, &QPushButton::clicked, this, &TForm22::Button3Click);
    on(DBGrid1->selectionModel(), &QItemSelectionModel::currentColumnChanged, this, &TForm22::columnChanged);
    on(norm, &Dataset::rowChanged, this, &TForm22::giveNewRowItsOperation);
}

void TForm22::ShowNorms()
{
    norm->close();
    norm->setParam(QStringLiteral("o_id"), currentOperationId());
    norm->open();
    if (norm->isEmpty())
        norm->insert();   // a row to type the first norm into
    exec();
}

// A new row belongs to the shown operation from its first typed value, however it is stored.
void TForm22::giveNewRowItsOperation()
{
    if (norm->state() == Dataset::Insert && norm->value(QStringLiteral("o_id")).isNull())
        norm->setValue(QStringLiteral("o_id"), currentOperationId());
}

// Leaving a column stores the row at once. The grid is re-read only after it has finished
// moving to the new cell, and the user is put back on that cell.
void TForm22::columnChanged(const QModelIndex& current, const QModelIndex& previous)
{
    if (m_rereading || !current.isValid() || !previous.isValid())
        return;
    QTimer::singleShot(0, this, [this] { guarded([this] { DBGrid1ColExit(); }); });
}

void TForm22::DBGrid1ColExit()
{
    if (!norm->modified())
        return;
    const int column = DBGrid1->currentIndex().column();
    const QScopedValueRollback<bool> rereading(m_rereading, true);
    reread();
    DBGrid1->setCurrentIndex(DBGrid1->datasetModel()->index(norm->currentRow(), qMax(0, column)));
}

// Stores what is pending and reads the norms again in their order, staying on the same norm.
void TForm22::reread()
{
    if (norm->modified())
        norm->post();
    else
        norm->cancel();   // an untouched new row is not stored
    const QVariant id = norm->value(QStringLiteral("id"));
    BusyCursor busy;
    norm->refresh();
    if (!id.isNull())
        norm->locate(QStringLiteral("id"), id);
}

// Down on the last row and Insert start a new norm, as people expect of a table.
bool TForm22::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == DBGrid1 && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        const bool lastRow = norm->currentRow() == norm->recordCount() - 1;
        if (key == Qt::Key_Insert || (key == Qt::Key_Down && lastRow)) {
            guarded([this] { appendRow(); });
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TForm22::appendRow()
{
    if (norm->state() == Dataset::Insert && !norm->modified())
        return;   // already on an empty new row
    DBGrid1->setFocus();   // the open cell editor hands its text over first
    norm->insert();
}

void TForm22::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        Button1->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TForm22::Button1Click()
{
    if (norm->modified())
        norm->post();
    Dataset* oper = DataModule6->Oper;
    const int recNo = oper->recNo();
    {
        BusyCursor busy;
        oper->refresh();
        oper->moveTo(recNo);
    }
    accept();
}

void TForm22::Button2Click()
{
    if (norm->recordCount() > 1)
        norm->remove();
    reread();
}

// A new norm, its first cell open for typing.
void TForm22::Button3Click()
{
    appendRow();
    const QModelIndex first = DBGrid1->datasetModel()->index(norm->currentRow(), 0);
    DBGrid1->setCurrentIndex(first);
    DBGrid1->edit(first);
}
