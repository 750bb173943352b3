#include "catalogs/operation_editor.h"

#include "catalogs/operation_statements.h"
#include "catalogs/operation_types_window.h"
#include "catalogs/products_window.h"
#include "core/data_module.h"
#include "toolkit/busy_cursor.h"
#include "toolkit/error_guard.h"
#include "toolkit/fixed_dialog.h"
#include "toolkit/message_box.h"

TForm10* Form10 = nullptr;

TForm10::TForm10(QWidget* parent) : QDialog(parent)
{
    setupUi(this);
    makeFixedDialog(this);

    on(Button1, &QPushButton::clicked, this, &TForm10::Button1Click);
    on(Button2, &QPushButton::clicked, this, &QDialog::reject);
    on(Button3, &QPushButton::clicked, this, &TForm10::Button3Click);
    on(Button4, &QPushButton::clicked, this, &TForm10::Button4Click);
}

void TForm10::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    Button3->setFocus();
}

void TForm10::Button3Click()
{
    Form3->ShowSelect();
}

void TForm10::Button4Click()
{
    Form8->ShowSelect();
}

void TForm10::Button1Click()
{
    if (Edit1->text().trimmed().isEmpty() || Edit2->text().trimmed().isEmpty()) {
        MessageBox::stop(QStringLiteral("Все поля должны быть заполнены!"), QStringLiteral("Ошибка"));
        return;
    }
    const QString duplicate = QStringLiteral("Операция с такими параметрами уже заведена!");
    const int kind = ComboBox1->currentIndex();
    Dataset* oper = DataModule6->Oper;
    if (Tag == 1) {
        if (DataModule6->CheckDuplicate(operationCountStatement(FChosenTypeId, kind, FChosenProductId), duplicate))
            return;
        DataModule6->Oper_ins->execute(operationInsertStatement(FChosenTypeId, kind, FChosenProductId));
    } else {
        const int id = oper->value(QStringLiteral("id")).toInt();
        if (DataModule6->CheckDuplicate(otherOperationCountStatement(FChosenTypeId, kind, FChosenProductId, id), duplicate))
            return;
        DataModule6->Oper_ed->execute(operationUpdateStatement(FChosenTypeId, kind, FChosenProductId, id));
    }
    {
        BusyCursor busy;
        oper->refresh();
    }
    accept();
}
