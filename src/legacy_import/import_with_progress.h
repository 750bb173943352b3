#pragma once

class QLabel;
class QWidget;

// Runs the legacy import from a window: connects the two data sources, shows a progress dialog
// over `parent` and writes the progress text into `label` after every row, letting the window
// system process pending events meanwhile. Throws DatabaseError; nothing is changed then.
void importWithProgress(QWidget* parent, QLabel* label);
