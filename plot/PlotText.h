#pragma once

#include <QFont>
#include <QHash>
#include <QString>

#include <memory>

// Equal fonts that also leave the same properties to be taken from elsewhere.
inline bool sameFont(const QFont &a, const QFont &b)
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    return a == b && a.resolveMask() == b.resolveMask();
#else
    return a == b && a.resolve() == b.resolve();
#endif
}

class QFontMetricsF;
class QPainter;
class QPaintDevice;
class QRectF;
class QTextLayout;

// The plot's texts, measured and shaped once: most of them (numbers, titles, edge names) stay
// the same from one simulation to the next, and a repaint with nothing changed draws the same
// texts again. Shaping a text costs more than drawing its glyphs.
//
// draw() places a text exactly as QPainter::drawText(rect, flags, text) places a single line:
// the same line layout, the same offsets for the alignment, the same clip where the text
// overhangs its rectangle. Whatever it does not cover (several lines, tabs, mnemonics, text
// starting or ending in a blank, a painter set to right to left, other flags) goes to
// QPainter::drawText itself.
class PlotTextCache
{
public:
    PlotTextCache();
    ~PlotTextCache();
    PlotTextCache(const PlotTextCache &) = delete;
    PlotTextCache &operator=(const PlotTextCache &) = delete;

    // Widths are those of QFontMetricsF(font, device); a different font or resolution empties
    // the cache.
    void measureWith(const QFont &font, const QPaintDevice *device);
    // QFontMetricsF::horizontalAdvance of text in that font.
    double width(const QString &text);

    // Draws text into r as p->drawText(r, flags, text) would, in the painter's font and pen.
    void draw(QPainter *p, const QRectF &r, int flags, const QString &text);

    // Forgets the texts that were neither measured nor drawn since the call before the last:
    // called once per new layout, it keeps what the plot shows now and what it showed before.
    void endGeneration();

    int size() const { return int(entries.size()); }

private:
    struct Entry;
    Entry &entry(const QString &text);
    bool shapedFontMatches(QPainter *p);

    QFont metricsFont;
    std::unique_ptr<QFontMetricsF> metrics;
    int metricsDpiX = -1;
    int metricsDpiY = -1;
    double metricsRatio = 0;

    QFont paintFont; // the painter's font the shaped layouts were made with
    int paintDpiX = -1;
    int paintDpiY = -1;
    double paintRatio = 0;
    Qt::LayoutDirection paintDirection = Qt::LayoutDirectionAuto;
    bool paintFontSet = false;

    unsigned generation = 1;
    QHash<QString, std::shared_ptr<Entry>> entries;
};
