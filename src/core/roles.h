#pragma once

#include <QString>
#include <QStringList>

// Who signed in, decided by which fixed access code was typed.
enum class Role { Planner, Master, Warehouse, Administrator, Unknown };

inline const QString MasterCode = QStringLiteral("dovrent");

// The typed code, trimmed of surrounding blanks and compared exactly.
Role roleForCode(const QString& typed);
// Object names of the journal window's controls and menu items a role switches off.
QStringList journalControlsOff(Role role);
// Object names of the journal window's menu items a role does not see.
QStringList journalControlsHidden(Role role);
// How the program names itself on the server once signed in: "Табель: <role> @ <host>" as the
// history shows the writer, and the same in Latin letters for application_name, which keeps
// printable ASCII only.
QString clientName(Role role, const QString& host);
QString clientAsciiName(Role role, const QString& host);
// Object names of the reports dialog's controls a role switches off.
QStringList reportsControlsOff(Role role);
// Whether the role has the report by workers, and so sees the output of each worker.
bool reportsShowWorkers(Role role);
// Whether the role reports finished products only.
bool reportsFinishedProductsOnly(Role role);
