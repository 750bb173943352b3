#include "toolkit/report/report_text_fit.h"

#include <QRegularExpression>
#include <cmath>

namespace {
const double Step = 0.1;          // pt: sizes are tried on this grid, so a report holds few fonts
const double SmallestNumber = 1;  // pt: below this a number is unreadable anyway

double floorToStep(double size) { return std::floor(size / Step + 1e-9) * Step; }
}

ReportTextFit::ReportTextFit()
{
    m_grid.setDotsPerMeterX(int(Resolution / 0.0254));
    m_grid.setDotsPerMeterY(int(Resolution / 0.0254));
}

const QFontMetricsF& ReportTextFit::metrics(const QFont& font)
{
    const QString key = font.key();
    auto known = m_metrics.find(key);
    if (known == m_metrics.end())
        known = m_metrics.insert(key, QFontMetricsF(font, &m_grid));
    return *known;
}

double ReportTextFit::width(const QFont& font, const QString& text)
{
    return metrics(font).horizontalAdvance(text) / Resolution * 25.4;
}

FittedText ReportTextFit::fit(const QFont& font, const QString& text, double boxWidth, bool number)
{
    const double room = boxWidth > 2 * Inset ? boxWidth - 2 * Inset : boxWidth;
    const double wide = width(font, text);
    if (wide <= room)
        return {font, text};

    const double size = font.pointSizeF();
    const double smallest = number ? SmallestNumber : qMin(size, MinimumPointSize);
    QFont smaller = font;
    // Width grows about in step with the size; hinting can make the first guess a little wide.
    for (double tried = qMax(smallest, floorToStep(size * room / wide)); tried >= smallest - 1e-9; tried -= Step) {
        smaller.setPointSizeF(tried);
        if (width(smaller, text) <= room)
            return {smaller, text};
    }
    smaller.setPointSizeF(smallest);
    if (number)
        return {smaller, text};
    const QString cut = metrics(smaller).elidedText(text, Qt::ElideRight, room / 25.4 * Resolution);
    return {smaller, cut.isEmpty() ? QStringLiteral("…") : cut};
}

bool isNumberText(const QString& text)
{
    static const QRegularExpression number(QStringLiteral("^[-+]?\\d+(,\\d+)?$"));
    return number.match(text).hasMatch();
}
