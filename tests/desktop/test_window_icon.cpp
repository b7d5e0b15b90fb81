// The window icon as the program loads it: from the resource bundle, through Qt's SVG plugins.
// A missing plugin or a bundle without the icon leaves the window with the platform's generic
// icon and no message at all, so only a test notices.

#include <QtTest>

#include <QIcon>
#include <QImage>
#include <QImageReader>
#include <QPixmap>

namespace {

// Counts the pixels that are neither transparent nor the same colour as the first opaque one:
// a rendered drawing has outlines and fills, a failed one is blank or a flat placeholder.
void countPixels(const QImage &image, int *opaque, int *otherColours)
{
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    *opaque = 0;
    *otherColours = 0;
    QRgb first = 0;
    for (int y = 0; y < argb.height(); ++y) {
        for (int x = 0; x < argb.width(); ++x) {
            const QRgb p = argb.pixel(x, y);
            if (qAlpha(p) == 0)
                continue;
            if ((*opaque)++ == 0)
                first = p;
            else if (p != first)
                ++*otherColours;
        }
    }
}

} // namespace

class TestWindowIcon : public QObject
{
    Q_OBJECT

private slots:
    void svgPluginReadsTheBundledIcon()
    {
        QVERIFY2(QImageReader::supportedImageFormats().contains("svg"),
                 "Qt's SVG image plugin is not installed");
        QImageReader reader(QStringLiteral(TIRN_ICON_RESOURCE));
        QCOMPARE(reader.format(), QByteArray("svg"));
        reader.setScaledSize(QSize(48, 48));
        const QImage image = reader.read();
        QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
        QCOMPARE(image.size(), QSize(48, 48));
        int opaque = 0, otherColours = 0;
        countPixels(image, &opaque, &otherColours);
        // The pellet and the peak cover part of the square; the corners stay transparent.
        QVERIFY(opaque > 48 * 48 / 5);
        QVERIFY(opaque < 48 * 48);
        QVERIFY(otherColours > 100);
    }

    void iconRendersAtWindowManagerSizes()
    {
        const QIcon icon(QStringLiteral(TIRN_ICON_RESOURCE));
        QVERIFY(!icon.isNull());
        for (const int side : {16, 32, 64, 256}) {
            const QPixmap pixmap = icon.pixmap(QSize(side, side));
            QVERIFY(!pixmap.isNull());
            QCOMPARE(pixmap.size(), QSize(side, side));
            int opaque = 0, otherColours = 0;
            countPixels(pixmap.toImage(), &opaque, &otherColours);
            QVERIFY2(opaque > side * side / 5, qPrintable(QString::number(side)));
            QVERIFY2(otherColours > side, qPrintable(QString::number(side)));
        }
    }
};

QTEST_MAIN(TestWindowIcon)
#include "test_window_icon.moc"
