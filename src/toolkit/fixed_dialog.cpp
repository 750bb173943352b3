#include "toolkit/fixed_dialog.h"

#include <QDialog>

void makeFixedDialog(QDialog* dialog)
{
    dialog->setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
                           | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    dialog->setFixedSize(dialog->size().expandedTo(dialog->sizeHint()));
}
