#pragma once

#include <QString>
#include <QStringList>

// What the command line asks for besides the database name and server address.
enum class CommandLineRequest { Run, Help, Version };

// `--help`/`-h` wins over `--version`; anything else runs the program.
CommandLineRequest commandLineRequest(const QStringList& arguments);

// "tabel build YYYYMMDD.SECONDS": the stamp the version check compares with accounts_dep.ver.
QString versionText();
// Usage, the arguments and the environment the program depends on.
QString helpText();
