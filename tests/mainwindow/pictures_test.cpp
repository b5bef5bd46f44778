// The picture views of the main window over an album made through the
// engine: thumbnails from the memo (and the placeholder for a small one),
// the full view and slide show walked with keys and the driven timer, the
// file finding rules (other drive letters, media not inserted), rotation
// with and without the physical turn, the external flags and programs, the
// floating window, auto-browse, the thumbnail page and drag scrolling.

#include "pictures_fixture.h"

#include "mainwindow/bild_ansichten.h"

#include "dialogs/floating_preview.h"
#include "dialogs/full_size_form.h"
#include "dialogs/small_forms.h"
#include "imaging/image_window.h"
#include "imaging/pic_box.h"
#include "datacontrols/dk_db_combo.h"
#include "platform/ui/buttons.h"
#include "platform/core/sys_utils.h"
#include "platform/core/win_path.h"
#include "platform/data/field.h"
#include "platform/ui/com_ctrls.h"
#include "platform/ui/ext_ctrls.h"
#include "shared/utility_files.h"
#include "storage/flags_field.h"
#include "storage/tdbe.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPainter>
#include <QTest>

#include <functional>

namespace {

// Runs the full-size viewer the main window shows modally.
class TViewerFahrer : public TPromptRecorder {
public:
    std::function<void(TFullSizeForm&)> ImViewer;
    int Gezeigte = 0;
    TModalResult ShowModal(TCustomForm& form) override
    {
        if (auto* f = dynamic_cast<TFullSizeForm*>(&form)) {
            ++Gezeigte;
            f->Show();
            if (ImViewer)
                ImViewer(*f);
            f->Close();
            return mrCancel;
        }
        return TPromptRecorder::ShowModal(form);
    }
};

std::vector<TBild> Dutzend()
{
    return {{"eins.jpg", "JPEG"},  {"zwei.png", "PNG"},      {"drei.bmp", "BMP"},   {"vier.tif", "TIFF"},
            {"fünf.jpg", "JPEG"},  {"fehlt.jpg", "JPEG", false}, {"", "", false, "E:\\Bilder\\weg.jpg"},
            {"acht.png", "PNG"},   {"neun.jpg", "JPEG", true, "", 8}, {"zehn.bmp", "BMP"},
            {"elf.tif", "TIFF"},   {"zwoelf.jpg", "JPEG"}};
}

TEST_F(PicturesTest, RealUseWalkRotateSlideShowAndMissingPictures)
{
    // Drive E: is in the drive table but its medium is not mounted.
    lxtest::WriteDriveTable({{"C", "/", "HD"}, {"E", (dir.path() / "nicht-da").string(), "CDROM", "URLAUB", "0000BEEF"}});
    AlbumMit(Dutzend());
    std::vector<QString> fehlendVorher;
    for (int s : {6, 7}) {
        Gehe(s);
        fehlendVorher.push_back(Eintrag());
    }

    // The full view walks every entry with the keys; the missing ones are
    // passed over.
    // The entries in the order the album shows them; the two missing ones
    // are passed over.
    QStringList erwartet;
    QList<int> reihenfolge;
    for (form->TableBilder->First(); !form->TableBilder->Eof(); form->TableBilder->Next()) {
        const QString name = ExtractFileName(form->DbeBilder->GetTrimString("PFAD"));
        if (name != "fehlt.jpg" && name != "weg.jpg") {
            erwartet << name;
            reihenfolge << Nr();
        }
    }
    ASSERT_EQ(erwartet.size(), 10);
    erwartet << erwartet.front();
    TViewerFahrer fahrer;
    QStringList gesehen;
    fahrer.ImViewer = [&](TFullSizeForm& f) {
        gesehen << ExtractFileName(f.AktuellesBild);
        for (int i = 0; i < 10; ++i) {
            QTest::keyClick(f.Handle(), Qt::Key_Down);
            EXPECT_TRUE(f.ImageWindow1->ImageInWindow()->HasImage());
            gesehen << ExtractFileName(f.AktuellesBild);
        }
    };
    form->TableBilder->First();
    form->Vollbild1Click(nullptr);
    ASSERT_EQ(fahrer.Gezeigte, 1);
    EXPECT_EQ(gesehen.join(",").toStdString(), erwartet.join(",").toStdString());
    EXPECT_TRUE(fahrer.Gezeigt("Letztes Bild erreicht, fahre mit dem ersten Bild fort!"));

    // The full view of a missing picture names the medium; no viewer opens.
    Gehe(6);
    form->Einstellungen().Setzen("WennFileNichtGefundenAnderesLWtesten", false);
    form->Vollbild1Click(nullptr);
    EXPECT_TRUE(fahrer.Gezeigt("Bild ist nicht im Zugriff! Legen Sie den Datenträger \"URLAUB\" ("));
    Gehe(7);
    fahrer.Texte.clear();
    form->Vollbild1Click(nullptr);
    EXPECT_TRUE(fahrer.Gezeigt("Bild ist nicht im Zugriff! Legen Sie den Datenträger \"URLAUB\" ("
                               + qktGetVolumeId("E") + ") ein und versuchen Sie es erneut!"));
    EXPECT_EQ(fahrer.Gezeigte, 1);

    // Rotation by the flag, then physically: FLAGS and the thumbnail memo.
    Gehe(3);
    form->N90rechts1Click(nullptr);
    EXPECT_EQ(Flags().mid(3, 1), "1");
    EXPECT_TRUE(form->RadioButton90GradRechts->Checked());
    EXPECT_EQ(Vorschau().size(), QSize(64, 48));
    form->Einstellungen().Setzen("VorschaubilderPhysikalischDrehen", true);
    form->N0Originalausrichtung1Click(nullptr);
    EXPECT_EQ(Flags().mid(3, 1), "1");  // the 0° command writes no flag then
    form->N90rechts1Click(nullptr);
    EXPECT_EQ(Vorschau().size(), QSize(48, 64));
    form->Einstellungen().Setzen("VorschaubilderPhysikalischDrehen", false);

    // The slide show for three steps on the driven timer.
    form->TableBilder->First();
    QList<int> schritte;
    form->Einstellungen().Setzen("TextVollbildanzeige", true);
    fahrer.ImViewer = [&](TFullSizeForm& f) {
        EXPECT_TRUE(f.SlideShowLaeuft);
        // The options reach the short-description window while it shows.
        ASSERT_NE(f.TextVollbildForm, nullptr);
        form->TextVollbildAnpassen(nullptr, clRed);
        EXPECT_EQ(f.TextVollbildForm->Color(), clRed);
        EXPECT_EQ(f.Timer1->Interval(), 5000);
        for (int i = 0; i < 3; ++i) {
            f.Timer1->Timer();
            schritte << Nr();
        }
    };
    form->SlideShowstart1Click(nullptr);
    EXPECT_EQ(schritte, reihenfolge.mid(1, 3));

    for (int i = 0; i < 2; ++i) {
        Gehe(6 + i);
        EXPECT_EQ(Eintrag(), fehlendVorher[size_t(i)]) << i;
    }
    lxtest::WriteDriveTable({{"C", "/", "HD"}});
}

TEST_F(PicturesTest, ThumbnailFromTheMemoOncePerEntryAndThePlaceholderForASmallOne)
{
    AlbumMit({{"a.png", "PNG", true, "", 64}, {"b.png", "PNG", true, "", 8}, {"c.png", "PNG", true, "", 0}});
    Gehe(1);
    form->ZeigeVorschauBildAusBlob();
    EXPECT_EQ(form->PanelVorschaubild1->Tag, 1);
    ASSERT_NE(form->ImageWindow2->Picture()->Graphic(), nullptr);
    EXPECT_EQ(form->ImageWindow2->Picture()->Graphic()->ToImage().width(), 64);
    // Drawn once: a changed picture is left alone for the same entry.
    form->ImageWindow2->Picture()->SetGraphic(nullptr);
    form->ZeigeVorschauBildAusBlob();
    EXPECT_EQ(form->ImageWindow2->Picture()->Graphic(), nullptr);

    QImage logo(30, 20, QImage::Format_RGB32);
    logo.fill(Qt::red);
    ASSERT_TRUE(logo.save(*WinToLinux(form->Dienste().Lauf().ProgrammPfad() + "Logo.jpg"), "JPEG"));
    form->N180rechts1Click(nullptr);
    EXPECT_TRUE(form->RadioButton180GradRechts->Checked());
    // The small memo shows the placeholder and leaves the radio buttons.
    form->DbeBilder->Go(2);
    form->ZeigeVorschauBildAusBlob();
    EXPECT_EQ(form->ImageWindow2->Picture()->Graphic()->ToImage().size(), logo.size());
    EXPECT_TRUE(form->RadioButton180GradRechts->Checked());
    form->DbeBilder->Go(3);
    form->ZeigeVorschauBildAusBlob();
    EXPECT_EQ(form->ImageWindow2->Picture()->Graphic()->ToImage().size(), logo.size());
    EXPECT_TRUE(form->RadioButton0Grad->Checked());
    // Turning the placeholder physically writes nothing into the entry.
    form->Einstellungen().Setzen("VorschaubilderPhysikalischDrehen", true);
    form->N90rechts1Click(nullptr);
    EXPECT_EQ(form->DbeBilder->GetBlobLength("VORSCHAU"), 0);
    form->Einstellungen().Setzen("VorschaubilderPhysikalischDrehen", false);
}

TEST_F(PicturesTest, ExternalFlagTransitionsAndPrograms)
{
    AlbumMit({{"a.png", "PNG"}, {"b.png", "PNG"}});
    Gehe(1);
    struct Fall {
        char vorher;
        bool anzeigen;  // which box is clicked
        bool ticken;
        char nachher;
    };
    const Fall faelle[] = {{'3', true, false, '2'}, {'1', true, false, '0'}, {'2', true, true, '3'},
                           {' ', true, true, '1'},  {'3', false, false, '1'}, {'2', false, false, '0'},
                           {'1', false, true, '3'}, {'0', false, true, '2'}};
    for (const Fall& f : faelle) {
        FlagSetzen(form->DbeBilder, "FLAGS", 1, false, QChar(f.vorher));
        TCheckBox* box = f.anzeigen ? form->CheckBoxExternAnzeigen : form->CheckBoxExternAufrufen;
        box->SetChecked(f.ticken);
        if (f.anzeigen)
            form->CheckBoxExternAnzeigenMouseUp(box);
        else
            form->CheckBoxExternAufrufenMouseUp(box);
        EXPECT_EQ(Flags().at(0), QChar(f.nachher)) << f.vorher << f.anzeigen << f.ticken;
        EXPECT_EQ(form->CheckBoxExternAnzeigen->Checked(), f.nachher == '1' || f.nachher == '3');
        EXPECT_EQ(form->CheckBoxExternAufrufen->Checked(), f.nachher == '2' || f.nachher == '3');
    }

    // Editors: the entry is listed even when the program is missing.
    prompts.Texte.clear();
    form->Einstellungen().Setzen("PfadBildBearbeitung2", QString());
    form->Bildexternbearbeiten_12Click(nullptr);
    EXPECT_TRUE(prompts.Gezeigt("Programm nicht gefunden, tragen Sie unter \"Optionen->Externe Programme\" ein Programm ein !"));
    Gehe(2);
    form->Einstellungen().Setzen("PfadBildBearbeitung1", *LinuxToWin("/bin/true"));
    form->Einstellungen().Setzen("AlleMeldungen", true);
    form->Bildexternbearbeiten_11Click(nullptr);
    EXPECT_TRUE(prompts.Gezeigt(" wird jetzt gestartet!"));
    EXPECT_FALSE(prompts.Gezeigt("Fehler beim Starten von "));
    EXPECT_EQ(form->BildAnsichten().ExternBearbeiteteSaetze().Count(), 2);
    EXPECT_EQ(form->BildAnsichten().ExternBearbeiteteSaetze()[1], "2");

    form->Einstellungen().Setzen("UseWindowsLink", false);
    form->Einstellungen().Setzen("PfadBildAnzeige", QString());
    form->Bildexternanzeigen1Click(nullptr);
    EXPECT_TRUE(prompts.Gezeigt("Programm nicht gefunden, tragen Sie unter \"Optionen->Bilderverwaltung->Externe "
                                "Programme\" ein Programm zur Bilderanzeige ein !"));
    // The shutdown asks about the edited pictures.
    Beenden();
    EXPECT_TRUE(prompts.Gezeigt("Bilder wurden u. U. bearbeitet, soll das Fotoalbum diese Einträge aktualisieren?"));
}

TEST_F(PicturesTest, ReadOnlyAlbumWritesNoFlagsAndSlideShowNeedsTwoEntries)
{
    AlbumMit({{"a.png", "PNG"}});
    TViewerFahrer fahrer;
    form->SlideShowstart1Click(nullptr);
    EXPECT_EQ(fahrer.Gezeigte, 0);
    form->BereichBilder().NurLesenSetzen(true);
    const QString vorher = Flags();
    const QImage memo = Vorschau();
    form->Einstellungen().Setzen("VorschaubilderPhysikalischDrehen", true);
    form->N270rechts1Click(nullptr);
    form->Einstellungen().Setzen("VorschaubilderPhysikalischDrehen", false);
    form->N90rechts1Click(nullptr);
    form->CheckBoxExternAnzeigen->SetChecked(true);
    form->CheckBoxExternAnzeigenMouseUp(nullptr);
    EXPECT_EQ(Flags(), vorher);
    EXPECT_EQ(Vorschau().size(), memo.size());
    form->BereichBilder().NurLesenSetzen(false);
}

TEST_F(PicturesTest, FullViewWithExternalDisplayAndSlideShowFromAMissingPicture)
{
    AlbumMit({{"a.png", "PNG"}, {"fehlt.png", "PNG", false}, {"c.png", "PNG"}});
    TViewerFahrer fahrer;
    // External display ticked: the external viewer instead of the view.
    Gehe(1);
    FlagSetzen(form->DbeBilder, "FLAGS", 1, false, u'1');
    form->ZeigeVorschauBildAusBlob();
    ASSERT_TRUE(form->CheckBoxExternAnzeigen->Checked());
    form->Einstellungen().Setzen("UseWindowsLink", false);
    form->Einstellungen().Setzen("PfadBildAnzeige", *LinuxToWin("/bin/true"));
    form->Vollbild1Click(nullptr);
    EXPECT_EQ(fahrer.Gezeigte, 0);
    EXPECT_FALSE(fahrer.Gezeigt("Fehler beim Starten von "));
    EXPECT_FALSE(fahrer.Gezeigt("Programm nicht gefunden"));

    // A slide show that starts on a missing picture asks first.
    for (form->TableBilder->First(); !form->TableBilder->Eof(); form->TableBilder->Next())
        if (form->DbeBilder->GetTrimString("PFAD").endsWith("fehlt.png"))
            break;
    fahrer.Antworten["Slideshow dennoch starten?"] = mrNo;
    form->SlideShowstart1Click(nullptr);
    EXPECT_TRUE(fahrer.Gezeigt("Die Slideshow beginnt mit dem ausgewählten Bild, welches sich aber nicht im Zugriff "
                               "befindet, Slideshow dennoch starten?"));
    EXPECT_EQ(fahrer.Gezeigte, 0);
    fahrer.Antworten["Slideshow dennoch starten?"] = mrYes;
    fahrer.ImViewer = [&](TFullSizeForm& f) {
        EXPECT_TRUE(f.SlideShowLaeuft);
        f.Timer1->Timer();
        EXPECT_TRUE(f.ImageWindow1->ImageInWindow()->HasImage());
    };
    form->SlideShowstart1Click(nullptr);
    EXPECT_EQ(fahrer.Gezeigte, 1);
}

TEST_F(PicturesTest, FloatingWindowIsOneWindowShownAgain)
{
    AlbumMit({{"a.png", "PNG"}, {"b.png", "PNG"}});
    form->SchwebendesVorschaubild1Click(nullptr);
    TFormSchwebeneVorschau* erstes = form->BildAnsichten().SchwebendesVorschaubild();
    ASSERT_NE(erstes, nullptr);
    EXPECT_TRUE(erstes->Visible());
    EXPECT_EQ(erstes->LabelDateiname->Caption(), "a.png");
    erstes->Close();
    EXPECT_FALSE(erstes->Visible());
    form->TableBilder->Next();
    form->ZeigeVorschauBildAusBlob();
    EXPECT_EQ(erstes->LabelDateiname->Caption(), "b.png");  // filled while hidden
    form->SchwebendesVorschaubild1Click(nullptr);
    EXPECT_EQ(form->BildAnsichten().SchwebendesVorschaubild(), erstes);
    EXPECT_TRUE(erstes->Visible());
    Bildschirmfoto(*erstes, "floating_thumbnail");
    form->BildAnsichten().SchwebendesVorschaubildSchliessen();
}

TEST_F(PicturesTest, AutoBrowseThumbnailPageAndDragScrolling)
{
    AlbumMit({{"a.png", "PNG"}, {"b.png", "PNG"}, {"c.png", "PNG"}});
    form->DatenbankautomatischVorwaertsblaetternClick(nullptr);
    EXPECT_TRUE(form->Timer1->Enabled());
    form->Timer1->Timer();
    form->Timer1->Timer();
    EXPECT_EQ(Nr(), 3);
    form->Timer1->Timer();
    EXPECT_EQ(Nr(), 1);
    form->DatenbankautomatischVorwaertsblaetternClick(nullptr);
    form->DatenbankautomatischRueckwaertsblaetternClick(nullptr);
    form->Timer1->Timer();
    EXPECT_EQ(Nr(), 3);
    form->DatenbankautomatischRueckwaertsblaetternClick(nullptr);
    form->Timer1->SetEnabled(false);

    form->Show();
    form->PageControlBilder->SetActivePage(form->TabSheetVorschauBilder);
    form->PageControlBilderChange(form->PageControlBilder);
    EXPECT_TRUE(form->BildAnsichten().ThumbnailsGeladen());
    ASSERT_EQ(form->QKDBPicBox1->Items()->Count(), 3);
    form->QKDBPicBox1->SetItemIndex(1);
    form->QKDBPicBox1Click(nullptr);
    EXPECT_EQ(Nr(), 2);
    Application->ProcessMessages();
    Bildschirmfoto(*form, "main_window_thumbnails");

    form->ScannerbildAnzeige1Click(nullptr);
    EXPECT_EQ(form->PageControlBilder->ActivePage(), form->TabSheetGrossBild);
    EXPECT_TRUE(form->ImageWindow1->ImageInWindow()->HasImage());
    form->ImageWindow1MouseMove(nullptr, {}, 100, 100);
    form->ImageWindow1MouseMove(nullptr, {ssLeft}, 74, 80);
    EXPECT_EQ(form->Panel19->Caption(), "2/2");
    EXPECT_EQ(form->Panel20->Caption(), "74/80");
    EXPECT_EQ(form->Panel21->Caption(), "74/80");
    form->Hide();
}

TEST_F(PicturesTest, ExternallyEditedPicturesGetTheirSizeDateAndThumbnailBack)
{
    AlbumMit({{"eins.png", "PNG"}, {"zwei.png", "PNG"}, {"drei.png", "PNG"}});
    // Nothing edited: the command says so.
    form->ExternbearbeiteteBilderaktualisieren1Click(nullptr);
    EXPECT_TRUE(prompts.Gezeigt("Aktuell keine Bilder extern bearbeitet!"));

    // The second and third pictures were edited outside; the third is gone since.
    auto bearbeiten = [&](const char* datei, int breite, int hoehe) {
        QImage img(breite, hoehe, QImage::Format_RGB32);
        img.fill(Qt::darkBlue);
        QPainter(&img).drawEllipse(10, 10, breite - 20, hoehe - 20);
        EXPECT_TRUE(img.save(QString::fromStdString((ordner / datei).string()), "PNG"));
    };
    bearbeiten("zwei.png", 400, 300);
    std::filesystem::remove(ordner / "drei.png");
    form->BildAnsichten().ExternBearbeiteteSaetze().Add("2");
    form->BildAnsichten().ExternBearbeiteteSaetze().Add("3");
    const auto stand = [&](int satz) {
        Gehe(satz);
        return std::pair{int64_t(form->DbeBilder->GetDouble("BYTES")), Vorschau().size()};
    };
    const auto vorher3 = stand(3);

    form->ExternbearbeiteteBilderaktualisieren1Click(nullptr);
    EXPECT_EQ(form->BildAnsichten().ExternBearbeiteteSaetze().Count(), 0);
    const auto zwei = stand(2);
    EXPECT_EQ(zwei.first, int64_t(std::filesystem::file_size(ordner / "zwei.png")));
    EXPECT_EQ(zwei.second.width(), 150);  // the longer side of a thumbnail
    EXPECT_EQ(stand(3), vorher3);          // missing picture: left as it was
    // The file date as the file system has it.
    Gehe(2);
    const QDate geaendert = QFileInfo(QString::fromStdString((ordner / "zwei.png").string())).lastModified().date();
    EXPECT_EQ(form->TableBilder->FieldByName("FILEDATE")->AsDateTime(), EncodeDate(geaendert.year(), geaendert.month(), geaendert.day()));

    // At shutdown, "Ja" to the question brings a newer edit in as well.
    bearbeiten("eins.png", 300, 600);
    form->BildAnsichten().ExternBearbeiteteSaetze().Add("1");
    prompts.Antworten["Bilder wurden u. U. bearbeitet, soll das Fotoalbum diese Einträge aktualisieren?"] = mrYes;
    // The thumbnail page is emptied before the album closes, so no cell
    // without its picture stands on screen while the program ends.
    form->PageControlBilder->SetActivePage(form->TabSheetVorschauBilder);
    form->VorschaubilderEinlesen();
    EXPECT_EQ(form->QKDBPicBox1->Items()->Count(), 3);
    Beenden();
    EXPECT_EQ(form->QKDBPicBox1->Items()->Count(), 0);
    const std::string album = (Datenbank() / "BILDER.DBF").string();
    ASSERT_NE(dbe_Use(album.c_str(), "LESEN", DBE_SHARED, DBE_TYPE_FOX), 0) << dbe_LastError();
    dbe_Go(1);
    EXPECT_EQ(int64_t(std::atof(dbe_GetString("BYTES"))), int64_t(std::filesystem::file_size(ordner / "eins.png")));
    dbe_Close();
}

}  // namespace

