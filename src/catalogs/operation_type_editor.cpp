#include "catalogs/operation_type_editor.h"

#include "catalogs/operation_type_statements.h"
#include "core/data_module.h"
#include "toolkit/busy_cursor.h"
#include "toolkit/error_guard.h"
#include "toolkit/fixed_dialog.h"
#include "toolkit/message_box.h"

TForm9* Form9 = nullptr;

TForm9::TForm9(QWidget* parent) : QDialog(parent)
{
    setupUi(this);
    makeFixedDialog(this);
    on(Button1, &QPushButton::clicked, this, &TForm9::Button1Click);
    on(Button2, &QPushButton::clicked, this, &QDialog::reject);
}

bool TForm9::event(QEvent* e)
{
    if (e->type() == QEvent::WindowActivate)
        guarded([this] { FormActivate(); });
    return QDialog::event(e);
}

void TForm9::FormActivate()
{
    Edit1->setFocus();
}

void TForm9::Button1Click()
{
    const QString name = Edit1->text().trimmed();
    if (name.isEmpty()) {
        MessageBox::stop(QStringLiteral("Все поля должны быть заполнены!"), QStringLiteral("Ошибка"));
        return;
    }
    const QString duplicate = QStringLiteral("Такая операция уже заведена!");
    Dataset* types = DataModule6->Vid_oper;
    if (Tag == 1) {
        if (DataModule6->CheckDuplicate(operationTypeDuplicateStatement(name), duplicate))
            return;
        types->insert();
    } else {
        if (DataModule6->CheckDuplicate(operationTypeDuplicateStatement(name, types->value(QStringLiteral("id")).toLongLong()),
                                        duplicate))
            return;
        types->edit();
    }
    try {
        types->setValue(QStringLiteral("vid"), name);
        types->post();
    } catch (...) {
        // A refused row must not stay in the list as if it were stored.
        types->cancel();
        throw;
    }
    {
        BusyCursor busy;
        types->refresh();
    }
    accept();
}
