#include "journal/entry_deletion.h"

#include "core/data_module.h"
#include "hours/hours_upkeep.h"
#include "toolkit/message_box.h"
#include "toolkit/transaction.h"

void deleteSelectedEntry(Dataset& list, int shift)
{
    if (list.isEmpty())
        return;
    const QString id = list.value(QStringLiteral("id")).toString();
    const bool confirmed = MessageBox::ask(QStringLiteral("Удалить позицию из списка?"), QStringLiteral("Удаление"));
    const int workerId = list.value(QStringLiteral("w_id")).toInt();
    // The day the entry was listed for; the picker may already show a date typed but not chosen.
    const QDate day = list.value(QStringLiteral("data")).toDate();
    if (confirmed) {
        // The entry and its hours go together or not at all.
        Transaction t(QLatin1String(TDataModule6::ConnectionName));
        DataModule6->DelSmena->execute(QStringLiteral("delete from accounts_dep.smena where id=") + id);
        hoursAfterDelete(workerId, shift, day);
        t.commit();
    }
    list.refresh();
}
