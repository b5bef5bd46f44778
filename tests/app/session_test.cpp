// A user's session on one main window: the first start makes the standard
// album, a folder of pictures comes in through the add command and its scan
// dialog, then filter, sort, full-text search, viewer, copy into a new album,
// delete, the exports, the album manager and the options, and a second start
// brings back album, order and record. Screenshots of every step are taken.

#include "start_fixture.h"

#include "controls/spin_edit.h"
#include "datagrid/dk_db_grid.h"
#include "dialogs/album_manager.h"
#include "dialogs/ascii_dialogs.h"
#include "dialogs/bilder_loeschen.h"
#include "dialogs/full_size_form.h"
#include "dialogs/html_export_form.h"
#include "dialogs/scan_pics.h"
#include "dialogs/small_forms.h"
#include "imaging/image_window.h"
#include "imaging/pic_box.h"
#include "platform/ui/buttons.h"
#include "platform/ui/com_ctrls.h"
#include "platform/ui/ext_ctrls.h"
#include "platform/ui/menus.h"
#include "platform/ui/prompt_script.h"
#include "storage/tdbe.h"
#include "storage/tfts.h"

#include <QImage>

namespace {

namespace fs = std::filesystem;

// Answers like the fixture's recorder; forms other than the message box go
// to Form, and every text is kept for the step's checks.
class TSchritt : public TPromptRecorder {
public:
    std::function<void(TCustomForm&)> Form;
    QStringList Werte;  // typed into the next input boxes or chosen in file dialogs
    int Show(const TPrompt& prompt, QString* value) override
    {
        if (value && !Werte.isEmpty()) {
            Texte << prompt.Caption + u'|' + prompt.Text;
            *value = Werte.takeFirst();
            return mrOk;
        }
        return TPromptRecorder::Show(prompt, value);
    }
    TModalResult ShowModal(TCustomForm& form) override
    {
        if (!dynamic_cast<TMSGDLGForm*>(&form) && Form) {
            Texte << QStringLiteral("<Modal ") + form.Name + u'>';
            form.BeginModal();
            Form(form);
            if (form.ModalResult == mrNone)
                form.ModalResult = mrCancel;
            form.CloseModal();
            const TModalResult result = form.ModalResult;
            form.EndModal();
            return result;
        }
        return TPromptRecorder::ShowModal(form);
    }
    ~TSchritt() override
    {
        for (const QString& t : Texte)
            std::fprintf(stderr, "  | %s\n", qPrintable(t));
    }
};

class SessionTest : public StartTest {
protected:
    void SetUp() override
    {
        // "Ende" of an earlier test ended the application's run.
        Application->ClearTerminated();
        StartTest::SetUp();
    }
    void Bild(const fs::path& p, int w, int h, const char* format, Qt::GlobalColor farbe)
    {
        QImage img(w, h, QImage::Format_RGB32);
        img.fill(farbe);
        EXPECT_TRUE(img.save(QString::fromStdString(p.string()), format)) << p;
    }
    std::string Status(int i) { return form->StatusBarBilder1->Panels()->Items(i)->Text().toStdString(); }
    // The entries the grid can show; the current entry stays.
    int Gezeigt()
    {
        const uint32_t satz = form->DbeBilder->RecNo();
        int n = 0;
        for (form->TableBilder->First(); !form->TableBilder->Eof(); form->TableBilder->Next())
            ++n;
        form->DbeBilder->Go(satz);
        form->TableBilder->Refresh();
        return n;
    }
    // The add command with its scan dialog over the folder (JPEG, PNG, BMP,
    // no size limits); gives the dialog's count of new pictures.
    int Einlesen(const fs::path& ordner)
    {
        int neue = -1;
        TSchritt schritt;
        schritt.Werte << Win(ordner);
        schritt.Form = [&](TCustomForm& f) {
            auto& d = dynamic_cast<TfrmScanPics&>(f);
            d.chkFindJPG->SetChecked(true);
            d.chkFindPNG->SetChecked(true);
            d.chkFindBMP->SetChecked(true);
            d.SpinEditMinDateiGroesse->SetValue(0);
            d.SpinEditMinPixelBreite->SetValue(0);
            d.SpinEditMinPixelHoehe->SetValue(0);
            Bildschirmfoto(d, "session_02_scan_dialog");
            d.btnScanStart->Click();
            neue = d.Neue();
            Bildschirmfoto(d, "session_03_scan_fertig");
            f.ModalResult = mrOk;
        };
        form->MenuItem("BilderHinzufuegen1")->Click();
        return neue;
    }
    // The filter on the picture width through the menu and its dialog.
    void BreitenFilter(const QString& breite)
    {
        TSchritt schritt;
        schritt.Form = [&](TCustomForm& f) {
            auto& d = dynamic_cast<TBilderDialogForm&>(f);
            Bildschirmfoto(d, "session_05_filter_dialog");
            if (d.Edit1->Visible())
                d.Edit1->SetText(breite);
            if (d.cboEingabe->Visible())
                d.cboEingabe->SetText(breite);
            f.ModalResult = mrOk;
        };
        form->MenuItem("AufBildbreite1")->Click();
    }
    // The thumbnail page: how many thumbnails it shows; back to the album page.
    int Vorschaubilder(const QString& foto)
    {
        bool erlaubt = true;
        form->PageControlBilderChanging(form->PageControlBilder, erlaubt);
        form->PageControlBilder->SetActivePage(form->TabSheetVorschauBilder);
        form->PageControlBilderChange(form->PageControlBilder);
        const int anzahl = form->QKDBPicBox1->Items()->Count();
        Foto(foto);
        form->PageControlBilderChanging(form->PageControlBilder, erlaubt);
        form->PageControlBilder->SetActivePage(form->TabSheetBilderDatenbank);
        form->PageControlBilderChange(form->PageControlBilder);
        return anzahl;
    }
    void Foto(const QString& name) { Bildschirmfoto(*form, "session_" + name); }
};

TEST_F(SessionTest, AUsersSessionAcrossTheFeatures)
{
    lxtest::WriteDriveTable({lxtest::FakeDrive{"C", "/", "HD", "SYSTEM", "1A2B3C4D", 1ull << 34}});
    StartenUndZeigen();
    ASSERT_TRUE(form->TableBilder->Active());
    ASSERT_TRUE(fs::exists(Datenbank() / "BILDER.DBF"));
    form->Handle()->resize(1024, 740);
    Foto("01_erster_start");

    // Ten pictures of three formats, one with an umlaut in its name.
    const fs::path ordner = dir.path() / "fotos";
    fs::create_directories(ordner);
    struct Datei { const char* name; const char* format; int w; int h; };
    const std::vector<Datei> dateien = {
        {"strand1.jpg", "JPG", 320, 240}, {"strand2.jpg", "JPG", 320, 200}, {"berg.jpg", "JPG", 400, 300},
        {"haus.png", "PNG", 200, 150},    {"katze.png", "PNG", 210, 160},   {"hund.png", "PNG", 220, 170},
        {"wald.bmp", "BMP", 230, 180},    {"see.bmp", "BMP", 240, 190},     {"dorf.jpg", "JPG", 250, 200},
        {"B\xc3\xa4r am Fluss.jpg", "JPG", 260, 210}};
    for (size_t i = 0; i < dateien.size(); ++i)
        Bild(ordner / fs::u8path(dateien[i].name), dateien[i].w, dateien[i].h, dateien[i].format,
             Qt::GlobalColor(Qt::red + int(i)));
    const int neue = Einlesen(ordner);
    EXPECT_EQ(neue, 10);
    ASSERT_EQ(form->DbeBilder->RecCount(), 10u);
    EXPECT_EQ(Status(1), "10 von 10 Einträge angezeigt");
    EXPECT_EQ(Gezeigt(), 10);
    bool umlaut = false;
    for (form->TableBilder->First(); !form->TableBilder->Eof(); form->TableBilder->Next())
        umlaut = umlaut || form->DbeBilder->GetTrimString("PFAD").endsWith(QString::fromUtf8("Bär am Fluss.jpg"));
    EXPECT_TRUE(umlaut);
    form->TableBilder->First();
    form->ZeigeVorschauBildAusBlob();
    ASSERT_NE(form->ImageWindow2->Picture()->Graphic(), nullptr);
    EXPECT_FALSE(form->ImageWindow2->Picture()->Graphic()->ToImage().isNull());
    Foto("04_nach_dem_einlesen");
    EXPECT_EQ(Vorschaubilder("04_vorschaubilder"), 10);

    // A filter on a width and its reset.
    BreitenFilter("320");
    EXPECT_EQ(Gezeigt(), 2);
    EXPECT_EQ(Status(1), "2 von 10 Einträge angezeigt");
    Foto("05_filter_breite");
    form->MenuItem("BilderOhneFilter1")->Click();
    EXPECT_EQ(Gezeigt(), 10);
    EXPECT_EQ(Status(4), "Kein Filter gesetzt");

    // A title click sorts by the width.
    form->DBGridBilder->OnTitleButtonClick(form->DBGridBilder, "BREITE");
    EXPECT_EQ(Status(3), "Sortierung=BREITE");
    form->TableBilder->First();
    EXPECT_EQ(form->DbeBilder->GetInteger("BREITE"), 200);
    Foto("06_sortiert");

    // The quick-search bar's full-text filter on a word of a title.
    {
        TSchritt schritt;
        form->edSearch->SetText("strand1");
        form->ButFiltClick(nullptr);
    }
    EXPECT_EQ(Status(4), "Volltextfilter gesetzt ");
    EXPECT_EQ(Gezeigt(), 1);
    Foto("07_volltext");
    form->MenuItem("BilderOhneFilter1")->Click();
    EXPECT_EQ(Gezeigt(), 10);
    // A word with an umlaut, typed in small letters, finds the picture.
    {
        TSchritt schritt;
        form->edSearch->SetText(QString::fromUtf8("bär"));
        form->ButFiltClick(nullptr);
    }
    EXPECT_EQ(Status(4), "Volltextfilter gesetzt ");
    EXPECT_EQ(Gezeigt(), 1);
    EXPECT_TRUE(form->DbeBilder->GetTrimString("PFAD").endsWith(QString::fromUtf8("Bär am Fluss.jpg")));
    form->MenuItem("BilderOhneFilter1")->Click();
    {
        TSchritt schritt;
        form->edSearch->SetText(QString::fromUtf8("Fluss"));
        form->ButNextClick(nullptr);
        EXPECT_FALSE(schritt.Gezeigt("Text nicht gefunden!"));
    }
    EXPECT_TRUE(form->DbeBilder->GetTrimString("PFAD").endsWith(QString::fromUtf8("Bär am Fluss.jpg")));
    form->MenuItem("BilderOhneFilter1")->Click();
    EXPECT_EQ(Gezeigt(), 10);

    // The viewer steps through the pictures.
    QStringList gesehen;
    {
        TSchritt schritt;
        schritt.Form = [&](TCustomForm& form) {
            auto& f = dynamic_cast<TFullSizeForm&>(form);
            f.Show();
            gesehen << f.AktuellesBild;
            Bildschirmfoto(f, "session_08_viewer");
            f.Naechstes1Click(nullptr);
            gesehen << f.AktuellesBild;
            f.Naechstes1Click(nullptr);
            gesehen << f.AktuellesBild;
            f.Close();
            f.ModalResult = mrCancel;
        };
        form->TableBilder->First();
        form->Vollbild1Click(nullptr);
    }
    ASSERT_EQ(gesehen.size(), 3);
    // The picture with the umlaut in its name shows in the viewer.
    for (form->TableBilder->First(); !form->TableBilder->Eof(); form->TableBilder->Next())
        if (form->DbeBilder->GetTrimString("PFAD").endsWith(QString::fromUtf8("Bär am Fluss.jpg")))
            break;
    ASSERT_FALSE(form->TableBilder->Eof());
    {
        TSchritt schritt;
        bool gezeigt = false;
        schritt.Form = [&](TCustomForm& form) {
            auto& f = dynamic_cast<TFullSizeForm&>(form);
            f.Show();
            gezeigt = f.AktuellesBild.endsWith(QString::fromUtf8("Bär am Fluss.jpg")) &&
                      f.ImageWindow1->ImageInWindow()->HasImage();
            f.Close();
            f.ModalResult = mrCancel;
        };
        form->Vollbild1Click(nullptr);
        EXPECT_TRUE(gezeigt);
        EXPECT_FALSE(schritt.Gezeigt("nicht im Zugriff"));
    }
    EXPECT_NE(gesehen[0], gesehen[1]);
    EXPECT_NE(gesehen[1], gesehen[2]);

    // Two entries (the widths of 320) copied into a new album.
    BreitenFilter("320");
    ASSERT_EQ(Gezeigt(), 2);
    fs::create_directories(dir.path() / "ziel");
    {
        TSchritt schritt;
        schritt.Werte << Win(dir.path() / "ziel" / "ZWEI.DBF") << "Zwei Strandbilder";
        schritt.Antworten["ZWEI.DBF nicht gefunden, jetzt erstellen ?"] = mrYes;
        schritt.Antworten["Ziel-Fotoalbum in den Fotoalben-Manager eintragen ?"] = mrYes;
        form->KopiereSaetzeInNeuesFotoalbum();
    }
    EXPECT_TRUE(fs::exists(dir.path() / "ziel" / "ZWEI.DBF"));
    form->MenuItem("BilderOhneFilter1")->Click();
    EXPECT_EQ(Gezeigt(), 10);

    // One entry deleted (not its picture).
    form->TableBilder->First();
    const QString geloescht = form->DbeBilder->GetTrimString("PFAD");
    {
        TSchritt schritt;
        schritt.Form = [&](TCustomForm& form) {
            auto& f = dynamic_cast<TBilderLoeschenForm&>(form);
            f.RadioButtonNurSelektiertenSatzLoeschen->SetChecked(true);
            f.CheckBoxBilderMitloeschen->SetChecked(false);
            Bildschirmfoto(f, "session_09_loeschen");
            f.BitBtnDeleteClick(nullptr);
            EXPECT_EQ(f.Geloescht, 1);
        };
        form->BilderLoeschenClick(nullptr);
    }
    EXPECT_EQ(Gezeigt(), 9);
    for (form->TableBilder->First(); !form->TableBilder->Eof(); form->TableBilder->Next())
        EXPECT_NE(form->DbeBilder->GetTrimString("PFAD"), geloescht);
    form->TableBilder->First();
    Foto("10_nach_loeschen");
    EXPECT_EQ(Vorschaubilder("10_vorschaubilder"), 9);

    // HTML and ASCII export.
    TProgrammOptionenStand* o = form->ProgrammOptionen();
    o->SetText("HTMLExportPfad", Win(dir.path() / "html") + "\\");
    o->SetText("ASCIIExportPfad", Win(dir.path() / "ascii") + "\\");
    fs::create_directories(dir.path() / "html");
    fs::create_directories(dir.path() / "ascii");
    {
        TSchritt schritt;
        schritt.Antworten["Der HTML-Export bezieht sich immer"] = mrYes;
        schritt.Form = [](TCustomForm& form) {
            auto& h = dynamic_cast<TPicHTMLForm&>(form);
            Bildschirmfoto(h, "session_11_html");
            h.BitBtnCreateClick();
            h.ModalResult = mrOk;
        };
        form->MenuItem("BilderHTMLExport1")->Click();
        // One notice for each shown entry that is no JPEG, none for the
        // deleted entry the album's order passes over.
        int keinJpg = 0;
        for (form->TableBilder->First(); !form->TableBilder->Eof(); form->TableBilder->Next())
            keinJpg += form->DbeBilder->GetTrimString("TYPE") != "1";
        EXPECT_EQ(keinJpg, 5);
        EXPECT_EQ(schritt.Texte.count("In dieser Version können nur JPG-Bilder ins HTML-Format exportiert werden!"),
                  keinJpg);
    }
    EXPECT_TRUE(fs::exists(dir.path() / "html" / "galvora.htm"));
    {
        TSchritt schritt;
        schritt.Form = [](TCustomForm& form) {
            auto& e = dynamic_cast<TBilderDBFExportForm&>(form);
            Bildschirmfoto(e, "session_12_ascii");
            e.BitBtnExportStartClick();
            e.ModalResult = mrOk;
        };
        form->MenuItem("ASCIIExport1")->Click();
    }
    EXPECT_TRUE(fs::exists(dir.path() / "ascii" / "BilderASCII1.ZIP"));
    {
        std::string text;
        if (FILE* pipe = ::popen(("unzip -p '" + (dir.path() / "ascii" / "BilderASCII1.ZIP").string() + "' 2>&1").c_str(), "r")) {
            char puffer[4096];
            size_t n;
            while ((n = std::fread(puffer, 1, sizeof puffer, pipe)) > 0)
                text.append(puffer, n);
            ::pclose(pipe);
        }
        EXPECT_NE(text.find("\\fotos\\strand1.jpg;"), std::string::npos) << text;
    }
    EXPECT_TRUE(fs::exists(dir.path() / "html" / "strand1.htm"));

    // The album manager lists both albums; the new one opens with its two
    // entries, then the first album again.
    auto oeffne = [&](const QString& name, const QString& foto) {
        TSchritt schritt;
        int zeilen = -1;
        schritt.Form = [&](TCustomForm& f) {
            auto& m = dynamic_cast<TBilderDBFManagerForm&>(f);
            zeilen = m.ListView1->ItemCount();
            Bildschirmfoto(m, "session_" + foto);
            for (int i = 0; i < m.ListView1->ItemCount(); ++i)
                if (m.ListView1->ItemCaption(i).contains(name)) {
                    m.ListView1->SetSelected(i);
                    m.ListView1Click();
                    m.AusgewaehlteBilderdatenbankOeffnen1Click();
                }
            if (m.ModalResult == mrNone)
                m.ModalResult = mrCancel;
        };
        form->MenuItem("AndereBilderdatenbankoeffnen1")->Click();
        return zeilen;
    };
    EXPECT_EQ(oeffne("ZWEI.DBF", "13_manager"), 2);
    EXPECT_EQ(form->TableBilder->TableName().toUpper(), "ZWEI.DBF");
    EXPECT_EQ(Gezeigt(), 2);
    EXPECT_EQ(Status(1), "2 von 2 Einträge angezeigt");
    EXPECT_EQ(form->Caption().toStdString(), "QV-Lumadex  v1.50 (ZWEI.DBF)");
    EXPECT_EQ(Vorschaubilder("13_zwei_vorschaubilder"), 2);
    Foto("13_zwei");
    EXPECT_EQ(oeffne("BILDER.DBF", "13_manager_zurueck"), 2);
    EXPECT_TRUE(form->TableBilder->Active());
    EXPECT_EQ(form->BereichBilder().Name().toUpper(), "BILDER.DBF");
    EXPECT_EQ(Gezeigt(), 9);

    // The options dialog closed with OK.
    {
        TSchritt schritt;
        schritt.Form = [](TCustomForm& d) {
            Bildschirmfoto(d, "session_14_optionen");
            d.ModalResult = mrOk;
        };
        form->MenuItem("OptionenBilder")->Click();
    }
    EXPECT_TRUE(form->TableBilder->Active());

    // Sorted by width, on the third entry; "Ende", and the second start
    // brings album, order and record back.
    form->DBGridBilder->OnTitleButtonClick(form->DBGridBilder, "BREITE");
    form->TableBilder->First();
    form->TableBilder->Next();
    form->TableBilder->Next();
    const uint32_t satz = form->DbeBilder->RecNo();
    const QString tag = form->DbeBilder->TagName(form->DbeBilder->IndexOrd());
    EXPECT_EQ(tag, "BREITE");
    Foto("15_vor_ende");
    Beenden();
    form.reset();
    prompts.Texte.clear();
    StartenUndZeigen();
    form->Handle()->resize(1024, 740);
    ASSERT_TRUE(form->TableBilder->Active());
    EXPECT_EQ(form->BereichBilder().Name().toUpper(), "BILDER.DBF");
    EXPECT_EQ(form->DbeBilder->TagName(form->DbeBilder->IndexOrd()), tag);
    EXPECT_EQ(form->DbeBilder->RecNo(), satz);
    Foto("16_zweiter_start");
    EXPECT_EQ(form->TableBilder->RecNo(), int(satz));
    EXPECT_EQ(Gezeigt(), 9);
    // The full-text index of the album serves the second run too.
    {
        TSchritt schritt;
        form->edSearch->SetText("strand2");
        form->ButFiltClick(nullptr);
    }
    EXPECT_EQ(Gezeigt(), 1);
    EXPECT_TRUE(form->DbeBilder->GetTrimString("PFAD").endsWith("strand2.jpg"));
    Beenden();
}

}  // namespace

