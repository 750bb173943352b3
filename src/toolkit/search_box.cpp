#include "toolkit/search_box.h"

#include "toolkit/dataset.h"
#include "toolkit/row_filter.h"

#include <QKeyEvent>
#include <QKeySequence>

void searchByPrefix(Dataset& dataset, const QString& field, const QString& text)
{
    if (text.isEmpty()) {
        dataset.setFiltered(false);
        return;
    }
    dataset.setFilter(prefixFilter(field, text));
    dataset.setFiltered(true);
}

bool stepByArrowKey(Dataset& dataset, int key)
{
    if (key == Qt::Key_Up) {
        dataset.prior();
        return true;
    }
    if (key == Qt::Key_Down) {
        dataset.next();
        return true;
    }
    return false;
}

bool searchBoxKeepsKey(const QKeyEvent& event)
{
    switch (event.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Backspace:
        return true;
    default:
        break;
    }
    for (QKeySequence::StandardKey clipboard :
         {QKeySequence::Paste, QKeySequence::Copy, QKeySequence::Cut, QKeySequence::Undo, QKeySequence::SelectAll})
        if (event.matches(clipboard))
            return true;
    // Control combinations carry no printable text.
    const QString text = event.text();
    return !text.isEmpty() && text.at(0).isPrint();
}
