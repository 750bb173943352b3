#include "catalogs/products_window.h"

#include "catalogs/list_position.h"
#include "catalogs/operation_editor.h"
#include "catalogs/product_editor.h"
#include "catalogs/product_statements.h"
#include "core/data_module.h"
#include "toolkit/busy_cursor.h"
#include "toolkit/clock.h"
#include "toolkit/error_guard.h"
#include "toolkit/fixed_dialog.h"
#include "toolkit/message_box.h"
#include "toolkit/search_box.h"
#include "toolkit/transaction.h"

#include <QKeyEvent>

TForm3* Form3 = nullptr;

namespace {
const Qt::Alignment Left = Qt::AlignLeft | Qt::AlignVCenter;
const QString Caption = QStringLiteral("Удаление");
}

TForm3::TForm3(QWidget* parent) : CatalogListWindow(parent)
{
    setupUi(this);
    makeFixedDialog(this);
    bindList(DataModule6->Izdel, QStringLiteral("marka"), Edit1, Button1, Button2, Button3);
    DBGrid1->setDataset(DataModule6->Izdel);
    DBGrid1->setColumns({GridColumn{QStringLiteral("marka"), QStringLiteral("Марка изделия"), 300, true, Left, {}},
                         GridColumn{QStringLiteral("massa"), QStringLiteral("Коробки"), 110, true, Left, {}}});

    Izdel_Smena = new Dataset(QLatin1String(TDataModule6::ConnectionName), QStringLiteral("Izdel_Smena"), this);
    Izdel_Smena->setSql(QStringLiteral(
        "select count(*) as cnt from accounts_dep.smena s where s.i_id =:id_ii and s.\"data\">=:dt"));
    ii_oper = new Dataset(QLatin1String(TDataModule6::ConnectionName), QStringLiteral("ii_oper"), this);
    ii_oper->setSql(QStringLiteral("select count(*) as cnt from accounts_dep.oper o where o.i_id =:id_ii"));

    on(Button1, &QPushButton::clicked, this, &TForm3::Button1Click);
    on(Button2, &QPushButton::clicked, this, &TForm3::Button2Click);
    on(Button3, &QPushButton::clicked, this, &TForm3::Button3Click);
    on(Button4, &QPushButton::clicked, this, &QDialog::reject);
    on(DBGrid1, &QAbstractItemView::doubleClicked, this, &TForm3::Button2Click);
}

void TForm3::ShowSelect()
{
    prepareSelection();
    exec();
    Button1->setDefault(true);
    Edit1->clear();
    DataModule6->Izdel->setFiltered(false);
    DataModule6->Izdel->close();
}

// Up and Down step the list; every other key works in the box as usual.
bool TForm3::Edit1KeyDown(QKeyEvent* e)
{
    return stepByArrowKey(*DataModule6->Izdel, e->key());
}

void TForm3::Button1Click()
{
    Dataset* izdel = DataModule6->Izdel;
    const int recNo = izdel->recNo();
    Form7->Edit1->clear();
    Form7->Edit2->clear();
    Form7->setWindowTitle(QStringLiteral("Заведение нового изделия"));
    Form7->Tag = 1;
    Form7->item->open();
    Form7->exec();
    Form7->item->close();
    returnTo(*izdel, recNo);
}

void TForm3::Button2Click()
{
    Dataset* izdel = DataModule6->Izdel;
    const int recNo = izdel->recNo();
    if (Tag != 0) {
        // An empty list hands nothing back: the editor keeps the product it had.
        if (!izdel->isEmpty()) {
            Form10->Edit1->setText(izdel->value(QStringLiteral("marka")).toString().trimmed());
            Form10->FChosenProductId = izdel->value(QStringLiteral("id")).toInt();
        }
        accept();
    } else {
        if (izdel->isEmpty())
            return;
        Form7->setWindowTitle(QStringLiteral("Изменение данных изделия"));
        Form7->Tag = 2;
        Form7->Edit1->setText(izdel->value(QStringLiteral("marka")).toString().trimmed());
        Form7->Edit2->setText(massaBoxText(izdel->value(QStringLiteral("massa"))));
        Form7->item->open();
        Form7->cb_item->setKeyValue(izdel->value(QStringLiteral("id_class_item")).toInt());
        Form7->exec();
    }
    Form7->item->close();
    returnTo(*izdel, recNo);
}

void TForm3::Button3Click()
{
    Dataset* izdel = DataModule6->Izdel;
    if (izdel->isEmpty())
        return;
    const qint64 id = izdel->value(QStringLiteral("id")).toLongLong();
    // Counted afresh on every delete.
    Izdel_Smena->close();
    Izdel_Smena->setParam(QStringLiteral("dt"), productEntriesBound(Clock::today()));
    Izdel_Smena->setParam(QStringLiteral("id_ii"), id);
    Izdel_Smena->open();
    ii_oper->close();
    ii_oper->setParam(QStringLiteral("id_ii"), id);
    ii_oper->open();
    const int entries = Izdel_Smena->value(QStringLiteral("cnt")).toInt();
    const int operations = ii_oper->value(QStringLiteral("cnt")).toInt();
    Izdel_Smena->close();
    ii_oper->close();

    // Every question is answered before anything is written: the cascade then runs as one
    // transaction, and no lock is held while a question waits for the user.
    const bool dropOperations =
        operations > 0 && MessageBox::ask(QStringLiteral("По изделию есть расценки они будут удалены!!!"), Caption);
    const bool dropProduct = entries > 0
        ? MessageBox::ask(QStringLiteral("По изделию есть операции в текущем, предыдущем месяцах и ранее, они будут "
                                         "удалены. Удалить изделие? "),
                          Caption)
        : MessageBox::ask(QStringLiteral("Удалить изделие? "), Caption);

    BusyCursor busy;
    {
        Transaction t(QLatin1String(TDataModule6::ConnectionName));
        Command* del = DataModule6->DelSmena;
        if (dropOperations)
            del->execute(productOperationsDeleteStatement(id));
        if (dropProduct) {
            // The server takes the hours of every entry the statement deletes out of the grid,
            // those saved by another client a moment before included.
            if (entries > 0)
                del->execute(productEntriesDeleteStatement(id));
            del->execute(productDeleteStatement(id));
        }
        t.commit();
    }
    izdel->refresh();
}
