// The thumbnail list box over an album: property limits, the scan of the
// records in the dataset's order, the layout of cells, thumbnails read from
// VORSCHAU and turned by the FLAGS rotation code, the red cross where a
// thumbnail cannot be drawn, and the bounded thumbnail cache.

#include <QListWidget>
#include <gtest/gtest.h>

#include "album_fixture.h"
#include "imaging/pic_box.h"
#include "imaging_fixture.h"
#include "platform/ui/forms.h"
#include "platform/ui/prompt_script.h"

using namespace imgtest;

namespace {

int CountColour(const QImage& img, const QRect& r, QRgb colour)
{
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            n += img.pixel(x, y) == colour;
    return n;
}

QImage Flat(int w, int h, QRgb colour)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(colour);
    return img;
}

}  // namespace

class PicBoxTest : public AlbumTest {
protected:
    // A form with a box over the open album, 4 cells of 100 x 70 wide and 2 high.
    void MakeBox(int clientWidth = 398, int clientHeight = 138)
    {
        form = std::make_unique<TForm>(nullptr);
        form->SetClientWidth(clientWidth + 20);
        form->SetClientHeight(clientHeight + 20);
        box = new TQKDBPicBox(form.get());
        box->SetParent(form.get());
        box->Dbe = dbe.get();
        box->BlobFeld = "VORSCHAU";
        box->BlobTempDir = LinuxToWinOrSelf(QString::fromStdString(temp.str())) + "\\";
        box->SetClientWidth(clientWidth);
        box->SetClientHeight(clientHeight);
        form->Loaded();
    }
    QImage Shot(const QString& name)
    {
        form->Show();
        return imgtest::Shot(*box, name);
    }
    QRect CellRect(int index) const
    {
        const TRect r = box->ItemRect(index);
        return QRect(r.Left, r.Top, r.Width(), r.Height()).translated(box->List()->viewport()->pos());
    }
    void TearDown() override
    {
        form.reset();
        AlbumTest::TearDown();
    }

    lxtest::TempDir temp;
    std::unique_ptr<TForm> form;
    TQKDBPicBox* box = nullptr;
};

TEST_F(PicBoxTest, PropertyLimits)
{
    TQKDBPicBox b(nullptr);
    b.SetScaled(true);  // rows come from the client area otherwise
    EXPECT_EQ(b.About_Quillkit(), "23.08.98");
    b.SetAbout_Quillkit("anything");
    EXPECT_EQ(b.About_Quillkit(), "23.08.98");
    EXPECT_TRUE(b.Active());
    EXPECT_EQ(b.Style(), lbOwnerDrawFixed);
    EXPECT_FALSE(b.MultiSelect());
    EXPECT_TRUE(b.PicType() == TPicType({ptBMP, ptICO}));
    EXPECT_EQ(b.Rows(), 1);  // never 0: the layout divides by it
    const struct { void (TQKDBPicBox::*set)(int); int (TQKDBPicBox::*get)() const; int in, out; } cases[] = {
        {&TQKDBPicBox::SetPicHeight, &TQKDBPicBox::PicHeight, 20, 32},
        {&TQKDBPicBox::SetPicWidth, &TQKDBPicBox::PicWidth, 31, 32},
        {&TQKDBPicBox::SetPicWidth, &TQKDBPicBox::PicWidth, 150, 150},
        {&TQKDBPicBox::SetBorderSpace, &TQKDBPicBox::BorderSpace, 0, 1},
        {&TQKDBPicBox::SetBorderSpace, &TQKDBPicBox::BorderSpace, 25, 20},
        {&TQKDBPicBox::SetBorderWidth, &TQKDBPicBox::BorderWidth, -1, 0},
        {&TQKDBPicBox::SetBorderWidth, &TQKDBPicBox::BorderWidth, 21, 20},
        {&TQKDBPicBox::SetPicNoCacheSize, &TQKDBPicBox::PicNoCacheSize, 0, 1},
        {&TQKDBPicBox::SetPicNoCacheSize, &TQKDBPicBox::PicNoCacheSize, 2000000, 1000000},
        {&TQKDBPicBox::SetRows, &TQKDBPicBox::Rows, 0, 1},
        {&TQKDBPicBox::SetRows, &TQKDBPicBox::Rows, -3, 1},
    };
    for (const auto& c : cases) {
        (b.*c.set)(c.in);
        EXPECT_EQ((b.*c.get)(), c.out) << c.in;
    }
}

