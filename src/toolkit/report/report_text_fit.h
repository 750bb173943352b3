#pragma once

#include <QFont>
#include <QFontMetricsF>
#include <QHash>
#include <QImage>
#include <QString>
#include <QVector>
#include <optional>

// A text as it prints in its box.
struct FittedText {
    QFont font;
    QString text;
};

// Measures texts in millimetres on a fine grid and fits them into boxes: a text wider than its
// box shrinks its font just enough, never below MinimumPointSize, where it stops being read.
// What does not fit even then is the caller's to place in a wider room or to give up on: a
// number then prints "###" (a cut figure reads as another figure), a text is cut with "…".
class ReportTextFit {
public:
    static constexpr double MinimumPointSize = 6;
    // mm kept clear at each side, so the texts of neighbouring boxes, even boxes that overlap a
    // little, stay apart by about a space and read as two figures
    static constexpr double Inset = 0.5;

    ReportTextFit();

    double width(const QFont& font, const QString& text);
    // `text` in `font`, shrunk just enough to fit a box `boxWidth` mm wide; none when it would
    // have to go below MinimumPointSize.
    std::optional<FittedText> shrink(const QFont& font, const QString& text, double boxWidth);
    // What prints when nothing fits: "###" for a number, else the text cut with "…", as large as
    // the box lets them be down to MinimumPointSize.
    FittedText giveUp(const QFont& font, const QString& text, double boxWidth, bool number);

private:
    static QFont smallest(const QFont& font);
    // Makes `font` the current one, m_last its index.
    const QFontMetricsF& metrics(const QFont& font);

    static constexpr double Resolution = 1200;   // dots per inch
    QImage m_grid{1, 1, QImage::Format_Mono};
    // A report uses a handful of fonts, mostly the same one many times running.
    QVector<QFont> m_fonts;
    QVector<QFontMetricsF> m_metrics;
    QVector<QHash<QString, double>> m_widths;   // mm, per font: names and kinds repeat on every line
    int m_last = -1;
};

// True for a text that reads as a number: "12", "-3,50", "0,125".
bool isNumberText(const QString& text);
