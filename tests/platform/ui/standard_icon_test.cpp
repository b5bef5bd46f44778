// The application style reads a few of Qt's standard pictures itself (as
// PNG, without asking every image-format plug-in): they are the pictures
// Qt's own style gives, at every size, mode and state.

#include "platform/ui/widget_bridge.h"

#include <QApplication>
#include <QIcon>
#include <QImage>
#include <QProxyStyle>
#include <QStyle>
#include <QStyleFactory>
#include <gtest/gtest.h>

#include <memory>

TEST(StandardIcons, TheStylesOwnReadingGivesQtsPictures)
{
    InstallHintStyle();
    auto* proxy = qobject_cast<QProxyStyle*>(QApplication::style());
    ASSERT_NE(proxy, nullptr);
    std::unique_ptr<QStyle> qt(QStyleFactory::create(proxy->baseStyle()->name()));
    ASSERT_NE(qt, nullptr);
    for (const QStyle::StandardPixmap bild :
         {QStyle::SP_ToolBarHorizontalExtensionButton, QStyle::SP_ToolBarVerticalExtensionButton, QStyle::SP_DirIcon}) {
        const QIcon eigenes = QApplication::style()->standardIcon(bild);
        const QIcon vonQt = qt->standardIcon(bild);
        ASSERT_FALSE(eigenes.isNull()) << bild;
        EXPECT_EQ(eigenes.availableSizes(), vonQt.availableSizes()) << bild;
        for (const int groesse : {5, 8, 10, 16, 20, 24, 32, 48, 128})
            for (const QIcon::Mode modus : {QIcon::Normal, QIcon::Disabled, QIcon::Selected})
                for (const QIcon::State zustand : {QIcon::Off, QIcon::On}) {
                    const QImage a = eigenes.pixmap(QSize(groesse, groesse), modus, zustand).toImage();
                    const QImage b = vonQt.pixmap(QSize(groesse, groesse), modus, zustand).toImage();
                    EXPECT_EQ(a.size(), b.size()) << bild << " " << groesse << " " << modus << " " << zustand;
                    EXPECT_TRUE(a.convertToFormat(QImage::Format_ARGB32) == b.convertToFormat(QImage::Format_ARGB32))
                        << bild << " " << groesse << " " << modus << " " << zustand;
                }
    }
}
