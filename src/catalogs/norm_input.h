#pragma once

#include <QString>
#include <QVariant>
#include <optional>

// What a cell typed into the norms grid stores. "price" takes a decimal number with a comma or
// a point, "norma" and "prize" a whole number; an empty cell stores nothing (NULL). No value
// when the text is not such a number.
std::optional<QVariant> normInput(const QString& field, const QString& text);
// The refusal shown for a text that normInput does not take.
QString normInputRefusal(const QString& field);
