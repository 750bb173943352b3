#include "catalogs/operations_window.h"

#include "catalogs/entries_in_use.h"
#include "catalogs/norms_window.h"
#include "catalogs/operation_editor.h"
#include "catalogs/operation_statements.h"
#include "catalogs/price_rule.h"
#include "core/data_module.h"
#include "core/operation_names.h"
#include "export/spreadsheet_writer.h"
#include "toolkit/busy_cursor.h"
#include "toolkit/error_guard.h"
#include "toolkit/fixed_dialog.h"
#include "toolkit/message_box.h"
#include "toolkit/number_format.h"
#include "toolkit/search_box.h"

#include <QKeyEvent>

#include <utility>

TForm4* Form4 = nullptr;

TForm4::TForm4(QWidget* parent) : CatalogListWindow(parent)
{
    setupUi(this);
    makeFixedDialog(this);
    bindList(DataModule6->Oper, QStringLiteral("marka"), Edit1, Button1, Button2, Button3);

    XLS_Rep = new Dataset(QLatin1String(TDataModule6::ConnectionName), QStringLiteral("XLS_Rep"), this);
    XLS_Rep->setSql(priceListStatement());

    DBGrid1->setDataset(DataModule6->Oper);
    const Qt::Alignment left = Qt::AlignLeft | Qt::AlignVCenter;
    const Qt::Alignment right = Qt::AlignRight | Qt::AlignVCenter;
    DBGrid1->setColumns({
        GridColumn{QStringLiteral("MARKA"), QStringLiteral("Марка"), 170, true, left, {}},
        GridColumn{QStringLiteral("VID"), QStringLiteral("Опреция"), 170, true, left, {}},
        GridColumn{QStringLiteral("cena"), QStringLiteral("Цена (min)"), 80, true, right, QStringLiteral("#0.00")},
        GridColumn{QStringLiteral("nmn"), QStringLiteral("Вид"), 130, true, left, {}},
        GridColumn{QStringLiteral("norma"), QStringLiteral("Нормы (шт.)"), 90, true, right, {}},
        GridColumn{QStringLiteral("id"), QStringLiteral("id"), 40, false, left, {}},
        GridColumn{QStringLiteral("i_id"), QStringLiteral("i_id"), 40, false, left, {}},
        GridColumn{QStringLiteral("oper_vid"), QStringLiteral("oper_vid"), 40, false, left, {}},
    });

    on(Button1, &QPushButton::clicked, this, &TForm4::Button1Click);
    on(Button2, &QPushButton::clicked, this, &TForm4::Button2Click);
    on(Button3, &QPushButton::clicked, this, &TForm4::Button3Click);
    on(Button5, &QPushButton::clicked, this, &TForm4::Button5Click);
    on(Button4, &QPushButton::clicked, this, &QDialog::reject);
    on(DBGrid1, &QAbstractItemView::doubleClicked, this, &TForm4::DBGrid1DblClick);
}

std::optional<OperationChoice> TForm4::ShowSelect(int shift, bool dayOff)
{
    m_shift = shift;
    m_dayOff = dayOff;
    m_choice.reset();
    prepareSelection();
    exec();
    Button2->setDefault(false);
    Edit1->clear();
    DataModule6->Oper->setFiltered(false);
    // Oper stays open: the opener goes on from the picked row.
    return std::exchange(m_choice, std::nullopt);
}

// Blanks alone show every row.
void TForm4::Edit1Change()
{
    if (Edit1->text().trimmed().isEmpty())
        DataModule6->Oper->setFiltered(false);
    else
        CatalogListWindow::Edit1Change();
}

// Up and Down walk the list from the search box; the box's own caret keys are not used.
bool TForm4::Edit1KeyDown(QKeyEvent* e)
{
    // Up and Down walk the list; every other key but typing and Backspace is consumed.
    stepByArrowKey(*DataModule6->Oper, e->key());
    return !searchBoxKeepsKey(*e);
}

void TForm4::DBGrid1DblClick()
{
    if (!CheckBox1->isChecked() || Tag != 0) {
        Button2Click();
        return;
    }
    Form22->ShowNorms();
}