namespace {

// Closes the "Filter-Dialog" as a user does: the Enter typed into its edit
// goes down there; its release is left for the widget with the focus
// afterwards, as the window system delivers it.
class TFilterMitEnter : public TViewerFahrer {
public:
    QString Eingabe;
    int Show(const TPrompt& prompt, QString* value) override
    {
        if (value && prompt.Text.contains(QStringLiteral("SatzNr"))) {
            Texte << prompt.Text;
            *value = QStringLiteral("2");
            return mrOk;
        }
        return TViewerFahrer::Show(prompt, value);
    }
    TModalResult ShowModal(TCustomForm& form) override
    {
        if (auto* d = dynamic_cast<TBilderDialogForm*>(&form)) {
            d->Show();
            d->Edit1->SetText(Eingabe);
            d->Edit1->SetFocus();
            QTest::keyPress(d->Edit1->Handle(), Qt::Key_Return);
            Application->ProcessMessages();
            const TModalResult r = d->ModalResult;
            d->Hide();
            return r;
        }
        return TViewerFahrer::ShowModal(form);
    }
};

}  // namespace

TEST_F(PicturesTest, EnterThatClosedADialogNeverOpensTheFullViewFromTheThumbnails)
{
    AlbumMit({{"a.png", "PNG"}, {"b.png", "PNG"}, {"c.png", "PNG"}});
    TFilterMitEnter dialog;
    form->Show();
    form->PageControlBilder->SetActivePage(form->TabSheetVorschauBilder);
    form->PageControlBilderChange(form->PageControlBilder);
    ASSERT_EQ(form->QKDBPicBox1->Items()->Count(), 3);
    QWidget* box = form->QKDBPicBox1->Handle();
    const auto fokus = [&] {
        form->QKDBPicBox1->SetFocus();
        Application->ProcessMessages();
    };
    // "Filter-Dialog" over the width: Enter in its edit closes it with OK.
    fokus();
    dialog.Eingabe = QStringLiteral("202");
    form->AufBildbreite1Click(nullptr);
    EXPECT_EQ(form->DbeBilder->QueryRecCount(), 1u);
    fokus();
    QTest::keyRelease(box, Qt::Key_Return);
    Application->ProcessMessages();
    EXPECT_EQ(dialog.Gezeigte, 0);
    // "Gehezu SatzNr.": the input box answered, the release lands in the box.
    form->BilderOhneFilter1Click(nullptr);
    fokus();
    form->GehezuSatzNr1Click(nullptr);
    EXPECT_EQ(Nr(), 2);
    QTest::keyRelease(box, Qt::Key_Return);
    Application->ProcessMessages();
    EXPECT_EQ(dialog.Gezeigte, 0);
    // Enter typed in the box itself opens the full view.
    QTest::keyClick(box, Qt::Key_Return);
    Application->ProcessMessages();
    EXPECT_EQ(dialog.Gezeigte, 1);
    form->Hide();
}

