#include "journal/entry_deletion.h"

#include "core/data_module.h"
#include "toolkit/message_box.h"

void deleteSelectedEntry(Dataset& list)
{
    if (list.isEmpty())
        return;
    const QString id = list.value(QStringLiteral("id")).toString();
    // The server takes the entry's hours out of the grid within the same statement.
    if (MessageBox::ask(QStringLiteral("Удалить позицию из списка?"), QStringLiteral("Удаление")))
        DataModule6->DelSmena->execute(QStringLiteral("delete from accounts_dep.smena where id=") + id);
    list.refresh();
}
