// The picture lists as a user makes them: thirty pictures added through the
// add dialog, the layout chooser opened from the menu, each layout chosen
// in turn and printed (a private print system, each job written to a PDF
// file). The PDF shows every entry's title in order, the German page texts
// and the pictures; the album stays on its record.

#include "main_form_fixture.h"
#include "pdf_werkzeuge.h"

#include "dialogs/druckformate.h"
#include "dialogs/listen_bericht.h"
#include "dialogs/scan_pics.h"
#include "controls/spin_edit.h"
#include "platform/ui/buttons.h"
#include "platform/ui/menus.h"
#include "platform/ui/std_ctrls.h"
#include "private_cupsd.h"
#include "report/engine/rg_report.h"
#include "report/output/rg_printer_list.h"
#include "storage/tdbe.h"

#include <QFile>
#include <QImage>
#include <QPainter>

namespace {

class ListFlowTest : public MainFormTest {
protected:
    void SetUp() override
    {
        Application->ClearTerminated();
        MainFormTest::SetUp();
        ASSERT_EQ(cupsd.Start(), "");
        rgSetPrinterSource(rgCreateCupsPrinterSource());
        lxtest::WriteDriveTable({lxtest::FakeDrive{"C", "/", "HD", "SYSTEM", "1A2B3C4D", 1ull << 34}});
        form->Dienste().Lauf().ProgrammPfadSetzen(Win(dir.path()) + "\\");
        form->ProgrammOptionen()->SetBool("BearbeitungszeitAnzeigen", false);
        AlbumAnlegen("TEST.DBF", {});
        ManagerAnlegen();
        TPromptScript script;
        ASSERT_EQ(form->BilderDBFOeffnen(), 1);
        form->OeffneBilderFTS();
        const QDir quelle(QStringLiteral(LUMADEX_RESOURCES_DIR));
        for (const QString& datei : quelle.entryList({"*.RTM", "*.TXT"}, QDir::Files))
            ASSERT_TRUE(QFile::copy(quelle.filePath(datei), QString::fromStdString((dir / datei.toStdString()).string())));
    }
    void TearDown() override
    {
        if (form)
            form->Druck().ListenAusgabe = nullptr;
        MainFormTest::TearDown();
    }
    // A holiday photo: sky, sea, sand and its number.
    void Foto(int n)
    {
        const std::filesystem::path p = dir / "urlaub" / QStringLiteral("Strand %1.jpg").arg(n, 2, 10, QChar('0')).toStdString();
        std::filesystem::create_directories(p.parent_path());
        QImage img(n % 2 ? 640 : 480, n % 2 ? 480 : 640, QImage::Format_RGB32);
        QPainter maler(&img);
        maler.fillRect(0, 0, img.width(), img.height() / 2, QColor::fromHsv((n * 12) % 360, 120, 230));
        maler.fillRect(0, img.height() / 2, img.width(), img.height() / 4, QColor(20, 90, 160));
        maler.fillRect(0, img.height() * 3 / 4, img.width(), img.height() / 4, QColor(230, 210, 150));
        QFont schrift = maler.font();
        schrift.setPixelSize(120);
        maler.setFont(schrift);
        maler.drawText(img.rect(), Qt::AlignCenter, QString::number(n));
        maler.end();
        ASSERT_TRUE(img.save(QString::fromStdString(p.string()), "JPG"));
    }
    QStringList TitelDerReihe()
    {
        QStringList titel;
        form->TableBilder->First();
        while (!form->TableBilder->Eof()) {
            titel << form->DbeBilder->GetTrimString("SHORTDESC");
            form->TableBilder->Next();
        }
        form->TableBilder->First();
        return titel;
    }

    lxtest::TPrivateCupsd cupsd{{"Probe"}};
};

}  // namespace