TEST_F(PicturesTest, CodedFieldsShowTheNamesOfTheirListsAndTheirCombosOpen)
{
    AlbumMit({{"a.png", "PNG"}, {"b.png", "PNG"}});
    // The stored codes: group and source index the side files' lists
    // (defaults here), quality and motif the quality names, type a digit.
    struct Fall {
        const char* Feld;
        const char* Code;
        TdkDBComboBox* Combo;  // the single-record panel's; null: grid only
        TdkDBComboBox* Raster;
        const char* Name;
    };
    const Fall faelle[] = {
        {"PLAYLIST", "0", form->DBComboboxBilderPlayListe2, form->DBComboboxBilderPlayListe, "Keine Zuordnung"},
        {"QUELLE", "2", form->DBComboBoxBildQuelle2, form->DBComboBoxBildQuelle, "Flachbettscanner"},
        {"QUALITAET", "0", form->DBComboBoxBilderQualitaet2, form->DBComboBoxBilderQualitaet, "Nicht bewertet"},
        {"MOTIV", "3", form->DBComboBoxMotivQualitaet2, form->DBComboBoxMotivQualitaet, "3. Qualität"},
        {"TYPE", "4", nullptr, form->DBComboBoxBilderType, "PNG"},
    };
    form->TableBilder->First();
    form->TableBilder->Edit();
    for (const Fall& f : faelle)
        form->TableBilder->FieldByName(f.Feld)->SetAsString(f.Code);
    form->TableBilder->Post();
    form->SetBounds(0, 0, 1200, 800);
    form->Show();
    form->PageControlBilder->SetActivePage(form->TabSheetBilderDatenbank);
    Application->ProcessMessages();
    for (const Fall& f : faelle) {
        TField* feld = form->TableBilder->FieldByName(f.Feld);
        EXPECT_EQ(f.Raster->GridDisplayText(feld), QString::fromUtf8(f.Name)) << f.Feld;
        if (f.Combo) {
            EXPECT_EQ(f.Combo->Text(), QString::fromUtf8(f.Name)) << f.Feld;
        }
    }
    Bildschirmfoto(*form, "main_window_coded_fields");
    // A click on the button (the focus elsewhere before) and Alt+Down, the
    // Alt key going down and up around it, open the list of each combo.
    for (const Fall& f : faelle) {
        if (!f.Combo)
            continue;
        form->DBGridBilder->SetFocus();
        Application->ProcessMessages();
        QTest::mouseClick(f.Combo->Button()->Handle(), Qt::LeftButton);
        // Checked at once: the offscreen platform activates every window
        // that shows, and that activation would take the focus (and the
        // list) away on the next pass of the event loop; a desktop does not.
        EXPECT_TRUE(f.Combo->ListVisible()) << f.Feld;
        // The list is a window of its own on the screen, with the names.
        QWidget* liste = f.Combo->ListBox()->Handle();
        EXPECT_TRUE(liste->isWindow() && liste->isVisible()) << f.Feld;
        EXPECT_GT(f.Combo->ListBox()->Count(), 1) << f.Feld;
        Application->ProcessMessages();
        QTest::keyClick(f.Combo->Edit(), Qt::Key_Escape);
        EXPECT_FALSE(f.Combo->ListVisible()) << f.Feld;
        QTest::keyPress(f.Combo->Edit(), Qt::Key_Alt, Qt::AltModifier);
        QTest::keyClick(f.Combo->Edit(), Qt::Key_Down, Qt::AltModifier);
        QTest::keyRelease(f.Combo->Edit(), Qt::Key_Alt);
        EXPECT_TRUE(f.Combo->ListVisible()) << f.Feld;
        EXPECT_TRUE(f.Combo->ListBox()->Handle()->isVisible()) << f.Feld;
        Application->ProcessMessages();
        QTest::keyClick(f.Combo->Edit(), Qt::Key_Escape);
    }
    form->Hide();
}

