#include "toolkit/report/report_text_fit.h"

#include <QRegularExpression>
#include <cmath>

namespace {
const double Step = 0.1;   // pt: sizes are tried on this grid, so a report holds few fonts

double floorToStep(double size) { return std::floor(size / Step + 1e-9) * Step; }
}

ReportTextFit::ReportTextFit()
{
    m_grid.setDotsPerMeterX(int(Resolution / 0.0254));
    m_grid.setDotsPerMeterY(int(Resolution / 0.0254));
}

const QFontMetricsF& ReportTextFit::metrics(const QFont& font)
{
    if (m_last < 0 || !(m_fonts.at(m_last) == font)) {
        m_last = int(m_fonts.indexOf(font));
        if (m_last < 0) {
            m_last = int(m_fonts.size());
            m_fonts.append(font);
            m_metrics.append(QFontMetricsF(font, &m_grid));
            m_widths.append(QHash<QString, double>());
        }
    }
    return m_metrics.at(m_last);
}

double ReportTextFit::width(const QFont& font, const QString& text)
{
    const QFontMetricsF& measure = metrics(font);
    QHash<QString, double>& known = m_widths[m_last];
    auto width = known.constFind(text);
    if (width == known.constEnd())
        width = known.insert(text, measure.horizontalAdvance(text) / Resolution * 25.4);
    return *width;
}

std::optional<FittedText> ReportTextFit::shrink(const QFont& font, const QString& text, double boxWidth)
{
    const double room = boxWidth > 2 * Inset ? boxWidth - 2 * Inset : boxWidth;
    const double wide = width(font, text);
    if (wide <= room)
        return FittedText{font, text};
    const double size = font.pointSizeF();
    const double smallest = qMin(size, MinimumPointSize);
    QFont smaller = font;
    // Width grows about in step with the size; hinting can make the first guess a little wide.
    for (double tried = qMax(smallest, floorToStep(size * room / wide)); tried >= smallest - 1e-9; tried -= Step) {
        smaller.setPointSizeF(tried);
        if (width(smaller, text) <= room)
            return FittedText{smaller, text};
    }
    return std::nullopt;
}

FittedText ReportTextFit::giveUp(const QFont& font, const QString& text, double boxWidth, bool number)
{
    if (number)
        return shrink(font, QStringLiteral("###"), boxWidth)
            .value_or(FittedText{smallest(font), QStringLiteral("###")});
    const QFont least = smallest(font);
    const double room = boxWidth > 2 * Inset ? boxWidth - 2 * Inset : boxWidth;
    const QString cut = metrics(least).elidedText(text, Qt::ElideRight, room / 25.4 * Resolution);
    return {least, cut.isEmpty() ? QStringLiteral("…") : cut};
}

QFont ReportTextFit::smallest(const QFont& font)
{
    QFont least = font;
    least.setPointSizeF(qMin(font.pointSizeF(), MinimumPointSize));
    return least;
}

bool isNumberText(const QString& text)
{
    static const QRegularExpression number(QStringLiteral("^[-+]?\\d+(,\\d+)?$"));
    return number.match(text).hasMatch();
}
