#pragma once

#include <QString>

class Command;
class Dataset;

// What the stored version stamp says about this build.
enum class VersionVerdict { Passed, Raised, Outdated };

struct VersionCheckResult {
    VersionVerdict verdict = VersionVerdict::Passed;
    QString delimiter;   // the database's decimal separator
};

// Reads the one stamp row through `ver`, raises it when this build is newer (adding the row
// to an empty table) and tells whether this build is older than the stamp.
VersionCheckResult checkVersionStamp(Dataset& ver, Command& write, int buildDate, int buildTime);
