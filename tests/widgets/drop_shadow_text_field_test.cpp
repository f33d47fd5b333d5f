#include <gtest/gtest.h>

#include <QFile>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QPainter>
#include <QtEndian>

#include <cmath>
#include <vector>

#include "pixel_tools.h"
#include "widgets/ZRDropShadowTextField.h"

namespace {

const char kText[] = "Zorvane Wg";
const QColor kTextColor(0, 0, 255);
const QColor kBackground(255, 0, 0);
const QSize kFieldSize(200, 60);

// Per-channel tolerance between the field and the independent model below:
// the model samples the Gaussian without truncation and rounds once.
constexpr int kTolerance = 6;

QFont Font(const QString& family, int points) {
    QFont font(family);
    font.setPointSize(points);
    return font;
}

// The text alone, drawn in color with its top-left corner at the origin.
void DrawReferenceText(QImage& canvas, const QFont& font, QColor color) {
    QPainter painter(&canvas);
    painter.setFont(font);
    painter.setPen(color);
    painter.drawText(QPoint(0, QFontMetrics(font).ascent()), QString::fromLatin1(kText));
}

// What the field must show: the text's coverage shifted by offset and blurred
// with a Gaussian of the given sigma, in the shadow colour, with the text on top.
QImage ExpectedDrawing(const QFont& font, QPoint offset, double sigma) {
    QImage mask = Canvas(kFieldSize, Qt::transparent);
    DrawReferenceText(mask, font, Qt::black);
    const int reach = static_cast<int>(std::ceil(5 * sigma));
    std::vector<double> weights;
    double total = 0;
    for (int dy = -reach; dy <= reach; ++dy) {
        for (int dx = -reach; dx <= reach; ++dx) {
            weights.push_back(std::exp(-(dx * dx + dy * dy) / (2 * sigma * sigma)));
            total += weights.back();
        }
    }
    QImage expected = Canvas(kFieldSize, Qt::transparent);
    for (int y = 0; y < kFieldSize.height(); ++y) {
        for (int x = 0; x < kFieldSize.width(); ++x) {
            double alpha = 0;
            size_t k = 0;
            for (int dy = -reach; dy <= reach; ++dy) {
                for (int dx = -reach; dx <= reach; ++dx, ++k) {
                    const int sx = x - offset.x() + dx;
                    const int sy = y - offset.y() + dy;
                    if (mask.rect().contains(sx, sy)) {
                        alpha += weights[k] * qAlpha(mask.pixel(sx, sy));
                    }
                }
            }
            const int a = static_cast<int>(std::lround(alpha / total));
            expected.setPixel(x, y, qRgba(a * kBackground.red() / 255, 0, 0, a));
        }
    }
    DrawReferenceText(expected, font, kTextColor);
    return expected;
}

QImage DrawField(ZRDropShadowTextField& field) {
    QImage canvas = Canvas(field.size(), Qt::transparent);
    RenderExposed(field, canvas, field.rect());
    return canvas;
}

// The field under test: 13-point DejaVu Sans, blue text on red, 200 x 60.
void Configure(ZRDropShadowTextField& field, const QFont& font) {
    field.resize(kFieldSize);
    field.setFont(font);
    QPalette palette = field.palette();
    palette.setColor(field.foregroundRole(), kTextColor);
    palette.setColor(field.backgroundRole(), kBackground);
    field.setPalette(palette);
    field.setText(QString::fromLatin1(kText));
}

TEST(ZRDropShadowTextField, EmptyStringDrawsNothingAtAll) {
    SolidWidget parent(Qt::green);
    parent.resize(kFieldSize + QSize(20, 20));
    ZRDropShadowTextField field(&parent);
    Configure(field, Font(QStringLiteral("DejaVu Sans"), 13));
    field.move(10, 10);
    field.setFrameStyle(QFrame::Box | QFrame::Plain);
    field.setText(QString());

    QImage canvas = Canvas(parent.size(), Qt::transparent);
    parent.render(&canvas);
    EXPECT_EQ(MaxDifference(canvas, Canvas(parent.size(), Qt::green)), 0);

    // The same field with a string draws over the parent.
    field.setText(QString::fromLatin1(kText));
    parent.render(&canvas);
    EXPECT_GT(MaxDifference(canvas, Canvas(parent.size(), Qt::green)), 100);
}

TEST(ZRDropShadowTextField, TextAtTheOriginWithShadowTwoRightTwoDownBlurredRadiusTwo) {
    ASSERT_FALSE(QFontDatabase::hasFamily(QStringLiteral("Osaka")))
        << "this case checks the fallback to the field's own font";
    const QFont font = Font(QStringLiteral("DejaVu Sans"), 13);
    const QImage expected = ExpectedDrawing(font, QPoint(2, 2), 1.0);

    const Qt::Alignment alignments[] = {Qt::AlignLeft | Qt::AlignTop, Qt::AlignCenter,
                                        Qt::AlignRight | Qt::AlignBottom};
    for (Qt::Alignment alignment : alignments) {
        ZRDropShadowTextField field;
        Configure(field, font);
        field.setAlignment(alignment);
        EXPECT_LE(MaxDifference(DrawField(field), expected), kTolerance)
            << "alignment " << alignment;
    }
}

TEST(ZRDropShadowTextField, ShadowModelTellsWrongGeometryApart) {
    // The model of the test above would catch a shadow that is misplaced, not
    // blurred as asked, or in another colour.
    const QFont font = Font(QStringLiteral("DejaVu Sans"), 13);
    ZRDropShadowTextField field;
    Configure(field, font);
    const QImage drawn = DrawField(field);
    EXPECT_GT(MaxDifference(drawn, ExpectedDrawing(font, QPoint(2, -2), 1.0)), 4 * kTolerance);
    EXPECT_GT(MaxDifference(drawn, ExpectedDrawing(font, QPoint(2, 2), 2.0)), 4 * kTolerance);
    EXPECT_GT(MaxDifference(drawn, ExpectedDrawing(font, QPoint(2, 2), 0.3)), 4 * kTolerance);

    QPalette palette = field.palette();
    palette.setColor(field.backgroundRole(), Qt::green);
    field.setPalette(palette);
    EXPECT_GT(MaxDifference(DrawField(field), drawn), 4 * kTolerance);
}

// Sets up a font family named "Osaka" for the process: DejaVu Sans with its
// naming table replaced.
class OsakaFont {
  public:
    OsakaFont() {
        QFile file(QStringLiteral("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"));
        if (file.open(QIODevice::ReadOnly)) {
            m_Id = QFontDatabase::addApplicationFontFromData(Renamed(file.readAll()));
        }
    }
    ~OsakaFont() {
        if (m_Id >= 0) {
            QFontDatabase::removeApplicationFont(m_Id);
        }
    }
    bool IsInstalled() const {
        return m_Id >= 0 &&
               QFontDatabase::applicationFontFamilies(m_Id) == QStringList{QStringLiteral("Osaka")};
    }

