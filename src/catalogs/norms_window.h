#pragma once

#include "ui_norms_window.h"

#include <QDialog>

class Dataset;

// The norms of one operation: norm figure, price and bonus, edited in the grid. Each change is
// stored as soon as the user leaves its column; the operation keeps at least one norm.
class TForm22 : public QDialog, public Ui::TForm22 {
    Q_OBJECT
public:
    explicit TForm22(QWidget* parent = nullptr);

    // Shows the norms of the current row of Oper.
    void ShowNorms();

    Dataset* norm;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void DBGrid1ColExit();

    void columnChanged(const QModelIndex& current, const QModelIndex& previous);
    void giveNewRowItsOperation();
    void appendRow();
    void reread();

    bool m_rereading = false;
};

extern TForm22* Form22;