TEST_F(PicturesTest, ThePictureBesideTheEntryIsAlwaysItsOwn)
{
    // Thumbnails of their own size per entry tell them apart.
    AlbumMit({{"a.png", "PNG", true, "", 60}, {"b.png", "PNG", true, "", 80}, {"c.png", "PNG", true, "", 100}});
    const auto gezeigt = [&] { return form->ImageWindow2->Picture()->Width(); };
    const auto eigenes = [&] { return 60 + 20 * (Nr() - 1); };
    form->TableBilder->First();
    form->ZeigeVorschauBildAusBlob();
    ASSERT_EQ(gezeigt(), 60);
    // A command that moves to another entry without the grid's help (here
    // the engine's own move and a refresh, as the date filter does).
    form->DbeBilder->Go(3);
    form->TableBilder->Refresh();
    EXPECT_EQ(Nr(), 3);
    EXPECT_EQ(gezeigt(), eigenes());
    // A filter that shows nothing leaves no current entry; then a new entry
    // comes in while the views rest, as a scan adds them: the entry that
    // now stands there shows its own thumbnail.
    form->DbeBilder->Query(QStringLiteral("SHORTDESC = 'nichts'"));
    form->TableBilder->Refresh();
    form->ZeigeVorschauBildAusBlob();
    ASSERT_EQ(form->DbeBilder->RecNo(), 4u);
    form->TableBilder->DisableControls();
    form->DbeBilder->Query(QString());
    form->TableBilder->Refresh();
    form->TableBilder->Append();
    form->TableBilder->FieldByName("SHORTDESC")->SetAsString("neu");
    form->TableBilder->Post();
    ASSERT_EQ(form->DbeBilder->RecNo(), 4u);
    QImage t(120, 90, QImage::Format_RGB888);
    t.fill(Qt::darkRed);
    const std::string tf = (dir.path() / "t4.bmp").string();
    ASSERT_TRUE(t.save(QString::fromStdString(tf), "BMP"));
    ASSERT_TRUE(form->DbeBilder->Replace("VORSCHAU", 0x2000, *LinuxToWin(QString::fromStdString(tf))));
    form->TableBilder->EnableControls();
    form->TableBilder->Refresh();
    form->ZeigeVorschauBildAusBlob();
    EXPECT_EQ(Nr(), 4);
    EXPECT_EQ(gezeigt(), 120);
}
