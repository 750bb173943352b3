#include "catalogs/operation_types_window.h"

#include "catalogs/operation_editor.h"
#include "catalogs/operation_type_editor.h"
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

TForm8::TForm8(QWidget* parent) : QDialog(parent)
{
    setupUi(this);
    makeFixedDialog(this);
    DBGrid1->setDataset(DataModule6->Vid_oper);
    DBGrid1->setColumns({GridColumn{QStringLiteral("vid"), QStringLiteral("Операции"), 325, true, Left, {}}});
    Edit1->hide();
    Edit1->installEventFilter(this);

    on(Button1, &QPushButton::clicked, this, &TForm8::Button1Click);
    on(Button2, &QPushButton::clicked, this, &TForm8::Button2Click);
    on(Button3, &QPushButton::clicked, this, &TForm8::Button3Click);
    on(Button4, &QPushButton::clicked, this, &QDialog::reject);
    on(Edit1, &QLineEdit::textChanged, this, &TForm8::Edit1Change);
    on(DBGrid1, &QAbstractItemView::doubleClicked, this, &TForm8::Button2Click);
}

void TForm8::ShowBrowse()
{
    Tag = 0;
    DataModule6->Vid_oper->open();
    Button1->setDefault(true);
    Button2->setText(QStringLiteral("Изменить"));
    Button1->show();
    Button3->show();
    exec();
    DataModule6->Vid_oper->close();
}

void TForm8::ShowSelect()
{
    Tag = 1;
    DataModule6->Vid_oper->open();
    Button2->setText(QStringLiteral("Выбрать"));
    Button1->hide();
    Button3->hide();
    Button2->setDefault(true);
    Edit1->show();
    Edit1->clear();
    exec();
    Button1->setDefault(true);
    Edit1->hide();
    DataModule6->Vid_oper->setFiltered(false);
    DataModule6->Vid_oper->close();
}

bool TForm8::event(QEvent* e)
{
    if (e->type() == QEvent::WindowActivate)
        guarded([this] { FormActivate(); });
    return QDialog::event(e);
}

void TForm8::FormActivate()
{
    if (Edit1->isVisible())
        Edit1->setFocus();
}

bool TForm8::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == Edit1 && e->type() == QEvent::KeyPress) {
        bool taken = false;
        guarded([&] { taken = Edit1KeyDown(static_cast<QKeyEvent*>(e)); });
        return taken;
    }
    return QDialog::eventFilter(watched, e);
}

void TForm8::Edit1Change()
{
    searchByPrefix(*DataModule6->Vid_oper, QStringLiteral("vid"), Edit1->text());
}

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
    types->remove();
    BusyCursor busy;
    types->refresh();
}
