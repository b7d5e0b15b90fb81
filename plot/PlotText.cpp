#include "PlotText.h"

#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>
#include <QRectF>
#include <QTextLayout>
#include <QTextLine>
#include <QTextOption>

#include <cmath>
#include <optional>

struct PlotTextCache::Entry
{
    std::optional<double> width;
    // The text laid out as one line the way QPainter::drawText lays it out; null until first
    // drawn, and for a text drawText must handle itself (exact false).
    std::unique_ptr<QTextLayout> layout;
    bool shaped = false;
    bool exact = false;
    double height = 0;  // the line's ascent + descent
    double natural = 0; // its natural text width, which decides the clip
    double advance = 0; // its advance, which places it
    unsigned used = 0;
};

namespace {

// Characters drawText turns into something else before laying the text out (line breaks, tabs,
// mnemonic marks, the separator of length variants), and the blanks whose width at either end
// depends on flags and direction.
bool plainLine(const QString &text)
{
    if (text.isEmpty() || text.front().isSpace() || text.back().isSpace())
        return false;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == '\r' || u == '\n' || u == '\t' || u == '&' || u == 0x9c ||
            u == QChar::LineSeparator || u == QChar::ParagraphSeparator)
            return false;
    }
    return true;
}

} // namespace

PlotTextCache::PlotTextCache() = default;
PlotTextCache::~PlotTextCache() = default;

void PlotTextCache::measureWith(const QFont &font, const QPaintDevice *device)
{
    const int dpiX = device ? device->logicalDpiX() : 0;
    const int dpiY = device ? device->logicalDpiY() : 0;
    const double ratio = device ? device->devicePixelRatioF() : 1.0;
    if (sameFont(font, metricsFont) && dpiX == metricsDpiX && dpiY == metricsDpiY &&
        ratio == metricsRatio)
        return;
    entries.clear();
    paintFontSet = false;
    metricsFont = font;
    metricsDpiX = dpiX;
    metricsDpiY = dpiY;
    metricsRatio = ratio;
    metrics = std::make_unique<QFontMetricsF>(font, device);
}

PlotTextCache::Entry &PlotTextCache::entry(const QString &text)
{
    std::shared_ptr<Entry> &e = entries[text];
    if (!e)
        e = std::make_shared<Entry>();
    e->used = generation;
    return *e;
}

double PlotTextCache::width(const QString &text)
{
    Entry &e = entry(text);
    if (!e.width) {
        if (!metrics)
            metrics = std::make_unique<QFontMetricsF>(metricsFont);
        e.width = metrics->horizontalAdvance(text);
    }
    return *e.width;
}

bool PlotTextCache::shapedFontMatches(QPainter *p)
{
    const QPaintDevice *device = p->device();
    const int dpiX = device ? device->logicalDpiX() : 0;
    const int dpiY = device ? device->logicalDpiY() : 0;
    const double ratio = device ? device->devicePixelRatioF() : 1.0;
    if (paintFontSet && sameFont(p->font(), paintFont) && dpiX == paintDpiX && dpiY == paintDpiY &&
        ratio == paintRatio && p->layoutDirection() == paintDirection)
        return true;
    // Another font: every shaped layout is of no use, the widths still are.
    for (const std::shared_ptr<Entry> &e : qAsConst(entries)) {
        e->layout.reset();
        e->shaped = false;
    }
    paintFont = p->font();
    paintDpiX = dpiX;
    paintDpiY = dpiY;
    paintRatio = ratio;
    paintDirection = p->layoutDirection();
    paintFontSet = true;
    return false;
}

void PlotTextCache::draw(QPainter *p, const QRectF &r, int flags, const QString &text)
{
    constexpr int alignments = Qt::AlignLeft | Qt::AlignRight | Qt::AlignHCenter | Qt::AlignTop |
                               Qt::AlignBottom | Qt::AlignVCenter;
    // A painter's direction is Auto unless set: the text's own then decides.
    if (text.isEmpty() || (flags & ~alignments) || p->layoutDirection() == Qt::RightToLeft ||
        !plainLine(text)) {
        p->drawText(r, flags, text);
        return;
    }
    shapedFontMatches(p);
    Entry &e = entry(text);
    if (!e.shaped) {
        e.shaped = true;
        // As drawText does: the painter's font as the painter holds it (resolved for its
        // device), left aligned in a line as wide as anything, at the top.
        auto layout = std::make_unique<QTextLayout>(text, p->font());
        QTextOption option;
        option.setTextDirection(p->layoutDirection());
        option.setAlignment(Qt::AlignLeft);
        layout->setTextOption(option);
        layout->setCacheEnabled(true);
        layout->beginLayout();
        QTextLine line = layout->createLine();
        bool oneLine = line.isValid();
        if (oneLine) {
            line.setLineWidth(0x01000000);
            line.setPosition(QPointF(0, 0));
            oneLine = !layout->createLine().isValid();
        }
        layout->endLayout();
        if (oneLine) {
            const QTextLine first = layout->lineAt(0);
            e.height = first.ascent() + first.descent();
            e.natural = first.naturalTextWidth();
            e.advance = first.horizontalAdvance();
            e.layout = std::move(layout);
            e.exact = true;
        }
    }
    if (!e.exact) {
        p->drawText(r, flags, text);
        return;
    }

    double yoff = 0;
    if (flags & Qt::AlignBottom)
        yoff = r.height() - e.height;
    else if (flags & Qt::AlignVCenter)
        yoff = (r.height() - e.height) / 2;
    double xoff = 0;
    if (flags & Qt::AlignRight)
        xoff = r.width() - e.natural;
    else if (flags & Qt::AlignHCenter)
        xoff = (r.width() - e.natural) / 2;
    // Clipped to its rectangle where the text's box does not fit in it, as drawText clips.
    const bool clip = !r.contains(QRectF(r.x() + xoff, r.y() + yoff, e.natural, e.height));
    if (clip) {
        p->save();
        p->setClipRect(r, Qt::IntersectClip);
    }
    xoff = 0;
    if (flags & Qt::AlignRight)
        xoff = r.width() - e.advance;
    else if (flags & Qt::AlignHCenter)
        xoff = (r.width() - e.advance) / 2;
    e.layout->lineAt(0).draw(p, QPointF(r.x() + xoff, r.y() + yoff));
    if (clip)
        p->restore();
}

void PlotTextCache::endGeneration()
{
    for (auto it = entries.begin(); it != entries.end();) {
        if (it.value()->used + 1 < generation)
            it = entries.erase(it);
        else
            ++it;
    }
    ++generation;
}
