#pragma once

#include <QObject>
#include <QPointer>

class QDateTimeEdit;
class QLineEdit;

// Lets a clerk type a whole date, "15.11.2026", into a date box however she came into it. Qt
// drops the digits typed after a plain click (the cursor sits in a full section), and after two
// digits it moves on by itself, so the point typed next would skip a section. Installed once on
// the application, it serves every date box of the program:
// - a click that enters a box selects its first section, as Tab does; a later click selects the
//   section clicked, so one part can be typed over;
// - a separator typed right after a digit that moved on to the next section is dropped.
class DateTyping : public QObject {
public:
    static void install();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    using QObject::QObject;
    void clicked(QDateTimeEdit* box, QLineEdit* text);
    bool typed(QDateTimeEdit* box, const QString& text);

    QPointer<QDateTimeEdit> m_enteredByClick;
    QPointer<QDateTimeEdit> m_digitBox;   // where the last key was a digit, and in which section
    int m_digitSection = -1;
};
