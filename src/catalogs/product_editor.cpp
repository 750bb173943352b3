#include "catalogs/product_editor.h"

#include "catalogs/product_statements.h"
#include "core/data_module.h"
#include "toolkit/busy_cursor.h"
#include "toolkit/error_guard.h"
#include "toolkit/fixed_dialog.h"
#include "toolkit/message_box.h"
#include "toolkit/number_keys.h"

TForm7* Form7 = nullptr;

TForm7::TForm7(QWidget* parent) : QDialog(parent)
{
    setupUi(this);
    makeFixedDialog(this);
    new NumberKeyFilter(Edit2);
    item = new Dataset(QLatin1String(TDataModule6::ConnectionName), QStringLiteral("item"), this);
    item->setSql(QStringLiteral("select id, id_classifier, id_level, s_code, s_caption, s_description, b_excluded, "
                                "d_excluded_date, id_parent from cmn_classifier.item where id_level=2 order by s_caption"));
    cb_item->setListSource(item, QStringLiteral("id"), QStringLiteral("s_caption"));

    on(Button1, &QPushButton::clicked, this, &TForm7::Button1Click);
    on(Button2, &QPushButton::clicked, this, &QDialog::reject);
}

bool TForm7::event(QEvent* e)
{
    if (e->type() == QEvent::WindowActivate)
        guarded([this] { FormActivate(); });
    return QDialog::event(e);
}

void TForm7::FormActivate()
{
    Edit1->setFocus();
}

void TForm7::Button1Click()
{
    const QString name = Edit1->text().trimmed();
    const qint64 classItem = cb_item->keyValue().toLongLong();
    if (name.isEmpty() || Edit2->text().trimmed().isEmpty() || classItem == 0) {
        MessageBox::stop(QStringLiteral("Все поля должны быть заполнены!"), QStringLiteral("Ошибка"));
        return;
    }
    const std::optional<double> massa = numberBoxValue(Edit2->text());
    if (!massa) {
        MessageBox::stop(numberBoxProblem(Label2->text(), Edit2->text()), QStringLiteral("Ошибка"));
        Edit2->setFocus();
        return;
    }
    const QString duplicate = QStringLiteral("Такая марка изделия уже заведена!");
    Dataset* izdel = DataModule6->Izdel;
    bool stored = true;
    if (Tag == 1) {
        if (DataModule6->CheckDuplicate(productDuplicateStatement(name), duplicate))
            return;
        DataModule6->SQL_exec->execute(productInsertStatement(name, *massa, classItem));
    } else {
        const qint64 id = izdel->value(QStringLiteral("id")).toLongLong();
        if (DataModule6->CheckDuplicate(productDuplicateStatement(name, id), duplicate))
            return;
        stored = DataModule6->SQL_exec->execute(productUpdateStatement(name, *massa, classItem, id)) > 0;
    }
    {
        BusyCursor busy;
        izdel->refresh();
    }
    if (!stored) {
        // Deleted meanwhile by another user: the re-read list no longer shows it.
        MessageBox::stop(QStringLiteral("Изделие не найдено: его уже удалили. Изменения не записаны."), QStringLiteral("Ошибка"));
        reject();
        return;
    }
    accept();
}
