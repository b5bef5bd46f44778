// The thumbnail rebuild: 150 pixels on the longer side, 256 colours, BMP in
// the memo VORSCHAU, turned by the entry's rotation when wanted; pictures
// that are missing or unreadable keep their old thumbnail.
#include "maintenance_fixture.h"

#include <QImage>

namespace {

void Klick(TMainForm& f, const char* handler) { f.Handler(handler)(nullptr); }

}  // namespace

class MaintenanceThumbsTest : public MaintenanceTest {
protected:
    // A picture of w x h: red in its upper half, blue in its lower half.
    QString Zeichnen(const std::string& name, int w, int h)
    {
        QImage bild(w, h, QImage::Format_RGB32);
        bild.fill(Qt::red);
        for (int y = h / 2; y < h; ++y)
            for (int x = 0; x < w; ++x)
                bild.setPixel(x, y, qRgb(0, 0, 255));
        std::filesystem::create_directories(dir / "bilder");
        EXPECT_TRUE(bild.save(QString::fromStdString((dir / "bilder" / name).string())));
        return Win(dir / "bilder" / name);
    }
    // The thumbnail stored in record n.
    QImage Vorschau(uint32_t n)
    {
        const uint16_t vorher = dbe_WorkArea(nullptr);
        dbe_Use(File("TEST.DBF").c_str(), "VORSCHAU", DBE_SHARED, DBE_TYPE_FOX);
        dbe_Go(n);
        const long laenge = dbe_GetBlobLength("VORSCHAU");
        QByteArray bytes;
        if (char* memo = dbe_GetMemo("VORSCHAU", 0)) {
            bytes = QByteArray(memo, int(std::max(laenge, 0L)));
            dbe_MemDealloc(memo);
        }
        dbe_Close();
        dbe_Select(vorher);
        return QImage::fromData(bytes, "BMP");
    }
};

TEST_F(MaintenanceThumbsTest, ThumbnailsKeepTheAspectWithTheLongerSideAt150)
{
    std::vector<TTestEintrag> e;
    for (const auto& [name, w, h] : std::vector<std::tuple<std::string, int, int>>{
             {"quer.png", 300, 200}, {"hoch.png", 200, 300}, {"quadrat.png", 1000, 1000}, {"schmal.png", 1000, 333}}) {
        TTestEintrag t{"bild"};
        t.Pfad = Zeichnen(name, w, h).toStdString();
        e.push_back(t);
    }
    TTestEintrag kaputt{"kaputt"};
    kaputt.Pfad = Bild("bilder/kaputt.jpg", 50).toStdString();
    kaputt.Vorschau = "alt";
    e.push_back(kaputt);
    AlbumAnlegen("TEST.DBF", e);
    Oeffnen();
    {
        TPromptScript script;
        script.Answer(TPromptKind::Dialog, mrYes, "Vorschaubilder des Fotoalbums neu erzeugt")
            .Answer(TPromptKind::Message, mrOk, "1 Bilder konnten nicht gelesen werden");
        Klick(*form, "Vorschaubilderneuerzeugen1Click");
    }
    EXPECT_EQ(Vorschau(1).size(), QSize(150, 100));
    EXPECT_EQ(Vorschau(2).size(), QSize(100, 150));
    EXPECT_EQ(Vorschau(3).size(), QSize(150, 150));
    EXPECT_EQ(Vorschau(4).size(), QSize(150, 50));  // 49.95 rounds to 50
    EXPECT_EQ(Vorschau(1).format(), QImage::Format_Indexed8);
    EXPECT_LE(Vorschau(1).colorCount(), 256);
    // The unreadable picture keeps its old thumbnail.
    const uint16_t vorher = dbe_WorkArea(nullptr);
    dbe_Use(File("TEST.DBF").c_str(), "ALT", DBE_SHARED, DBE_TYPE_FOX);
    dbe_Go(5);
    char* memo = dbe_GetMemo("VORSCHAU", 0);
    ASSERT_NE(memo, nullptr);
    EXPECT_EQ(std::string(memo, 3), "alt");
    dbe_MemDealloc(memo);
    dbe_Close();
    dbe_Select(vorher);
    EXPECT_TRUE(form->Einstellungen().Bool("VorschuBilderAlsBlobSpeichern"));
}

TEST_F(MaintenanceThumbsTest, PhysicalRotationTurnsTheStoredThumbnail)
{
    TTestEintrag t{"bild"};
    t.Pfad = Zeichnen("dreh.png", 300, 200).toStdString();
    AlbumAnlegen("TEST.DBF", {t});
    Setzen(1, "FLAGS", "0002");
    Oeffnen();
    form->Einstellungen().Setzen("VorschaubilderPhysikalischDrehen", true);
    form->DbeBilder->SetOrder(0);
    form->DbeBilder->Go(1);
    Klick(*form, "VorschaubildNeuerzeugen1Click");
    const QImage v = Vorschau(1);
    ASSERT_EQ(v.size(), QSize(150, 100));
    EXPECT_GT(qBlue(v.pixel(75, 5)), 200);  // upside down: blue on top
    EXPECT_GT(qRed(v.pixel(75, 95)), 200);
}

TEST_F(MaintenanceThumbsTest, NoPictureFoundTellsSo)
{
    TTestEintrag t{"bild"};
    t.Pfad = Win(dir / "weg.png").toStdString();
    AlbumAnlegen("TEST.DBF", {t});
    Oeffnen();
    TPromptScript script;
    script.Answer(TPromptKind::Dialog, mrYes)
        .Answer(TPromptKind::Message, mrOk,
                "Es wurde nicht ein Vorschaubild neu erzeugt, weil kein Hauptbild gefunden wurde !");
    Klick(*form, "Vorschaubilderneuerzeugen1Click");
    EXPECT_EQ(script.Pending(), 0u);
}
