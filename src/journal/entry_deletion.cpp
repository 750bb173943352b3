#include "journal/entry_deletion.h"

#include "core/data_module.h"
#include "journal/hours_upkeep.h"
#include "toolkit/message_box.h"

void deleteSelectedEntry(Dataset& list, int shift)
{
    if (list.isEmpty())
        return;
    const QString id = list.value(QStringLiteral("id")).toString();
    const bool confirmed = MessageBox::ask(QStringLiteral("Удалить позицию из списка?"), QStringLiteral("Удаление"));
    const int workerId = list.value(QStringLiteral("w_id")).toInt();
    // The day the entry was listed for; the picker may already show a date typed but not chosen.
    const QDate day = list.value(QStringLiteral("data")).toDate();
    if (confirmed)
        DataModule6->DelSmena->execute(QStringLiteral("delete from accounts_dep.smena where id=") + id);
    list.refresh();
    if (confirmed)
        hoursAfterDelete(workerId, shift, day);
}
