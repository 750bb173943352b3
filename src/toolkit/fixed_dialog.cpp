#include "toolkit/fixed_dialog.h"

#include <QDialog>
#include <QLayout>

void makeFixedDialog(QDialog* dialog)
{
    dialog->setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
                           | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    if (dialog->testAttribute(Qt::WA_Resized) || !dialog->layout())
        dialog->setFixedSize(dialog->size().expandedTo(dialog->sizeHint()));
    else
        dialog->layout()->setSizeConstraint(QLayout::SetFixedSize);
}
