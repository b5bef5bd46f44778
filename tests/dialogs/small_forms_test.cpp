// The tips dialog, the about window, the upload chooser, the filter dialog,
// the processing message window and the floating thumbnail window.

#include <QImage>
#include <gtest/gtest.h>

#include "dialogs/about_form.h"
#include "dialogs/floating_preview.h"
#include "dialogs/small_forms.h"
#include "dialogs/tips_dialog.h"
#include "options_test_host.h"
#include "platform/core/ini_file.h"
#include "platform/ui/buttons.h"
#include "platform/ui/ext_ctrls.h"
#include "platform/ui/prompt_script.h"
#include "platform/ui/std_ctrls.h"
#include "shared/qk_ini.h"
#include "shared/qk_scroll_text.h"
#include "shared/status4_form.h"
#include "test_environment.h"

TEST(TipsDialog, ShowsOneOfTheTenTipsAndStoresTheBox)
{
    lxtest::TempDir dir;
    const QString ini = WinPfad(dir / "Lumadex.INI");
    QStringList tips;
    for (int i = 1; i <= 10; ++i)
        tips << TipText(i);
    EXPECT_EQ(TipText(11), "");
    {
        TPromptScript script;
        script.Modal<TTipsDialog>([&](TTipsDialog& d) {
            EXPECT_EQ(d.Caption(), "Tips und Tricks");
            EXPECT_TRUE(d.TipsZeigenCheckBox->Checked());  // no entry: true
            EXPECT_TRUE(tips.contains(d.TipLabel->Caption()));
            for (int i = 0; i < 20; ++i) {
                d.BitBtn1->Click();
                EXPECT_TRUE(tips.contains(d.TipLabel->Caption()));
            }
            d.Show();
            Bildschirmfoto(d.Handle(), "tips_dialog");
            d.TipsZeigenCheckBox->SetChecked(false);
            d.OKBtn->Click();
        });
        ShowTips(1, 10, ini, 20, false);
    }
    EXPECT_EQ(TMemIniFile(ini).ReadString("TipsDialog", "DialogZeigen", ""), "0");
    {
        TPromptScript script;  // at start-up with the box off: no dialog
        ShowTips(1, 10, ini, 10, true);
    }
    EXPECT_EQ(TMemIniFile(ini).ReadString("TipsDialog", "DialogZeigen", ""), "0");
    {
        TPromptScript script;  // the menu command shows it anyway
        script.Modal<TTipsDialog>([](TTipsDialog& d) { d.OKBtn->Click(); });
        ShowTips(1, 10, ini, 20, false);
    }
}

TEST(AboutForm, LinesTimerAndScreenshot)
{
    TAboutForm f(nullptr);
    f.Show();
    EXPECT_EQ(f.RevisionsLabel->Caption(), "Revision: 1.50.230 (31.05.2006)");
    EXPECT_EQ(f.QKScrollText1->Interval(), 60);
    EXPECT_EQ(f.Zeile(), 1);
    const QStringList zeilen = TAboutForm::Zeilen();
    ASSERT_EQ(zeilen.size(), 17);
    EXPECT_EQ(zeilen[15], "Auf gehts....");
    EXPECT_EQ(zeilen[16], "(Zum Fortfahren klick mich an)");
    for (int i = 1; i < 17; ++i) {
        f.QKScrollText1->OnStartText(f.QKScrollText1);
        EXPECT_EQ(f.QKScrollText1->Caption(), zeilen[i]);
    }
    // Past the last line: the pass keeps its text, then line 2 follows.
    f.QKScrollText1->OnStartText(f.QKScrollText1);
    EXPECT_EQ(f.QKScrollText1->Caption(), zeilen[16]);
    f.QKScrollText1->OnStartText(f.QKScrollText1);
    EXPECT_EQ(f.QKScrollText1->Caption(), zeilen[1]);
    f.QKScrollText1->SetCaption(zeilen[0]);
    for (int i = 0; i < 300; ++i)  // let the text scroll into view
        f.QKScrollText1->TimerTick(nullptr);
    Bildschirmfoto(f.Handle(), "about_form");
    EXPECT_EQ(f.Timer1->Interval(), 6000);
    f.Timer1->Timer();  // six seconds without input
    EXPECT_EQ(f.ModalResult, mrOk);
    // Esc or Enter released closes it as well, as does a click.
    for (Word key : {Word(VK_ESCAPE), Word(VK_RETURN)}) {
        f.ModalResult = mrNone;
        f.OnKeyUp(&f, key, {});
        EXPECT_EQ(f.ModalResult, mrOk);
    }
    f.ModalResult = mrNone;
    f.ProductName->Click();
    EXPECT_EQ(f.ModalResult, mrOk);
}

