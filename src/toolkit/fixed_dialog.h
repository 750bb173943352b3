#pragma once

class QDialog;

// A dialog with a fixed border at the size its form gives it: no resizing, no maximise box.
void makeFixedDialog(QDialog* dialog);
