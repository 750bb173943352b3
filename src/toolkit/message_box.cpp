#include "toolkit/message_box.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTranslator>

namespace {

// The box's own buttons in the program's language (no Qt translations are installed).
class BoxButtonTexts : public QTranslator {
public:
    using QTranslator::QTranslator;
    bool isEmpty() const override { return false; }
    QString translate(const char* context, const char* source, const char*, int) const override
    {
        if (qstrcmp(context, "QMessageBox") != 0)
            return {};
        if (qstrcmp(source, "Show Details...") == 0)
            return QStringLiteral("Подробнее...");
        if (qstrcmp(source, "Hide Details...") == 0)
            return QStringLiteral("Скрыть подробности");
        return {};
    }
};

void installBoxButtonTexts()
{
    static BoxButtonTexts* texts = nullptr;
    if (texts)
        return;
    texts = new BoxButtonTexts(qApp);
    QCoreApplication::installTranslator(texts);
    // Installing posts a language change to every window; were it delivered while the first box
    // shows, the box would put its buttons back to Qt's own English texts.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
}

MessageBox::Presenter& presenter()
{
    static MessageBox::Presenter instance;
    return instance;
}

bool present(const MessageBox::Shown& shown)
{
    if (presenter())
        return presenter()(shown);
    installBoxButtonTexts();
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
