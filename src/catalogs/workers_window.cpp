#include "catalogs/workers_window.h"

#include "catalogs/list_position.h"
#include "catalogs/worker_editor.h"
#include "catalogs/worker_statements.h"
#include "core/data_module.h"
#include "toolkit/busy_cursor.h"
#include "toolkit/error_guard.h"
#include "toolkit/fixed_dialog.h"
#include "toolkit/message_box.h"
#include "toolkit/search_box.h"

#include <QKeyEvent>

#include <utility>

namespace {
const Qt::Alignment Left = Qt::AlignLeft | Qt::AlignVCenter;
}

TForm5* Form5 = nullptr;

TForm5::TForm5(QWidget* parent) : CatalogListWindow(parent)
{
    setupUi(this);
    makeFixedDialog(this);
    bindList(DataModule6->Workers, QStringLiteral("fio"), Edit1, Button1, Button2, Button3);
    DBGrid1->setDataset(DataModule6->Workers);
    DBGrid1->setColumns({GridColumn{QStringLiteral("fio"), QStringLiteral("ФИО"), 330, true, Left, {}},
                         GridColumn{QStringLiteral("s_staffpos_hl"), QStringLiteral("Должность"), 320, true, Left, {}}});
    DBGrid1->setSelectionMode(QAbstractItemView::ExtendedSelection);

    on(Button1, &QPushButton::clicked, this, &TForm5::Button1Click);
    on(Button2, &QPushButton::clicked, this, &TForm5::Button2Click);
    on(Button3, &QPushButton::clicked, this, &TForm5::Button3Click);
    on(Button4, &QPushButton::clicked, this, &QDialog::reject);
    on(DBGrid1, &QAbstractItemView::doubleClicked, this, &TForm5::Button2Click);
}

std::optional<WorkerChoice> TForm5::ShowSelect()
{
    m_choice.reset();
    prepareSelection();
    exec();
    // The search and its filter stay: the next opening, even from the menu, still shows them.
    DataModule6->Workers->close();
    return std::exchange(m_choice, std::nullopt);
}

// Up and Down step the list; every other key but typing is kept from the box.
bool TForm5::Edit1KeyDown(QKeyEvent* e)
{
    stepByArrowKey(*DataModule6->Workers, e->key());
    return !searchBoxKeepsKey(*e);
}

void TForm5::Button1Click()
{
    Form2->Edit1->clear();
    Form2->setWindowTitle(QStringLiteral("Заведение данных нового работника"));
    Form2->Tag = 1;
    Form2->reopenLookups();
    Form2->exec();
    BusyCursor busy;
    DataModule6->Workers->refresh();
}

void TForm5::Button2Click()
{
    Dataset* workers = DataModule6->Workers;
    if (Tag != 0) {
        if (!workers->isEmpty())
            m_choice = WorkerChoice{workers->value(QStringLiteral("id")).toInt(),
                                    workers->value(QStringLiteral("fio")).toString().trimmed()};
        accept();
        return;
    }
    if (workers->isEmpty())
        return;
    const int recNo = workers->recNo();
    Form2->setWindowTitle(QStringLiteral("Изменение данных работника"));
    Form2->Tag = 2;
    Form2->reopenLookups();
    Form2->Edit1->setText(workers->value(QStringLiteral("fio")).toString().trimmed());
    Form2->FId = workers->value(QStringLiteral("id")).toInt();
    Form2->exec();
    reopenAt(*workers, recNo);
}

void TForm5::Button3Click()
{
    Dataset* workers = DataModule6->Workers;
    if (workers->isEmpty())
        return;
    if (!MessageBox::ask(QStringLiteral("Удалить работника?"), QStringLiteral("Удаление")))
        return;
    const int recNo = workers->recNo();
    Form2->cmd_person->execute(workerDeleteStatement(workers->value(QStringLiteral("id")).toLongLong()));
    reopenAt(*workers, recNo);
}
