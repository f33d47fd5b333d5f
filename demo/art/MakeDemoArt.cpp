// zv_demo_art OUTDIR: draws the demo product's pictures at build time, so
// that the repository holds no large binaries:
//   bg.tif          620 x 440  the installer window's background (LZW TIFF)
//   flashBanner.png 200 x 80   the download banner of the no-plug-in page
//   myClickCursor.png 32 x 32  the banner's cursor image (tip at 3, 1)
//   thumbnail.png   90 x 58    the module's preview picture
//   grain.png       256 x 256  a noise texture the module ships
// Every picture is drawn from fixed numbers, so a build always draws the same
// pictures. Exits 0 when all were written, 1 otherwise.
#include <QColor>
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cmath>
#include <cstdint>
#include <cstdio>

namespace {

// A seascape at sunset in flat bands: sky, sun, sea with a few wave lines and a
// piece of driftwood on the shore. Drawn at any size; the background and the
// thumbnail are the same picture.
void DrawSeascape(QPainter& p, const QSizeF& size) {
    const double w = size.width();
    const double h = size.height();
    const double horizon = h * 0.64;
    // Pale at the top, so that the window's dark title reads well on it.
    const QColor sky[] = {QColor(0xe4, 0xea, 0xf3), QColor(0xd9, 0xde, 0xee),
                          QColor(0xd3, 0xd0, 0xe6), QColor(0xdc, 0xc6, 0xdb),
                          QColor(0xee, 0xc4, 0xc3), QColor(0xf6, 0xbf, 0x9f)};
    const int bands = sizeof(sky) / sizeof(sky[0]);
    for (int i = 0; i < bands; ++i) {
        // Bands grow thinner towards the horizon.
        const double top = horizon * (1.0 - std::pow(1.0 - double(i) / bands, 1.6));
        p.fillRect(QRectF(0, top, w, horizon - top), sky[i]);
    }
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xf2, 0x95, 0x55));
    const double r = h * 0.09;
    p.drawEllipse(QPointF(w * 0.68, horizon - r * 0.35), r, r);

    const QColor sea[] = {QColor(0x6f, 0x8f, 0xae), QColor(0x58, 0x78, 0x98),
                          QColor(0x43, 0x62, 0x82), QColor(0x33, 0x4f, 0x6c)};
    const int seaBands = sizeof(sea) / sizeof(sea[0]);
    for (int i = 0; i < seaBands; ++i) {
        const double top = horizon + (h - horizon) * i / seaBands;
        p.fillRect(QRectF(0, top, w, h - top), sea[i]);
    }
    // The sun's reflection and the wave crests.
    p.setBrush(QColor(0xf4, 0xa8, 0x70, 170));
    for (int i = 0; i < 5; ++i) {
        const double y = horizon + (h - horizon) * (0.08 + 0.12 * i);
        const double half = r * (1.1 - 0.17 * i);
        p.drawRoundedRect(QRectF(w * 0.68 - half, y, 2 * half, h * 0.012 + 1), 2, 2);
    }
    QPen crest(QColor(0xd8, 0xe6, 0xf0, 90), std::max(1.0, h / 300.0));
    p.setPen(crest);
    p.setBrush(Qt::NoBrush);
    for (int row = 0; row < 4; ++row) {
        QPainterPath wave;
        const double y = horizon + (h - horizon) * (0.22 + 0.2 * row);
        const double amp = h * 0.006 * (row + 1);
        const double len = w / (3.0 + row);
        wave.moveTo(0, y);
        for (double x = 0; x <= w; x += w / 120.0) {
            wave.lineTo(x, y + amp * std::sin(x / len * 2 * M_PI + row));
        }
        p.drawPath(wave);
    }
    // Driftwood: a long rounded log with one branch stub.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x3b, 0x2a, 0x24));
    p.save();
    p.translate(w * 0.2, h * 0.9);
    p.rotate(-4);
    p.drawRoundedRect(QRectF(-w * 0.14, -h * 0.02, w * 0.3, h * 0.04), h * 0.02, h * 0.02);
    p.drawRoundedRect(QRectF(w * 0.05, -h * 0.055, w * 0.012, h * 0.05), 2, 2);
    p.restore();
}

