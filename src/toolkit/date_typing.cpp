#include "toolkit/date_typing.h"

#include <QCoreApplication>
#include <QDateTimeEdit>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>

void DateTyping::install()
{
    static DateTyping* filter = nullptr;
    if (filter)
        return;
    filter = new DateTyping(QCoreApplication::instance());
    QCoreApplication::instance()->installEventFilter(filter);
}

bool DateTyping::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::FocusIn:
        if (auto* box = qobject_cast<QDateTimeEdit*>(watched)) {
            m_digitBox = nullptr;
            if (static_cast<QFocusEvent*>(event)->reason() == Qt::MouseFocusReason)
                m_enteredByClick = box;
        }
        break;
    case QEvent::MouseButtonRelease:
        // The box's text is its line edit, a child of the box.
        if (auto* box = qobject_cast<QDateTimeEdit*>(watched->parent()))
            if (auto* text = qobject_cast<QLineEdit*>(watched))
                clicked(box, text);
        break;
    case QEvent::KeyPress:
        if (auto* box = qobject_cast<QDateTimeEdit*>(watched))
            return typed(box, static_cast<QKeyEvent*>(event)->text());
        break;
    default:
        break;
    }
    return false;
}

void DateTyping::clicked(QDateTimeEdit* box, QLineEdit* text)
{
    m_digitBox = nullptr;
    const bool entered = m_enteredByClick == box;
    m_enteredByClick = nullptr;
    if (text->hasSelectedText())   // a drag or a double click chose for itself
        return;
    box->setSelectedSection(entered ? box->sectionAt(0) : box->currentSection());
}

bool DateTyping::typed(QDateTimeEdit* box, const QString& text)
{
    const bool afterDigit = m_digitBox == box;
    const int sectionBefore = m_digitSection;
    m_digitBox = nullptr;
    if (text.size() != 1)
        return false;
    if (text.at(0).isDigit()) {
        m_digitBox = box;
        m_digitSection = box->currentSectionIndex();
        return false;
    }
    // Qt has moved on to the next section after a full one: the separator is already behind.
    return text.at(0).isPunct() && afterDigit && box->currentSectionIndex() == sectionBefore + 1;
}
