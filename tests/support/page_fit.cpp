#include "support/page_fit.h"

#include "support/pdf_words.h"
#include "toolkit/report/report_text_fit.h"

namespace {

// The span a text takes on its line, from its measured width and its alignment in the box.
struct Span {
    double left, right, top, bottom;
    QString text;
};

QString where(int page, const QString& text) { return QStringLiteral("page %1, \"%2\"").arg(page + 1).arg(text); }

bool sameLine(double top1, double bottom1, double top2, double bottom2) { return qMin(bottom1, bottom2) - qMax(top1, top2) > 0.5; }

// Two spans of a line closer than this read as one word.
const double Touching = 0.4;   // mm

} // namespace

QStringList pageFitFaults(const ReportDocument& document)
{
    const double tolerance = 0.01;
    ReportTextFit measure;
    QStringList faults;
    for (int p = 0; p < document.pages.size(); ++p) {
        QList<Span> spans;
        for (const ReportText& t : document.pages.at(p).texts()) {
            const QFont& font = document.fonts.at(t.font);
            const double width = measure.width(font, t.text);
            if (width > t.rect.width() + tolerance)
                faults << where(p, t.text) + QStringLiteral(" is %1 mm wide in a box of %2").arg(width).arg(t.rect.width());
            QString start = t.text;
            if (start.endsWith(QStringLiteral("…")) && isNumberText(start.chopped(1)))
                faults << where(p, t.text) + QStringLiteral(" is a cut number");
            if (font.pointSizeF() < ReportTextFit::MinimumPointSize - 1e-9)
                faults << where(p, t.text) + QStringLiteral(" is printed at %1 pt").arg(font.pointSizeF());
            double left = t.rect.left();
            if (t.alignment & Qt::AlignHCenter)
                left = t.rect.center().x() - width / 2;
            else if (t.alignment & Qt::AlignRight)
                left = t.rect.right() - width;
            spans.append({left, left + width, t.rect.top(), t.rect.bottom(), t.text});
        }
        for (int i = 0; i < spans.size(); ++i)
            for (int j = i + 1; j < spans.size(); ++j) {
                const Span& a = spans.at(i);
                const Span& b = spans.at(j);
                if (sameLine(a.top, a.bottom, b.top, b.bottom) && qMin(a.right, b.right) - qMax(a.left, b.left) > -Touching)
                    faults << where(p, a.text) + QStringLiteral(" touches \"%1\"").arg(b.text);
            }
    }
    return faults;
}

QStringList pdfFitFaults(const ReportDocument& document, const QString& pdf)
{
    const double tolerance = 0.15;   // mm: pdftotext rounds and measures glyphs its own way
    const QList<PdfWord> words = pdfWords(pdf);
    QStringList faults;
    if (words.isEmpty())
        faults << QStringLiteral("the PDF holds no words");
    for (const PdfWord& word : words) {
        const QRectF inner = word.rect.adjusted(tolerance, tolerance, -tolerance, -tolerance);
        const QVector<ReportText> texts = document.pages.value(word.page).texts();
        const bool inside = std::any_of(texts.cbegin(), texts.cend(), [&](const ReportText& t) {
            return t.text.contains(word.text) && t.rect.contains(inner);
        });
        if (!inside)
            faults << where(word.page, word.text) + QStringLiteral(" lies outside its box");
    }
    for (int i = 0; i < words.size(); ++i)
        for (int j = i + 1; j < words.size(); ++j) {
            const PdfWord& a = words.at(i);
            const PdfWord& b = words.at(j);
            if (a.page == b.page && sameLine(a.rect.top(), a.rect.bottom(), b.rect.top(), b.rect.bottom())
                && qMin(a.rect.right(), b.rect.right()) - qMax(a.rect.left(), b.rect.left()) > -Touching / 2)
                faults << where(a.page, a.text) + QStringLiteral(" touches \"%1\"").arg(b.text);
        }
    return faults;
}

QStringList printFitFaults(const ReportDocument& document, const QString& pdf)
{
    if (!document.writePdf(pdf))
        return {QStringLiteral("the PDF cannot be written")};
    return pageFitFaults(document) + pdfFitFaults(document, pdf);
}