  private:
    static void Put16(QByteArray& out, quint16 value) {
        out.append(char(value >> 8)).append(char(value & 0xff));
    }

    // A naming table (format 0) with family "Osaka", style "Regular".
    static QByteArray NameTable() {
        const QString strings[] = {QStringLiteral("Osaka"), QStringLiteral("Regular"),
                                   QStringLiteral("Osaka"), QStringLiteral("Osaka")};
        const quint16 ids[] = {1, 2, 4, 6};
        QByteArray table, storage;
        Put16(table, 0);
        Put16(table, 4);
        Put16(table, 6 + 12 * 4);
        for (int i = 0; i < 4; ++i) {
            QByteArray utf16;
            for (QChar c : strings[i]) {
                Put16(utf16, c.unicode());
            }
            for (quint16 field : {quint16(3), quint16(1), quint16(0x409), ids[i],
                                  quint16(utf16.size()), quint16(storage.size())}) {
                Put16(table, field);
            }
            storage += utf16;
        }
        return table + storage;
    }

    // The font with its "name" table moved to the end and replaced.
    static QByteArray Renamed(QByteArray font) {
        if (font.size() < 12) {
            return {};
        }
        const auto* bytes = reinterpret_cast<const uchar*>(font.constData());
        const int tables = qFromBigEndian<quint16>(bytes + 4);
        for (int i = 0; i < tables; ++i) {
            const int record = 12 + 16 * i;
            if (font.mid(record, 4) != "name") {
                continue;
            }
            while (font.size() % 4 != 0) {
                font.append('\0');
            }
            const QByteArray table = NameTable();
            const quint32 offset = qToBigEndian<quint32>(font.size());
            const quint32 length = qToBigEndian<quint32>(table.size());
            font.replace(record + 8, 4, reinterpret_cast<const char*>(&offset), 4);
            font.replace(record + 12, 4, reinterpret_cast<const char*>(&length), 4);
            return font + table;
        }
        return {};
    }

    int m_Id = -1;
};

TEST(ZRDropShadowTextField, DrawsInOsakaAtTheFieldsPointSizeWhenInstalled) {
    OsakaFont osaka;
    ASSERT_TRUE(osaka.IsInstalled());
    const QFont serif = Font(QStringLiteral("DejaVu Serif"), 13);
    const QFont osaka13 = Font(QStringLiteral("Osaka"), 13);

    // A transparent background colour hides the shadow and leaves the text.
    ZRDropShadowTextField field;
    Configure(field, serif);
    QPalette palette = field.palette();
    palette.setColor(field.backgroundRole(), Qt::transparent);
    field.setPalette(palette);
    const QImage drawn = DrawField(field);

    QImage inOsaka = Canvas(kFieldSize, Qt::transparent);
    DrawReferenceText(inOsaka, osaka13, kTextColor);
    QImage inSerif = Canvas(kFieldSize, Qt::transparent);
    DrawReferenceText(inSerif, serif, kTextColor);
    EXPECT_LE(MaxDifference(drawn, inOsaka), 2);
    EXPECT_GT(MaxDifference(drawn, inSerif), 100);
}

}  // namespace
