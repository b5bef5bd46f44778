// The list view: items with pictures in the four styles, the selection set
// by code without events, a click and a keyboard move that report.

#include <QListWidget>
#include <QPixmap>
#include <gtest/gtest.h>

#include "platform/ui/forms.h"
#include "platform/ui/list_view.h"
#include "platform/ui/test_input.h"

namespace {

std::vector<QPixmap> Bilder(int n)
{
    std::vector<QPixmap> v;
    for (int i = 0; i < n; ++i) {
        QPixmap p(32, 32);
        p.fill(QColor(40 * i, 0, 0));
        v.push_back(p);
    }
    return v;
}

TEST(ListView, ItemsKeepCaptionAndPictureAcrossTheFourStyles)
{
    TForm form(nullptr);
    form.SetBounds(0, 0, 300, 200);
    auto* lv = new TListView(&form);
    lv->SetParent(&form);
    lv->SetBounds(0, 0, 300, 200);
    lv->SetLargeImages(Bilder(3));
    EXPECT_EQ(lv->AddItem("eins", 0), 0);
    EXPECT_EQ(lv->AddItem("zwei", 2), 1);
    EXPECT_EQ(lv->AddItem("ohne", 7), 2);  // no such picture: no icon
    EXPECT_EQ(lv->ItemCount(), 3);
    EXPECT_FALSE(lv->List()->item(0)->icon().isNull());
    EXPECT_TRUE(lv->List()->item(2)->icon().isNull());
    const struct {
        TViewStyle stil;
        QListView::ViewMode modus;
        QSize symbol;
    } faelle[] = {{vsIcon, QListView::IconMode, {32, 32}},
                  {vsSmallIcon, QListView::ListMode, {16, 16}},
                  {vsList, QListView::ListMode, {16, 16}},
                  {vsReport, QListView::ListMode, {16, 16}}};
    for (const auto& f : faelle) {
        lv->SetViewStyle(f.stil);
        EXPECT_EQ(lv->List()->viewMode(), f.modus);
        EXPECT_EQ(lv->List()->iconSize(), f.symbol);
        EXPECT_EQ(lv->ItemCaption(1), "zwei");
        EXPECT_EQ(lv->ItemImageIndex(1), 2);
        EXPECT_FALSE(lv->List()->item(1)->icon().isNull());
    }
    EXPECT_FALSE(lv->List()->isWrapping());  // the report is one column
    lv->SetItemImageIndex(2, 1);
    EXPECT_FALSE(lv->List()->item(2)->icon().isNull());
    EXPECT_EQ(lv->ItemImageIndex(5), -1);
    lv->ClearItems();
    EXPECT_EQ(lv->ItemCount(), 0);
    EXPECT_EQ(lv->Selected(), -1);
}

TEST(ListView, SelectionByCodeIsQuietAndAClickReports)
{
    TForm form(nullptr);
    form.SetBounds(0, 0, 300, 200);
    auto* lv = new TListView(&form);
    lv->SetParent(&form);
    lv->SetBounds(0, 0, 300, 200);
    lv->SetViewStyle(vsReport);
    for (const char* t : {"a", "b", "c"})
        lv->AddItem(t, -1);
    int changes = 0, clicks = 0;
    lv->OnChange = [&](TObject*) { ++changes; };
    lv->OnClick = [&](TObject*) { ++clicks; };
    form.Show();
    lv->SetSelected(1);
    EXPECT_EQ(lv->Selected(), 1);
    EXPECT_EQ(changes, 0);
    lv->SetSelected(9);
    EXPECT_EQ(lv->Selected(), -1);
    const QRect r = lv->List()->visualItemRect(lv->List()->item(2));
    lxui_test::SendClick(lv->List()->viewport(), r.center());
    EXPECT_EQ(lv->Selected(), 2);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(changes, 1);
}

}  // namespace
