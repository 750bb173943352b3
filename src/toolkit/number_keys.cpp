#include "toolkit/number_keys.h"

#include <QKeyEvent>
#include <QLineEdit>

NumberKeyFilter::NumberKeyFilter(QLineEdit* edit) : QObject(edit), m_edit(edit)
{
    edit->installEventFilter(this);
}

QString numberKeysText(const QString& typed)
{
    QString out;
    for (const QChar c : typed) {
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            out += c;
        else if (c == QLatin1Char(',') || c == QLatin1Char('.'))
            out += QLatin1Char('.');
    }
    return out;
}

bool NumberKeyFilter::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_edit || event->type() != QEvent::KeyPress)
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    const QString text = key->text();
    // Shortcuts (Ctrl+V among them) and keys that type nothing printable (Backspace, Enter,
    // arrows) do what they always do.
    if (text.isEmpty() || !text.at(0).isPrint() || (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
        return false;
    const QString taken = numberKeysText(text);
    if (taken == text)
        return false;
    if (!taken.isEmpty())
        m_edit->insert(taken);
    return true;
}
