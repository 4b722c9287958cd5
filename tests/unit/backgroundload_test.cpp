#include "platform/backgroundload.h"
#include "support/pictures.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>

TEST(BackgroundLoad, ASlowLoadShowsItsProgressWindowAndEndsAsTheLoadDoes)
{
    QTemporaryDir dir;
    const QString good =
        testpics::write(dir, QStringLiteral("g.png"), testpics::solid(300, 200, Qt::red));
    // No quiet time: the window shows at once and closes with the load's own result.
    platform::BackgroundLoader loader;
    const platform::BackgroundLoad load = loader.load(nullptr, good, 500, 0);
    EXPECT_FALSE(load.cancelled);
    ASSERT_TRUE(load.result.has_value()) << qPrintable(load.result.error());
    EXPECT_EQ(load.result->image.size(), QSize(500, 333));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    const platform::BackgroundLoad refused =
        loader.load(nullptr, dir.filePath(QStringLiteral("none.png")), 500, 0);
    EXPECT_FALSE(refused.result.has_value());
    EXPECT_FALSE(refused.cancelled);
}
