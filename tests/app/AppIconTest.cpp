// The program's icon: every drawn size from the resources, on every window from the start and on
// the About page; and the committed renderings have the sizes their folders name.
#include "MainWindowFixture.h"
#include "app/gui/AppIcon.h"
#include "ftp/widgets/AskPasswordFormUnit.h"
#include "ftp/widgets/EditFTPFormUnit.h"
#include "projects/widgets/EditProjectUnit.h"
#include "projects/widgets/SelectFileUnit.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QRegularExpression>
#include <QStyle>

namespace {

// The sizes drawn in data/icons/hicolor.
const QList<int> IconSizes{16, 24, 32, 48, 64, 128, 256};

// In the format of a pixmap, in which semi-transparent pixels keep their values.
QImage imageOf(const QIcon &Icon, int Size)
{
    return Icon.pixmap(QSize(Size, Size))
        .toImage()
        .convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

QImage readImage(const QString &Path)
{
    return QImage(Path).convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

// The rendering of the given size as the program's resources hold it.
QImage drawnImage(int Size)
{
    return readImage(QStringLiteral(":/icons/%1x%1/rovanel.png").arg(Size));
}

QImage stockIcon(int Size)
{
    return imageOf(QApplication::style()->standardIcon(QStyle::SP_DriveHDIcon), Size);
}

} // namespace

TEST(AppIconTest, GivesEachDrawnSizeFromTheResourcesUnscaled)
{
    const QIcon icon = AppIcon();
    ASSERT_FALSE(icon.isNull());
    for (const int size : IconSizes) {
        SCOPED_TRACE(size);
        const QImage drawn = drawnImage(size);
        ASSERT_FALSE(drawn.isNull()) << "the rendering is not in the program's resources";
        EXPECT_EQ(drawn.size(), QSize(size, size));
        EXPECT_TRUE(icon.availableSizes().contains(QSize(size, size)));
        const QImage shown = imageOf(icon, size);
        EXPECT_EQ(shown.size(), QSize(size, size));
        EXPECT_TRUE(shown == drawn);
        EXPECT_FALSE(shown == stockIcon(size));
    }
}

TEST(AppIconTest, EachCommittedRenderingHasTheSizeItsFolderNames)
{
    const QDir hicolor(QStringLiteral(RV_SOURCE_DIR "/data/icons/hicolor"));
    QStringList expected;
    for (const int size : IconSizes)
        expected << QStringLiteral("%1x%1").arg(size);
    QStringList folders = hicolor.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    folders.sort();
    expected.sort();
    EXPECT_EQ(folders, expected);

    const QRegularExpression name(QStringLiteral("^(\\d+)x(\\d+)$"));
    for (const QString &folder : folders) {
        SCOPED_TRACE(folder.toStdString());
        const QRegularExpressionMatch match = name.match(folder);
        ASSERT_TRUE(match.hasMatch());
        const QSize size(match.captured(1).toInt(), match.captured(2).toInt());
        const QImage image(hicolor.filePath(folder + QStringLiteral("/rovanel.png")));
        ASSERT_FALSE(image.isNull());
        EXPECT_EQ(image.size(), size);
        // Drawn on nothing: the corners are clear and the middle, the folder, is solid.
        ASSERT_TRUE(image.hasAlphaChannel());
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
        EXPECT_EQ(qAlpha(image.pixel(size.width() / 2, size.height() / 2)), 255);
    }
}

// Windows without an icon of their own show the program's, which the start sets; the dialogs
// are windows too.
TEST_F(MainWindowTest, TheStartGivesEveryWindowTheAppIconAndNamesTheDesktopFile)
{
    QApplication::setWindowIcon(QIcon());
    QGuiApplication::setDesktopFileName(QString());
    Start();
    const QList<QWidget *> windows{Windows->RVMainForm.get(), Windows->SelectFileForm.get(),
                                   Windows->EditFTPForm.get(), Windows->EditProjectForm.get(),
                                   Windows->AskPasswordForm.get()};
    for (QWidget *window : windows) {
        SCOPED_TRACE(window->metaObject()->className());
        ASSERT_FALSE(window->windowIcon().isNull());
        for (const int size : IconSizes) {
            const QImage drawn = drawnImage(size);
            ASSERT_FALSE(drawn.isNull()) << size;
            EXPECT_TRUE(imageOf(window->windowIcon(), size) == drawn) << size;
        }
    }
    EXPECT_EQ(QGuiApplication::desktopFileName(), QStringLiteral("rovanel"));
}

TEST_F(MainWindowTest, TheAboutPageShowsTheAppIcon)
{
    Open();
    const QPixmap shown = Form().AppIconImage->pixmap();
    ASSERT_FALSE(shown.isNull());
    const int size = shown.width();
    EXPECT_GE(size, 32);
    EXPECT_EQ(shown.size(), QSize(size, size));
    EXPECT_EQ(Form().AppIconImage->size(), shown.size());
    const QImage image = shown.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    ASSERT_FALSE(drawnImage(size).isNull());
    EXPECT_TRUE(image == drawnImage(size));
    EXPECT_FALSE(image == stockIcon(size));
}
