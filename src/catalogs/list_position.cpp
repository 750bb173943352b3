#include "catalogs/list_position.h"

#include "toolkit/busy_cursor.h"
#include "toolkit/dataset.h"

void returnTo(Dataset& list, int recNo)
{
    if (!list.isEmpty() && !list.moveTo(recNo))
        list.last();
}

void reopenAt(Dataset& list, int recNo)
{
    BusyCursor busy;
    list.refresh();
    returnTo(list, recNo);
}
