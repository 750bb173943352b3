#include "core/command_line.h"

#include "core/build_stamp.h"
#include "core/connection_string.h"

CommandLineRequest commandLineRequest(const QStringList& arguments)
{
    if (arguments.contains(QLatin1String("--help")) || arguments.contains(QLatin1String("-h")))
        return CommandLineRequest::Help;
    if (arguments.contains(QLatin1String("--version")))
        return CommandLineRequest::Version;
    return CommandLineRequest::Run;
}

QString versionText()
{
    return QStringLiteral("tabel build %1.%2\n")
        .arg(BuildStamp::dateNumber())
        .arg(BuildStamp::timeNumber());
}

QString helpText()
{
    return QStringLiteral(
               "Usage: tabel [DBNAME SERVER]\n"
               "\n"
               "Табель: the shift journal of piecework output, time sheets and reports.\n"
               "\n"
               "Connects to database DBNAME on SERVER (a host name, an address or a Unix socket\n"
               "folder), port 5432, as user sys through Qt's PostgreSQL driver (libpq).\n"
               "SERVER may list several servers of one replicated cluster, separated by commas,\n"
               "each with a port of its own (\"db1,db2:5433\"): the program works on whichever is\n"
               "the primary, and reads reports, printouts and exports on a standby when one is\n"
               "up to date.\n"
               "The two arguments count only together; without them the program uses\n"
               "database %1 on %2.\n"
               "\n"
               "Options:\n"
               "  -h, --help     show this text and exit\n"
               "  --version      print the build stamp compared with the database's\n"
               "                 (accounts_dep.ver) and exit; the database is not touched\n"
               "\n"
               "Environment:\n"
               "  TABEL_LOCK_TIMEOUT  seconds a statement waits on a row or table another user\n"
               "                      holds before it is cancelled (30 when unset)\n"
               "  TABEL_STANDBY_MAX_LAG  seconds a standby's data may lag behind the primary for\n"
               "                      a report to read there (60 when unset)\n"
               "  TABEL_CONNECT_TIMEOUT  seconds a server may take to answer before it is given\n"
               "                      up and the next one named is tried (5 when unset)\n"
               "  TZ                  time zone; the system's when unset\n"
               "Those of its libraries apply too, e.g.\n"
               "  PGUSER, PGSERVICE  a database login of one's own in place of sys\n"
               "  PGSSLMODE, PGSSLROOTCERT  TLS to the server (verify-full and the site's authority)\n"
               "  QT_QPA_PLATFORM    Qt window system plugin (xcb, wayland, offscreen)\n")
        .arg(QLatin1String(BuiltInDatabase), QLatin1String(BuiltInServer));
}
