#pragma once

#include <QString>

class Dataset;
class QKeyEvent;

// The incremental search of a list window: only the rows whose field begins with the typed
// text show (letter case ignored); an empty text shows every row again.
void searchByPrefix(Dataset& dataset, const QString& field, const QString& text);

// Up and Down in a search box step the dataset's current row; true when the key was one of them.
bool stepByArrowKey(Dataset& dataset, int key);

// The keys a search box still handles when it takes every other key for itself: typed
// characters, Backspace and the clipboard edit the text; Enter, Esc and Tab belong to the dialog.
bool searchBoxKeepsKey(const QKeyEvent& event);
