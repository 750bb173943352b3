#include "history/entry_history_window.h"

#include "core/data_module.h"
#include "history/change_log.h"
#include "history/history_statements.h"
#include "toolkit/busy_cursor.h"
#include "toolkit/error_guard.h"

#include <QHeaderView>

TForm24* Form24 = nullptr;

TForm24::TForm24(QWidget* parent) : QDialog(parent)
{
    setupUi(this);
    History = new Dataset(QLatin1String(TDataModule6::ConnectionName), QStringLiteral("History"), this);
    DBGrid1->setColumns(changeLogColumns());
    DBGrid1->setDataset(History);
    // The changes take the room that is left.
    DBGrid1->horizontalHeader()->setStretchLastSection(true);
    showChangesWhole(DBGrid1);
    on(Button4, &QPushButton::clicked, this, &TForm24::Button4Click);
}

void TForm24::ShowEntry(int entryId)
{
    {
        BusyCursor busy;
        History->close();
        History->setSql(entryHistoryStatement(entryId));
        History->open();
    }
    Label1->setText(QStringLiteral("Позиция № %1").arg(entryId));
    exec();
    History->close();
}

void TForm24::Button4Click()
{
    close();
}