void TForm4::Button1Click()
{
    Form10->Edit1->clear();
    Form10->Edit2->clear();
    Form10->ComboBox1->setCurrentIndex(0);
    Form10->setWindowTitle(QStringLiteral("Заведение новой цены за операцию"));
    Form10->Tag = 1;
    Form10->exec();
}

void TForm4::Button2Click()
{
    if (DataModule6->Oper->isEmpty())
        return;
    if (Tag == 0)
        ChangeOperation();
    else
        PickOperation();
}

void TForm4::ChangeOperation()
{
    const Dataset* oper = DataModule6->Oper;
    Form10->setWindowTitle(QStringLiteral("Изменение данных о цене за операцию"));
    Form10->Tag = 2;
    Form10->Edit1->setText(oper->value(QStringLiteral("MARKA")).toString().trimmed());
    Form10->Edit2->setText(oper->value(QStringLiteral("VID")).toString().trimmed());
    Form10->ComboBox1->setCurrentIndex(oper->value(QStringLiteral("NAIMEN")).toInt());
    Form10->FChosenProductId = oper->value(QStringLiteral("i_id")).toInt();
    Form10->FChosenTypeId = oper->value(QStringLiteral("oper_vid")).toInt();
    Form10->exec();
}

// Takes the current operation, priced for the shift and day the list was opened for, and closes.
void TForm4::PickOperation()
{
    const Dataset* oper = DataModule6->Oper;
    OperationChoice choice;
    choice.productId = oper->value(QStringLiteral("i_id")).toInt();
    choice.operationId = oper->value(QStringLiteral("id")).toInt();
    choice.price = operationPrice(oper->value(QStringLiteral("cena")).toDouble(), m_dayOff, m_shift);

    Dataset* control = DataModule6->Control;
    control->setSql(productMarkStatement(choice.productId));
    control->open();
    const QString mark = control->value(QStringLiteral("marka")).toString();
    control->close();
    choice.description = operationDescription(mark, oper->value(QStringLiteral("VID")).toString(),
                                              oper->value(QStringLiteral("NAIMEN")).toInt());
    m_choice = choice;
    accept();
}

void TForm4::Button3Click()
{
    Dataset* oper = DataModule6->Oper;
    if (oper->isEmpty() || !MessageBox::ask(QStringLiteral("Удалить операцию?"), QStringLiteral("Удаление")))
        return;
    const int id = oper->value(QStringLiteral("id")).toInt();
    if (!confirmEntriesDropOut(operationEntriesCountStatement(id),
                               QStringLiteral("По операции есть записи в журнале (%1 шт.), они больше не будут показываться. "
                                              "Удалить операцию?")))
        return;
    DataModule6->Oper_del->setParam(QStringLiteral("id"), id);
    DataModule6->Oper_del->execute();
    BusyCursor busy;
    oper->refresh();
}

// The whole price list, every operation with its stored price, into a new spreadsheet.
void TForm4::Button5Click()
{
    BusyCursor busy;
    XLS_Rep->open();
    if (OpenWorkbook(QStringLiteral("Цены")) == -1) {
        XLS_Rep->close();
        return;
    }
    const QStringList headings{QStringLiteral("Марка"), QStringLiteral("Операция"), QStringLiteral("Цена"), QStringLiteral("Вид")};
    for (int column = 1; column <= headings.size(); ++column)
        WriteCell(1, column, 1, headings.at(column - 1));
    int row = 2;
    for (XLS_Rep->first(); !XLS_Rep->eof(); XLS_Rep->next(), ++row) {
        const QVariant price = XLS_Rep->value(QStringLiteral("cena"));
        WriteCell(1, 1, row, XLS_Rep->value(QStringLiteral("MARKA")).toString());
        WriteCell(1, 2, row, XLS_Rep->value(QStringLiteral("VID")).toString());
        WriteCell(1, 3, row, price.isNull() ? QString() : displayNumber(price.toDouble()));
        WriteCell(1, 4, row, productKindName(XLS_Rep->value(QStringLiteral("NAIMEN")).toInt()));
    }
    ShowWorkbook(true);
    XLS_Rep->close();
}
