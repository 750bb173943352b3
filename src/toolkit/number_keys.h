#pragma once

#include <QObject>

class QLineEdit;

// Typing into a number box: digits pass, a comma or a point goes in as a point, every other
// typed character is dropped. Editing keys, shortcuts and pasting are left alone: what arrives
// another way than by typing is checked where the box is read.
class NumberKeyFilter : public QObject {
public:
    // Filters the keys of `edit` for as long as it lives.
    explicit NumberKeyFilter(QLineEdit* edit);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* m_edit;
};

// The characters of a typed text that a number box takes, a comma as a point.
QString numberKeysText(const QString& typed);