QImage Background() {
    QImage image(620, 440, QImage::Format_RGB888);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    DrawSeascape(p, image.size());
    return image;
}

QImage Thumbnail() {
    QImage image(90, 58, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath frame;
    frame.addRoundedRect(QRectF(0, 0, 90, 58), 6, 6);
    p.setClipPath(frame);
    DrawSeascape(p, image.size());
    return image;
}

// A rounded dark banner with a download arrow and two lines of text.
QImage Banner() {
    QImage image(200, 80, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x8e, 0x1b, 0x1f));
    p.drawRoundedRect(QRectF(0.5, 0.5, 199, 79), 10, 10);
    p.setBrush(QColor(0xb3, 0x26, 0x2a));
    p.drawRoundedRect(QRectF(0.5, 0.5, 199, 40), 10, 10);
    p.fillRect(QRectF(0.5, 30, 199, 11), QColor(0xb3, 0x26, 0x2a));

    // Arrow into a tray.
    p.setBrush(Qt::white);
    QPainterPath arrow;
    arrow.moveTo(22, 16);
    arrow.lineTo(32, 16);
    arrow.lineTo(32, 36);
    arrow.lineTo(40, 36);
    arrow.lineTo(27, 50);
    arrow.lineTo(14, 36);
    arrow.lineTo(22, 36);
    arrow.closeSubpath();
    p.drawPath(arrow);
    p.drawRect(QRectF(10, 56, 34, 5));

    QFont title(QStringLiteral("DejaVu Sans"));
    title.setPixelSize(15);
    title.setBold(true);
    p.setFont(title);
    p.setPen(Qt::white);
    p.drawText(QRectF(54, 12, 142, 28), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Get the plug-in"));
    QFont small(QStringLiteral("DejaVu Sans"));
    small.setPixelSize(12);
    p.setFont(small);
    p.setPen(QColor(0xff, 0xe2, 0xe2));
    p.drawText(QRectF(54, 44, 142, 22), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("free download"));
    return image;
}

// A pointing arrow with its tip at (3, 1), white with a dark outline.
QImage Cursor() {
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath arrow;
    arrow.moveTo(3, 1);
    arrow.lineTo(3, 23);
    arrow.lineTo(8.5, 18);
    arrow.lineTo(12.5, 27);
    arrow.lineTo(16, 25.5);
    arrow.lineTo(12, 17);
    arrow.lineTo(19, 17);
    arrow.closeSubpath();
    p.setPen(QPen(QColor(0x20, 0x20, 0x20), 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::white);
    p.drawPath(arrow);
    return image;
}

// Grey noise from a fixed linear congruential sequence.
QImage Grain() {
    QImage image(256, 256, QImage::Format_Grayscale8);
    std::uint32_t state = 0x5eed1234u;
    for (int y = 0; y < image.height(); ++y) {
        uchar* line = image.scanLine(y);
        for (int x = 0; x < image.width(); ++x) {
            state = state * 1664525u + 1013904223u;
            line[x] = static_cast<uchar>(96 + ((state >> 24) & 0x3f));
        }
    }
    return image;
}

bool Write(const QImage& image, const QString& path, const char* format, int compression) {
    QImageWriter writer(path, format);
    if (compression >= 0) {
        writer.setCompression(compression);
    }
    if (!writer.write(image)) {
        std::fprintf(stderr, "zv_demo_art: %s: %s\n", qPrintable(path),
                     qPrintable(writer.errorString()));
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    // Text needs a font database, which needs a platform; no display is
    // needed to draw into images.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: zv_demo_art OUTDIR\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(out)) {
        std::fprintf(stderr, "zv_demo_art: cannot make %s\n", argv[1]);
        return 1;
    }
    bool ok = Write(Background(), out + QStringLiteral("/bg.tif"), "tiff", 1);  // 1 = LZW
    ok = Write(Banner(), out + QStringLiteral("/flashBanner.png"), "png", -1) && ok;
    ok = Write(Cursor(), out + QStringLiteral("/myClickCursor.png"), "png", -1) && ok;
    ok = Write(Thumbnail(), out + QStringLiteral("/thumbnail.png"), "png", -1) && ok;
    ok = Write(Grain(), out + QStringLiteral("/grain.png"), "png", -1) && ok;
    return ok ? 0 : 1;
}
