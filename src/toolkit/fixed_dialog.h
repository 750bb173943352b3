#pragma once

class QDialog;

// A dialog with a fixed border, no resizing and no maximise box: at the size its form gives it,
// or, when the form gives none, at the size of its contents.
void makeFixedDialog(QDialog* dialog);
