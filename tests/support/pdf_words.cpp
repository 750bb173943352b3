#include "support/pdf_words.h"

#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

QList<PdfWord> pdfWords(const QString& path)
{
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), path, QStringLiteral("-")});
    if (!text.waitForFinished() || text.exitCode() != 0) {
        QTest::qFail("pdftotext could not read the PDF", __FILE__, __LINE__);
        return {};
    }
    const QString html = QString::fromUtf8(text.readAllStandardOutput());
    static const QRegularExpression word(
        QStringLiteral(R"re(<page |<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>)re"));
    const double pointsPerMm = 72 / 25.4;
    QList<PdfWord> words;
    int page = -1;
    for (auto match = word.globalMatch(html); match.hasNext();) {
        const auto m = match.next();
        if (m.captured(1).isEmpty()) {
            ++page;
            continue;
        }
        const QPointF topLeft(m.captured(1).toDouble(), m.captured(2).toDouble());
        const QPointF bottomRight(m.captured(3).toDouble(), m.captured(4).toDouble());
        words.append({QRectF(topLeft / pointsPerMm, bottomRight / pointsPerMm), m.captured(5), page});
    }
    return words;
}