TEST(SmallForms, UploadChooserOffersTheOptionsItems)
{
    const QStringList items{"Auswahldialog anzeigen", "Flachbettscanner", "Digitale Kamera"};
    {
        TPromptScript script;
        script.Modal<TUploadAuswahlForm>([](TUploadAuswahlForm& f) {
            EXPECT_EQ(f.Caption(), "Uploadquelle auswählen");
            EXPECT_EQ(f.ComboBox_UploadQuelle->ItemIndex(), 1);
            f.Show();
            Bildschirmfoto(f.Handle(), "upload_auswahl");
            f.ComboBox_UploadQuelle->SetItemIndex(2);
            f.BitBtnOK->Click();
        });
        EXPECT_EQ(UploadquelleWaehlen(items), 2);
    }
    {
        TPromptScript script;
        script.Modal<TUploadAuswahlForm>([](TUploadAuswahlForm& f) { f.BitBtnAbbruch->Click(); });
        EXPECT_EQ(UploadquelleWaehlen(items), -1);
    }
}

TEST(SmallForms, FilterDialogAndMessageWindow)
{
    TBilderDialogForm filter(nullptr);
    EXPECT_EQ(filter.Caption(), "Filter-Dialog");
    EXPECT_FALSE(filter.LabelHinweis->Visible());
    EXPECT_EQ(filter.cboEingabe->DropDownCount(), 11);
    filter.Show();
    Application->ProcessMessages();
    EXPECT_TRUE(filter.Edit1->Focused());
    Bildschirmfoto(filter.Handle(), "filter_dialog");
    filter.Hide();

    TMeldungForm meldung(nullptr);
    EXPECT_EQ(meldung.Panel1->Caption(), "Bearbeitung läuft, bitte warten Sie  ...");
    EXPECT_EQ(meldung.FormStyle(), fsStayOnTop);
    meldung.Show();
    Bildschirmfoto(meldung.Handle(), "meldung_form");
    EscAbbruch = 0;
    Word key = VK_ESCAPE;
    meldung.OnKeyDown(&meldung, key, {});
    EXPECT_EQ(EscAbbruch, 1);
    EscAbbruch = 0;
    meldung.Hide();
}

namespace {
struct TTestVorschau : TVorschauHauptfenster {
    QString ini;
    int vollbild = 0;
    std::vector<int> drehungen;
    QString IniDatei() const override { return ini; }
    void VollbildAnzeige() override { ++vollbild; }
    void BildDrehen(int grad) override { drehungen.push_back(grad); }
};
}  // namespace

TEST(FloatingPreview, PagesButtonsAndPosition)
{
    lxtest::TempDir dir;
    TTestVorschau haupt;
    haupt.ini = WinPfad(dir / "Lumadex.INI");
    QImage bild(300, 200, QImage::Format_RGB32);
    bild.fill(Qt::darkGreen);
    ASSERT_TRUE(bild.save(QString::fromStdString((dir / "Wald.jpg").string())));
    {
        TFormSchwebeneVorschau f(nullptr, haupt);
        EXPECT_EQ(f.Caption(), "Vorschaubild");
        EXPECT_TRUE(f.BildZeigen(WinPfad(dir / "Wald.jpg")));
        EXPECT_EQ(f.LabelDateiname->Caption(), "Wald.jpg");
        EXPECT_EQ(f.LabelPfad->Caption(), WinPfad(dir.path()) + "\\");
        f.Show();
        Bildschirmfoto(f.Handle(), "schwebende_vorschau");
        f.Button90->Click();
        f.Button0->Click();
        EXPECT_EQ(haupt.drehungen, std::vector<int>({90, 0}));
        f.ImageWindow2->DblClick();
        EXPECT_EQ(haupt.vollbild, 1);
        f.NaechsteSeite(&f);
        EXPECT_EQ(f.Notebook1->PageIndex(), 1);
        f.LabelPfad->DblClick();
        EXPECT_EQ(f.Notebook1->PageIndex(), 0);
        EXPECT_FALSE(f.BildZeigen(WinPfad(dir / "fehlt.jpg")));
        f.SetLeft(123);
        f.Close();
    }
    TMemIniFile ini(haupt.ini);
    EXPECT_EQ(ini.ReadString("WinPos", "QKINI_Vorschau_Left", ""), "123");
}
