#include "catalogs/worker_editor.h"

#include "catalogs/worker_statements.h"
#include "core/data_module.h"
#include "toolkit/busy_cursor.h"
#include "toolkit/error_guard.h"
#include "toolkit/fixed_dialog.h"
#include "toolkit/message_box.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWheelEvent>

TForm2* Form2 = nullptr;

namespace {
Dataset* lookupTable(QObject* owner, const QString& name, const QString& statement)
{
    auto* set = new Dataset(QLatin1String(TDataModule6::ConnectionName), name, owner);
    set->setSql(statement);
    return set;
}
}

TForm2::TForm2(QWidget* parent) : QDialog(parent)
{
    setupUi(this);
    makeFixedDialog(this);
    cmd_person = new Command(QLatin1String(TDataModule6::ConnectionName), QStringLiteral("cmd_person"), this);
    department = lookupTable(this, QStringLiteral("department"),
                             QStringLiteral("select id, id_branch, s_code, s_caption, s_description, id_parent "
                                            "from cmn_department.department order by id"));
    staffpos = lookupTable(this, QStringLiteral("staffpos"),
                           QStringLiteral("select id, id_department, s_code, s_caption, d_begin, d_end, s_description "
                                          "from hrms_staffpos.staffpos order by id"));
    roles = lookupTable(this, QStringLiteral("roles"),
                        QStringLiteral("select id, s_name, s_caption, d_begin, d_end, b_active from adm_role.roles order by id"));
    LCB_department->setListSource(department, QStringLiteral("id"), QStringLiteral("s_caption"));
    LCB_staffpos->setListSource(staffpos, QStringLiteral("id"), QStringLiteral("s_caption"));
    LCB_roles->setListSource(roles, QStringLiteral("id"), QStringLiteral("s_caption"));
    // The wheel over a box steps it through FormMouseWheel only, never twice.
    for (QWidget* box : {static_cast<QWidget*>(LCB_department), static_cast<QWidget*>(LCB_staffpos),
                         static_cast<QWidget*>(LCB_roles)})
        box->installEventFilter(this);

    on(Button1, &QPushButton::clicked, this, &TForm2::Button1Click);
    on(Button2, &QPushButton::clicked, this, &QDialog::reject);
}

void TForm2::reopenLookups()
{
    BusyCursor busy;
    for (Dataset* table : {staffpos, roles, department})
        table->refresh();
}

bool TForm2::event(QEvent* e)
{
    if (e->type() == QEvent::WindowActivate)
        guarded([this] { FormActivate(); });
    return QDialog::event(e);
}

void TForm2::FormActivate()
{
    Edit1->setFocus();
}

bool TForm2::eventFilter(QObject* watched, QEvent* e)
{
    if (e->type() == QEvent::Wheel) {
        wheelTurned(static_cast<QWheelEvent*>(e));
        return true;
    }
    return QDialog::eventFilter(watched, e);
}

void TForm2::wheelEvent(QWheelEvent* e)
{
    wheelTurned(e);
    e->ignore();
}

void TForm2::wheelTurned(QWheelEvent* e)
{
    const int delta = e->angleDelta().y();
    if (delta != 0)
        guarded([&] { FormMouseWheel(delta < 0); });
}

void TForm2::FormMouseWheel(bool down)
{
    QWidget* focused = QApplication::focusWidget();
    if (focused != LCB_roles && focused != LCB_staffpos && focused != LCB_department)
        return;
    const int key = down ? Qt::Key_Down : Qt::Key_Up;
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(focused, &press);
}

void TForm2::Button1Click()
{
    const QString name = Edit1->text().trimmed();
    if (name.isEmpty()) {
        MessageBox::stop(QStringLiteral("ФИО нужно заполнить!"), QStringLiteral("Ошибка"));
        return;
    }
    const QString position = LCB_department->currentText();
    cmd_person->execute(Tag == 1 ? workerInsertStatement(name, position) : workerUpdateStatement(name, position, FId));
    accept();
}
