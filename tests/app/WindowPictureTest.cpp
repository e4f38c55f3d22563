// The documentation's pictures of the main window: the window's grab under a title strip drawn
// from the window's own icon and title.
#include "WindowPicture.h"

#include <QIcon>
#include <QPixmap>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

// The number of pixels of Area in Image that differ from Colour.
int pixelsOtherThan(const QImage &Image, const QRect &Area, QRgb Colour)
{
    int count = 0;
    for (int y = Area.top(); y <= Area.bottom(); ++y)
        for (int x = Area.left(); x <= Area.right(); ++x)
            count += Image.pixel(x, y) != Colour;
    return count;
}

} // namespace

TEST(WindowPictureTest, DrawsTheWindowsOwnIconAndTitleAboveItsUnchangedGrab)
{
    QWidget window;
    window.resize(300, 120);
    QPixmap red(16, 16);
    red.fill(Qt::red);
    window.setWindowIcon(QIcon(red));
    window.setStyleSheet(QStringLiteral("background: #4080c0"));

    window.setWindowTitle(QString());
    const QImage untitled = WindowPicture(window).convertToFormat(QImage::Format_RGB32);
    window.setWindowTitle(QStringLiteral("Rovanel 1.30"));
    const QImage picture = WindowPicture(window).convertToFormat(QImage::Format_RGB32);
    const QImage grab = window.grab().toImage().convertToFormat(QImage::Format_RGB32);

    ASSERT_EQ(picture.size(), QSize(300, 120 + TitleStripHeight));
    EXPECT_EQ(picture.copy(0, TitleStripHeight, 300, 120), grab);
    // The icon, whole, inside the strip.
    const QRect icon(8, (TitleStripHeight - 16) / 2, 16, 16);
    EXPECT_EQ(pixelsOtherThan(picture, icon, qRgb(255, 0, 0)), 0);
    EXPECT_NE(picture.pixel(icon.left() - 1, icon.center().y()), qRgb(255, 0, 0));
    // The title is drawn after the icon, and only the title differs between the two pictures.
    const QRect title(icon.right() + 1, 0, 300 - icon.right() - 1, TitleStripHeight - 1);
    const QRgb strip = untitled.pixel(title.center());
    EXPECT_EQ(pixelsOtherThan(untitled, title, strip), 0);
    EXPECT_GT(pixelsOtherThan(picture, title, strip), 20);
    EXPECT_EQ(picture.copy(icon), untitled.copy(icon));
}
