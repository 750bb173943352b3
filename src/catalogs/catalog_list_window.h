#pragma once

#include <QDialog>
#include <QString>

class Dataset;
class QKeyEvent;
class QLineEdit;
class QPushButton;

// A reference-book list window: browse mode (Tag 0) with add, change and delete, or selection
// mode, where the change button picks the current row. Its search box filters the list by the
// beginning of one field.
class CatalogListWindow : public QDialog {
    Q_OBJECT
public:
    // Opened from the menu: add, change and delete, and the search box always shown.
    void ShowBrowse();
    // Puts the focus into the search box when the box is visible.
    void FormActivate();
    // Only the rows whose search field begins with the typed text show; an empty box shows all.
    virtual void Edit1Change();

    // 0 browse, anything else selection.
    int Tag = 0;

protected:
    explicit CatalogListWindow(QWidget* parent);

    // After setupUi: the list's dataset, the field its search matches, the search box and the
    // add, change and delete buttons that the two modes switch.
    void bindList(Dataset* list, const QString& searchField, QLineEdit* search, QPushButton* add, QPushButton* change,
                  QPushButton* remove);
    // The start of a selection opening: Tag 1, the list open, "Выбрать" the default button, add
    // and delete hidden, the search box shown and emptied (which shows every row again).
    void prepareSelection();

    // A key pressed in the search box; true when the search takes it from the box.
    virtual bool Edit1KeyDown(QKeyEvent* e) = 0;

    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    Dataset* m_list = nullptr;
    QString m_searchField;
    QLineEdit* m_search = nullptr;
    QPushButton* m_add = nullptr;
    QPushButton* m_change = nullptr;
    QPushButton* m_remove = nullptr;
};