TEST_F(PicBoxTest, ScanListsTheRecords)
{
    MakeAlbum(5);
    OpenAlbum();
    MakeBox();
    std::vector<int> counts;
    int starts = 0, stops = 0;
    box->OnChangePicCount = [&](TObject*, int n) { counts.push_back(n); };
    box->OnStartScan = [&](TObject*) { ++starts; };
    box->OnStopScan = [&](TObject*) { ++stops; };
    table->MoveBy(2);
    ASSERT_EQ(dbe->RecNo(), 3u);
    box->Rescan();
    ASSERT_EQ(box->PicCount(), 5);
    EXPECT_EQ(box->Items()->Get(0), "1");
    EXPECT_EQ(box->Items()->Get(4), "5");
    EXPECT_EQ(counts, (std::vector<int>{0, 5}));
    EXPECT_EQ(starts, 1);
    EXPECT_EQ(stops, 1);
    EXPECT_EQ(dbe->RecNo(), 3u);  // back on the record it stood on
    EXPECT_TRUE(box->SelectFileName("4"));
    EXPECT_EQ(box->ItemIndex(), 3);
    EXPECT_FALSE(box->SelectFileName("9"));
    EXPECT_EQ(box->ItemIndex(), 3);
    // An empty type set switches scanning off: an empty list.
    counts.clear();
    box->SetPicType(TPicType());
    EXPECT_EQ(box->PicCount(), 0);
    EXPECT_EQ(counts, (std::vector<int>{0}));
    EXPECT_EQ(starts, 1);
}

TEST_F(PicBoxTest, EmptyAlbum)
{
    MakeAlbum(0);
    OpenAlbum();
    MakeBox();
    std::vector<int> counts;
    box->OnChangePicCount = [&](TObject*, int n) { counts.push_back(n); };
    box->Rescan();
    EXPECT_EQ(box->PicCount(), 0);
    EXPECT_EQ(counts, (std::vector<int>{0, 0}));
    Shot("imaging_picbox_empty");
}

TEST_F(PicBoxTest, Layout)
{
    MakeAlbum(1);
    OpenAlbum();
    MakeBox(4 * 150 - 2, 140);
    box->SetPicWidth(150);
    box->SetPicHeight(70);
    box->UpdateCells();
    EXPECT_EQ(box->Columns(), 4);
    EXPECT_EQ(box->Rows(), 2);
    EXPECT_EQ(box->ItemHeight(), 70);
    EXPECT_EQ(box->CellWidth(), 150);
    // Scaled: the cells share the client area.
    box->SetScaled(true);
    box->SetRows(4);
    EXPECT_EQ(box->CellWidth(), 598 / 4);
    EXPECT_EQ(box->CellHeight(), 35);
    EXPECT_EQ(box->ItemHeight(), 35);
    // A client area narrower than one picture is widened.
    box->SetScaled(false);
    box->SetClientWidth(60);
    EXPECT_GE(box->ClientWidth(), 150);
}

TEST_F(PicBoxTest, ThumbnailsTurnedByTheirFlags)
{
    MakeAlbum(6, [](int i) {
        Thumb(Quarters(30, 20));
        const char* flags[] = {"", "0001000000", "0002000000", "0003000000", "000 ", "00"};
        Flags(flags[i - 1]);
    });
    OpenAlbum();
    MakeBox();
    box->SetBlobRotate(true);
    // A link planted under the old fixed name is never written through.
    lxtest::TempDir fremd;
    lxtest::WriteFile(fremd / "fremd.txt", "fremd");
    std::filesystem::create_symlink(fremd / "fremd.txt", temp / "blob.bmp");
    const struct { int rec; QSize size; QPoint red; } cases[] = {
        {1, QSize(30, 20), QPoint(2, 2)}, {2, QSize(20, 30), QPoint(17, 2)}, {3, QSize(30, 20), QPoint(27, 17)},
        {4, QSize(20, 30), QPoint(2, 27)}, {5, QSize(30, 20), QPoint(2, 2)}, {6, QSize(30, 20), QPoint(2, 2)},
    };
    for (const auto& c : cases) {
        TBitmap p;
        ASSERT_EQ(box->LoadRecordPicture(uint32_t(c.rec), p), TQKDBPicBox::lrLoaded) << c.rec;
        const QImage img = p.ToImage();
        EXPECT_EQ(img.size(), c.size) << c.rec;
        EXPECT_EQ(img.pixel(c.red), qRgb(255, 0, 0)) << c.rec;
    }
    // The thumbnail's temporary files went after use; the planted link
    // and what it points to are as they were.
    EXPECT_EQ(lxtest::ReadFile(fremd / "fremd.txt"), "fremd");
    EXPECT_TRUE(std::filesystem::is_symlink(temp / "blob.bmp"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(temp.path()), {}), 1);
    // Turning is off: unturned.
    box->SetBlobRotate(false);
    TBitmap p;
    ASSERT_EQ(box->LoadRecordPicture(2, p), TQKDBPicBox::lrLoaded);
    EXPECT_EQ(p.Width(), 30);
}

