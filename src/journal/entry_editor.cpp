#include "journal/entry_editor.h"

#include "core/data_module.h"

TForm11* Form11 = nullptr;

TForm11::TForm11(QWidget* parent) : QDialog(parent)
{
    setupUi(this);
    SmenaIU = new Command(QLatin1String(TDataModule6::ConnectionName), QStringLiteral("SmenaIU"), this);
    // The group box's caption is bold, its contents are not.
    for (QWidget* child : GroupBox1->findChildren<QWidget*>()) {
        QFont f = child->font();
        f.setBold(false);
        child->setFont(f);
    }
}
