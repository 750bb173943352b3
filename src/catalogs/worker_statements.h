#pragma once

#include <QString>

// Statements of the workers editor and list. Names and positions are quoted, so any typed
// text is stored as it stands.
QString workerInsertStatement(const QString& name, const QString& position);
QString workerUpdateStatement(const QString& name, const QString& position, qint64 id);
QString workerDeleteStatement(qint64 id);
