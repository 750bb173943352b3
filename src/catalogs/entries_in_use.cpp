#include "catalogs/entries_in_use.h"

#include "core/data_module.h"
#include "toolkit/message_box.h"

bool confirmEntriesDropOut(const QString& countStatement, const QString& question)
{
    Dataset* control = DataModule6->Control;
    control->setSql(countStatement);
    control->open();
    const qint64 entries = control->value(QStringLiteral("cnt")).toLongLong();
    control->close();
    return entries == 0 || MessageBox::ask(question.arg(entries), QStringLiteral("Удаление"));
}
