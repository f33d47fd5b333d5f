#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include "widgets/ZRImageBgView.h"
#include "widgets/ZRNamedImage.h"

namespace {

// Puts two small images into the Resources folder beside the test program
// and removes them (and the folder, if it made it) afterwards.
class NamedImageTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const QString folder = ZRResourcesFolder();
        m_bMadeFolder = !QDir(folder).exists();
        ASSERT_TRUE(QDir().mkpath(folder));
        m_Base = QStringLiteral("zvtest-%1").arg(QCoreApplication::applicationPid());
        m_Png = folder + QLatin1Char('/') + m_Base + QStringLiteral(".png");
        m_Tif = folder + QLatin1Char('/') + m_Base + QStringLiteral("-bg.tif");
        ASSERT_TRUE(Image(Qt::red, 4).save(m_Png, "PNG"));
        ASSERT_TRUE(Image(Qt::blue, 6).save(m_Tif, "TIFF"));
    }
    void TearDown() override {
        QFile::remove(m_Png);
        QFile::remove(m_Tif);
        if (m_bMadeFolder) {
            QDir().rmdir(ZRResourcesFolder());
        }
    }
    static QImage Image(QColor color, int side) {
        QImage image(side, side, QImage::Format_ARGB32);
        image.fill(color);
        return image;
    }

    bool m_bMadeFolder = false;
    QString m_Base, m_Png, m_Tif;
};

TEST_F(NamedImageTest, FindsImagesByNameWithOrWithoutExtension) {
    const QImage byName = ZRNamedImage(m_Base);
    ASSERT_FALSE(byName.isNull());
    EXPECT_EQ(byName.size(), QSize(4, 4));
    EXPECT_EQ(byName.pixelColor(0, 0), QColor(Qt::red));

    const QImage tif = ZRNamedImage(m_Base + QStringLiteral("-bg.tif"));
    ASSERT_FALSE(tif.isNull());
    EXPECT_EQ(tif.size(), QSize(6, 6));
}

TEST_F(NamedImageTest, NamesThatAreNotPlainFileNamesFindNothing) {
    const QString names[] = {QString(),
                             m_Base + QStringLiteral(".jpg"),
                             QStringLiteral("../Resources/") + m_Base,
                             QStringLiteral("./") + m_Base,
                             m_Png,
                             QStringLiteral(".") + m_Base};
    for (const QString& name : names) {
        EXPECT_TRUE(ZRNamedImage(name).isNull()) << name.toStdString();
    }
}

TEST_F(NamedImageTest, ImageViewTakesANamedImage) {
    ZRImageBgView view;
    view.setImageByName(m_Base);
    ASSERT_FALSE(view.image().isNull());
    EXPECT_EQ(view.image().size(), QSize(4, 4));
}

}  // namespace
