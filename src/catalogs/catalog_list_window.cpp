#include "catalogs/catalog_list_window.h"

#include "toolkit/dataset.h"
#include "toolkit/error_guard.h"
#include "toolkit/search_box.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

CatalogListWindow::CatalogListWindow(QWidget* parent) : QDialog(parent) {}

void CatalogListWindow::bindList(Dataset* list, const QString& searchField, QLineEdit* search, QPushButton* add,
                                 QPushButton* change, QPushButton* remove)
{
    m_list = list;
    m_searchField = searchField;
    m_search = search;
    m_add = add;
    m_change = change;
    m_remove = remove;
    m_search->installEventFilter(this);
    on(m_search, &QLineEdit::textChanged, this, &CatalogListWindow::Edit1Change);
}

void CatalogListWindow::ShowBrowse()
{
    Tag = 0;
    m_list->open();
    m_change->setDefault(false);
    m_change->setText(QStringLiteral("Изменить"));
    m_add->setDefault(true);
    m_add->show();
    m_remove->show();
    m_search->show();   // also after the list served as a picker
    exec();
    m_list->close();
}

void CatalogListWindow::prepareSelection()
{
    Tag = 1;
    m_list->open();
    m_change->setText(QStringLiteral("Выбрать"));
    m_add->hide();
    m_remove->hide();
    m_change->setDefault(true);
    m_search->show();
    m_search->clear();
}

void CatalogListWindow::FormActivate()
{
    if (m_search->isVisible())
        m_search->setFocus();
}

void CatalogListWindow::Edit1Change()
{
    searchByPrefix(*m_list, m_searchField, m_search->text());
}

bool CatalogListWindow::event(QEvent* e)
{
    if (e->type() == QEvent::WindowActivate)
        guarded([this] { FormActivate(); });
    return QDialog::event(e);
}

bool CatalogListWindow::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == m_search && e->type() == QEvent::KeyPress) {
        bool taken = false;
        guarded([&] { taken = Edit1KeyDown(static_cast<QKeyEvent*>(e)); });
        return taken;
    }
    return QDialog::eventFilter(watched, e);
}
