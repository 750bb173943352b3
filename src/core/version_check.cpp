#include "core/version_check.h"

#include "toolkit/dataset.h"
#include "toolkit/sql_text.h"

namespace {
bool older(int date, int time, int thanDate, int thanTime)
{
    return date < thanDate || (date == thanDate && time < thanTime);
}
}

VersionCheckResult checkVersionStamp(Dataset& ver, Command& write, int buildDate, int buildTime)
{
    VersionCheckResult result;
    ver.setSql(QStringLiteral("select d, t, delim from accounts_dep.ver"));
    ver.open();
    ver.first();
    result.delimiter = ver.value(QStringLiteral("delim")).toString();
    int d = ver.value(QStringLiteral("d")).toInt();
    int t = ver.value(QStringLiteral("t")).toInt();
    if (ver.isEmpty() || older(d, t, buildDate, buildTime)) {
        // The server raises the stamp (adding the row to an empty table) and never past its today.
        write.execute(QStringLiteral("select accounts_dep.raise_build_stamp(%1, %2)").arg(sqlNumber(buildDate), sqlNumber(buildTime)));
        result.verdict = VersionVerdict::Raised;
        ver.refresh();
        ver.first();
        d = ver.value(QStringLiteral("d")).toInt();
        t = ver.value(QStringLiteral("t")).toInt();
    }
    if (older(buildDate, buildTime, d, t))
        result.verdict = VersionVerdict::Outdated;
    ver.close();
    return result;
}
