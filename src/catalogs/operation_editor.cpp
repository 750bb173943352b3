#include "catalogs/operation_editor.h"

TForm10* Form10 = nullptr;

TForm10::TForm10(QWidget* parent) : QDialog(parent)
{
    setupUi(this);
}
