#include "toolkit/local_time_zone.h"

#include <QByteArray>
#include <QtGlobal>
#include <ctime>

void settleLocalTimeZone()
{
    if (!qEnvironmentVariableIsSet("TZ"))
        qputenv("TZ", ":/etc/localtime");
    tzset();
}