TEST_F(PicBoxTest, CellsWithThumbnailsCrossesAndNothing)
{
    MakeAlbum(4, [](int i) {
        if (i == 1)
            Thumb(Flat(40, 30, qRgb(0, 160, 0)));
        if (i == 3) {
            const QByteArray junk("BM this is no bitmap at all", 27);
            dbe_ReplaceBlob("VORSCHAU", junk.constData(), uint32_t(junk.size()), 1);
        }
        if (i == 4)
            Thumb(Flat(40, 30, qRgb(0, 0, 200)));
    });
    OpenAlbum();
    MakeBox();
    box->SetCaptionFlag(true);
    box->Rescan();
    ASSERT_EQ(box->PicCount(), 4);
    const QImage shot = Shot("imaging_picbox_cells");
    const QRgb green = qRgb(0, 160, 0), red = qRgb(255, 0, 0), blue = qRgb(0, 0, 200);
    EXPECT_GT(CountColour(shot, CellRect(0), green), 500);
    // Record 2 has no thumbnail: background, frame and its number only.
    EXPECT_EQ(CountColour(shot, CellRect(1), red), 0);
    EXPECT_EQ(CountColour(shot, CellRect(1), green), 0);
    // Record 3's thumbnail cannot be read: a red cross, never the picture before it.
    EXPECT_GT(CountColour(shot, CellRect(2), red), 50);
    EXPECT_EQ(CountColour(shot, CellRect(2), green), 0);
    EXPECT_GT(CountColour(shot, CellRect(3), blue), 500);
    // The frame: white top left, grey bottom right.
    const QRect c0 = CellRect(0);
    EXPECT_EQ(shot.pixel(c0.left() + 1, c0.top() + 20), qRgb(255, 255, 255));
    EXPECT_EQ(shot.pixel(c0.right() - 1, c0.top() + 20), qRgb(128, 128, 128));
}

TEST_F(PicBoxTest, UnwritableTempFileShowsTheMessageAndTheCross)
{
    MakeAlbum(1, [](int) { Thumb(Flat(40, 30, qRgb(0, 160, 0))); });
    OpenAlbum();
    MakeBox();
    box->BlobTempDir = LinuxToWinOrSelf(QString::fromStdString(temp.str())) + "\\missing\\";
    TPromptScript script;
    script.Answer(TPromptKind::Box, IDOK, "Fehler beim Schreiben des Vorschaubildes aus Datenbank");
    TBitmap p;
    EXPECT_EQ(box->LoadRecordPicture(1, p), TQKDBPicBox::lrFailed);
    EXPECT_TRUE(p.Empty());
}

TEST_F(PicBoxTest, CacheIsBoundedAndDroppedWithTheCellSize)
{
    MakeAlbum(8, [](int i) { Thumb(Flat(40, 30, qRgb(20 * i, 0, 0))); });
    OpenAlbum();
    MakeBox();
    box->PicsCaching = true;
    box->Rescan();
    Shot("imaging_picbox_cached");
    const long first = box->LoadCount();
    EXPECT_GE(first, 8);  // 4 x 2 cells show
    EXPECT_EQ(box->CachedCount(), 8);
    EXPECT_NE(box->CachedOf(0), nullptr);
    EXPECT_EQ(box->CachedOf(0)->Height(), box->CellHeight());
    box->Handle()->grab();
    EXPECT_EQ(box->LoadCount(), first);  // drawn from the cache
    box->SetPicNoCacheSize(3);
    box->Handle()->grab();
    EXPECT_LE(box->CachedCount(), 3);
    EXPECT_GT(box->LoadCount(), first);
    box->SetPicWidth(80);  // another cell size drops the cache
    EXPECT_EQ(box->CachedCount(), 0);
    box->Rescan();
    EXPECT_EQ(box->CachedCount(), 0);
}