namespace {

// All shown entries of a filter deleted: the filter's last entry opens the
// album again, the rest stays, the thumbnail page and the count follow.
TEST_F(SessionTest, DeletingAllEntriesOfAFilter)
{
    lxtest::WriteDriveTable({lxtest::FakeDrive{"C", "/", "HD", "SYSTEM", "1A2B3C4D", 1ull << 34}});
    StartenUndZeigen();
    const fs::path ordner = dir.path() / "fotos";
    fs::create_directories(ordner);
    Bild(ordner / "a.jpg", 320, 240, "JPG", Qt::red);
    Bild(ordner / "b.png", 320, 200, "PNG", Qt::green);
    Bild(ordner / "c.bmp", 200, 150, "BMP", Qt::blue);
    Bild(ordner / "d.jpg", 250, 200, "JPG", Qt::yellow);
    ASSERT_EQ(Einlesen(ordner), 4);
    BreitenFilter("320");
    ASSERT_EQ(Gezeigt(), 2);
    {
        TSchritt schritt;
        schritt.Antworten["Den angezeigten Satz jetzt löschen ?"] = mrAll;
        schritt.Form = [&](TCustomForm& form) {
            auto& f = dynamic_cast<TBilderLoeschenForm&>(form);
            f.RadioButtonAlleSaetzeLoeschen->SetChecked(true);
            f.CheckBoxBilderMitloeschen->SetChecked(false);
            f.BitBtnDeleteClick(nullptr);
            EXPECT_EQ(f.Geloescht, 2);
        };
        form->BilderLoeschenClick(nullptr);
    }
    EXPECT_TRUE(form->TableBilder->Active());
    EXPECT_EQ(Gezeigt(), 2);
    EXPECT_EQ(Status(4), "Kein Filter gesetzt");
    EXPECT_EQ(Vorschaubilder("20_nach_filter_loeschen"), 2);
    Foto("20_nach_filter_loeschen_album");
    EXPECT_TRUE(fs::exists(ordner / "a.jpg"));
    Beenden();
}

}  // namespace
