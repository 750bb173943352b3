#pragma once

#include <QString>

// How an operation reads wherever it is shown: the lists, the entry editor, reports and exports.

// "Готовая продукция" for kind 0, "Заготовки" for any other.
QString productKindName(int kind);
// "mark; type; kind", as the journal shows an operation.
QString operationDescription(const QString& mark, const QString& type, int kind);
