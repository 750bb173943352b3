#include "catalogs/operation_types_window.h"

#include "catalogs/entries_in_use.h"
#include "catalogs/operation_editor.h"
#include "catalogs/operation_type_editor.h"
#include "catalogs/operation_type_statements.h"
#include "core/data_module.h"
#include "toolkit/busy_cursor.h"
#include "toolkit/error_guard.h"
#include "toolkit/fixed_dialog.h"
#include "toolkit/message_box.h"
#include "toolkit/search_box.h"

#include <QKeyEvent>

namespace {
const Qt::Alignment Left = Qt::AlignLeft | Qt::AlignVCenter;
}

TForm8* Form8 = nullptr;

TForm8::TForm8(QWidget* parent) : CatalogListWindow(parent)
{
    setupUi(this);
    makeFixedDialog(this);
    bindList(DataModule6->Vid_oper, QStringLiteral("vid"), Edit1, Button1, Button2, Button3);
    DBGrid1->setDataset(DataModule6->Vid_oper);
    DBGrid1->setColumns({GridColumn{QStringLiteral("vid"), QStringLiteral("Операции"), 325, true, Left, {}}});

    on(Button1, &QPushButton::clicked, this, &TForm8::Button1Click);
    on(Button2, &QPushButton::clicked, this, &TForm8::Button2Click);
    on(Button3, &QPushButton::clicked, this, &TForm8::Button3Click);
    on(Button4, &QPushButton::clicked, this, &QDialog::reject);
    on(DBGrid1, &QAbstractItemView::doubleClicked, this, &TForm8::Button2Click);
}

void TForm8::ShowSelect()
{
    prepareSelection();
    exec();
    Button1->setDefault(true);
    Edit1->clear();
    DataModule6->Vid_oper->setFiltered(false);
    DataModule6->Vid_oper->close();
}

// Up and Down step the list; every other key but typing is kept from the box.
bool TForm8::Edit1KeyDown(QKeyEvent* e)
{
    stepByArrowKey(*DataModule6->Vid_oper, e->key());
    return !searchBoxKeepsKey(*e);
}

void TForm8::Button1Click()
{
    Form9->Edit1->clear();
    Form9->setWindowTitle(QStringLiteral("Заведение нового вида операций"));
    Form9->Tag = 1;
    Form9->exec();
}

void TForm8::Button2Click()
{
    Dataset* types = DataModule6->Vid_oper;
    if (Tag != 0) {
        // An empty list hands nothing back: the editor keeps the type it had.
        if (!types->isEmpty()) {
            Form10->Edit2->setText(types->value(QStringLiteral("vid")).toString().trimmed());
            Form10->FChosenTypeId = types->value(QStringLiteral("id")).toInt();
        }
        accept();
        return;
    }
    if (types->isEmpty())
        return;
    Form9->setWindowTitle(QStringLiteral("Изменение данных вида операции"));
    Form9->Tag = 2;
    Form9->Edit1->setText(types->value(QStringLiteral("vid")).toString().trimmed());
    Form9->exec();
}

void TForm8::Button3Click()
{
    Dataset* types = DataModule6->Vid_oper;
    if (types->isEmpty())
        return;
    if (!MessageBox::ask(QStringLiteral("Удалить вид операции?"), QStringLiteral("Удаление")))
        return;
    if (!confirmEntriesDropOut(operationTypeEntriesCountStatement(types->value(QStringLiteral("id")).toLongLong()),
                               QStringLiteral("По виду операции есть записи в журнале (%1 шт.), они больше не будут "
                                              "показываться. Удалить вид операции?")))
        return;
    types->remove();
    BusyCursor busy;
    types->refresh();
}
