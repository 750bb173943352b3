#include "journal/entry_deletion.h"

#include "core/data_module.h"
#include "toolkit/message_box.h"

void deleteSelectedEntry(Dataset& list)
{
    if (list.isEmpty())
        return;
    const QString id = list.value(QStringLiteral("id")).toString();
    // The server takes the entry's hours out of the grid within the same statement.
    if (MessageBox::ask(QStringLiteral("Удалить позицию из списка?"), QStringLiteral("Удаление"))) {
        // The delete and the list read again travel together.
        DataModule6->DelSmena->setSql(QStringLiteral("delete from accounts_dep.smena where id=") + id);
        openTogether({&list}, {DataModule6->DelSmena->boundSql()});
    } else {
        list.refresh();
    }
}