TEST_F(ListFlowTest, ThirtyPicturesAddedThenEveryLayoutPrintedFromTheChooser)
{
    // The folder's description file gives each picture its title.
    QByteArray inhalt = "[Titel]\r\n";
    for (int n = 1; n <= 30; ++n) {
        Foto(n);
        inhalt += QStringLiteral("Strand %1=Anna;Rimini Tag %1;Italien\r\n").arg(n, 2, 10, QChar('0')).toLatin1();
    }
    lxtest::WriteFile(dir / "urlaub" / "Inhalt.INI", inhalt.toStdString());
    {
        TPromptScript script;
        script.Modal([](TCustomForm& f) {
                  auto& d = dynamic_cast<TfrmScanPics&>(f);
                  d.chkFindJPG->SetChecked(true);
                  d.SpinEditMinDateiGroesse->SetValue(0);
                  d.SpinEditMinPixelBreite->SetValue(0);
                  d.SpinEditMinPixelHoehe->SetValue(0);
                  d.btnScanStart->Click();
                  f.ModalResult = mrOk;
              })
            .AnswerValue(Win(dir / "urlaub"))
            .Answer(mrOk, "Scanvorgang auf angegebenen Laufwerk abgeschlossen!");
        form->MenuItem("BilderHinzufuegen1")->Click();
    }
    ASSERT_EQ(form->DbeBilder->RecCount(), 30u);
    const QStringList titel = TitelDerReihe();
    ASSERT_EQ(titel.size(), 30);
    for (const QString& t : titel)
        ASSERT_FALSE(t.isEmpty());

    const QStringList layouts = {"BilderListe", "BilderListe_Bildinfo", "BilderListe_GrossesBild10",
                                 "BilderListe_GrossesBild8", "BilderListe_Passbilder"};
    const int bilderJeEintrag[] = {1, 1, 1, 1, 5};
    for (int i = 0; i < layouts.size(); ++i) {
        SCOPED_TRACE(layouts[i].toStdString());
        // The lists of the large layouts start at the current entry: the first.
        form->TableBilder->First();
        const uint32_t satz = form->DbeBilder->RecNo();
        const QString pdf = QString::fromStdString((dir / (layouts[i] + ".pdf").toStdString()).string());
        form->Druck().ListenAusgabe = [pdf](TrgReport* report) { ListeAufDrucker(report, pdf); };
        QStringList angeboten;
        {
            TPromptScript script;
            script.Modal<TBilderlistenForm>([&](TBilderlistenForm& b) {
                for (int k = 0; k < b.ListBox1->Items()->Count(); ++k)
                    angeboten << b.ListBox1->Items()->Strings(k);
                b.ListBox1->SetItemIndex(i);
                b.ListBox1Click();
                b.BitBtn1Click();
                b.ModalResult = mrOk;
            });
            form->MenuItem("BilderlistenAuswahl1")->Click();
        }
        EXPECT_EQ(angeboten, layouts);
        EXPECT_EQ(form->DbeBilder->RecNo(), satz);
        ASSERT_TRUE(QFile::exists(pdf));
        const QString text = PdfText(pdf);
        qsizetype ab = 0;
        for (const QString& t : titel) {
            const qsizetype hier = text.indexOf(t, ab);
            EXPECT_GE(hier, 0) << t.toStdString() << " fehlt oder steht nicht in der Reihe";
            if (hier >= 0)
                ab = hier + t.size();
        }
        const int n = PdfSeiten(pdf);
        EXPECT_GT(n, 1);
        for (int s = 1; s <= n; ++s)
            EXPECT_TRUE(text.contains(QStringLiteral("Seite %1 von %2").arg(s).arg(n))) << s;
        EXPECT_TRUE(text.contains("Fotoalbum TEST"));
        EXPECT_EQ(PdfBilder(pdf), 30 * bilderJeEintrag[i]);
        EXPECT_TRUE(QFile::exists(PdfBildschirmfoto(pdf, "ablauf_" + layouts[i])));
    }
}
