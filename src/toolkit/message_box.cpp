#include "toolkit/message_box.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace {

MessageBox::Presenter& presenter()
{
    static MessageBox::Presenter instance;
    return instance;
}

bool present(const MessageBox::Shown& shown)
{
    if (presenter())
        return presenter()(shown);
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(shown.caption);
    box.setText(shown.text);
    box.setDetailedText(shown.detail);
    switch (shown.icon) {
    case MessageBox::Icon::Stop:
        box.setIcon(QMessageBox::Critical);
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case MessageBox::Icon::Question:
        box.setIcon(QMessageBox::Question);
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
        box.button(QMessageBox::Yes)->setText(QObject::tr("Да"));
        box.button(QMessageBox::No)->setText(QObject::tr("Нет"));
        break;
    case MessageBox::Icon::Information:
        box.setIcon(QMessageBox::Information);
        box.setStandardButtons(QMessageBox::Ok);
        break;
    }
    const int answer = box.exec();
    return answer == QMessageBox::Yes || answer == QMessageBox::Ok;
}

} // namespace

namespace MessageBox {

void stop(const QString& text, const QString& caption, const QString& detail)
{
    present({text, caption, Icon::Stop, detail});
}
bool ask(const QString& text, const QString& caption) { return present({text, caption, Icon::Question}); }
void inform(const QString& text, const QString& caption) { present({text, caption, Icon::Information}); }
void setPresenter(Presenter p) { presenter() = std::move(p); }

} // namespace MessageBox
