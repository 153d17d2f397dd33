// The pictures built into the program: the icon in every installed size and the
// image list's own pictures, loaded from the program's resources.
#include "shell/app_pictures.h"

#include "shell/qt_test_application.h"

#include <QPixmap>

#include <gtest/gtest.h>

using namespace norvane;

TEST(AppPictures, IconAndImagesLoadFromTheProgramsResources)
{
    const QIcon icon = applicationIcon();
    for (int size : {16, 32, 48, 256}) {
        const QPixmap pixmap = icon.pixmap(size, size);
        ASSERT_FALSE(pixmap.isNull()) << size;
        EXPECT_EQ(pixmap.width(), size) << size;
    }
    for (const char* key : {"UpArrow", "DownArrow", "Drive", "ClosedFolder", "OpenFolder", "File", "BakFile"}) {
        const QIcon image = ownImage(QString::fromLatin1(key));
        ASSERT_FALSE(image.isNull()) << key;
        EXPECT_EQ(image.pixmap(16, 16).size(), QSize(16, 16)) << key;
        EXPECT_FALSE(image.pixmap(16, 16).toImage().allGray()) << key << " is drawn in colour";
    }
    EXPECT_TRUE(ownImage(QStringLiteral("NoSuchPicture")).isNull());
}
