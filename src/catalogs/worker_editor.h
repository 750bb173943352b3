#pragma once

#include "ui_worker_editor.h"

#include <QDialog>

class Command;
class Dataset;

// Adds a worker or changes one: the name, and the position taken from the department box.
class TForm2 : public QDialog, public Ui::TForm2 {
    Q_OBJECT
public:
    explicit TForm2(QWidget* parent = nullptr);

    // Re-reads the three ERP lists; each box keeps the entry chosen in it last.
    void reopenLookups();

    void Button1Click();
    void FormActivate();
    // The wheel steps the focused lookup box: down to the next entry, up to the previous one.
    void FormMouseWheel(bool down);

    // 1 adds a worker, anything else changes the worker FId.
    int Tag = 0;
    qint32 FId = 0;

    Command* cmd_person;
    Dataset* department;
    Dataset* staffpos;
    Dataset* roles;

protected:
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;

private:
    void wheelTurned(QWheelEvent* e);
};

extern TForm2* Form2;
