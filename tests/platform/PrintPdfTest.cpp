// A page written as PDF: an enlarged picture is placed whole at its natural size (15 twips a
// picture pixel, whatever its image's pixel ratio), at its place in twips.
#include <cstdlib>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>

#include "support/TestApp.h"
#include "widgets/QtUi.h"

namespace vt::test {
namespace {

// The rectangle of the pixels near colour `c` on a rendered page (the writer may compress the
// picture with some loss).
QRect areaOf(const QImage& page, QColor c) {
    QRect r;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x) {
            const QColor p = page.pixelColor(x, y);
            if (std::abs(p.red() - c.red()) + std::abs(p.green() - c.green()) + std::abs(p.blue() - c.blue()) < 90)
                r |= QRect(x, y, 1, 1);
        }
    return r;
}

TEST(PrintPdf, EnlargedPicturesArePlacedWholeAtTheirNaturalSize) {
    const QString render = QStandardPaths::findExecutable("pdftoppm");
    ASSERT_FALSE(render.isEmpty()) << "pdftoppm (poppler-utils) is missing: run scripts/setup";
    TempDir dir;
    for (int scale : {1, 3}) {
        // A 96 x 48 picture: red on the left, blue on the right.
        auto image = std::make_shared<QImage>(96 * scale, 48 * scale, QImage::Format_RGB32);
        image->setDevicePixelRatio(scale);
        image->fill(Qt::red);
        QPainter(image.get()).fillRect(QRectF(48, 0, 48, 48), Qt::blue);
        PrintPage page;
        page.items.push_back({2880, 1440, "", 10, image});
        const std::string pdf = dir.file("p.pdf");
        std::string error;
        ASSERT_TRUE(printPageToPdf(page, pdf, &error)) << error;
        QProcess p;
        p.start(render, {"-r", "96", "-png", "-singlefile", QString::fromStdString(pdf),
                         QString::fromStdString(dir.file("p"))});
        ASSERT_TRUE(p.waitForFinished(60000));
        const QImage shot(QString::fromStdString(dir.file("p.png")));
        ASSERT_FALSE(shot.isNull());
        // At 96 dots an inch a picture pixel of 15 twips is one dot: 48 red columns, then 48
        // blue ones; the picture two inches right of the printable area's corner and one inch
        // down (its margins are alike on every side).
        const QRect red = areaOf(shot, Qt::red), blue = areaOf(shot, Qt::blue);
        EXPECT_NEAR(red.width(), 48, 1) << "scale " << scale;
        EXPECT_NEAR(red.height(), 48, 1) << "scale " << scale;
        EXPECT_NEAR(blue.width(), 48, 1) << "scale " << scale;
        EXPECT_NEAR(blue.left() - red.left(), 48, 1) << "scale " << scale;
        EXPECT_EQ(red.top(), blue.top());
        EXPECT_NEAR(red.left() - red.top(), 192 - 96, 1) << "scale " << scale;
    }
}

}  // namespace
}  // namespace vt::test
