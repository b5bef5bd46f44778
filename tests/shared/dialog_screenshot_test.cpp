// Renders the message box, the answer dialog, the progress window and a
// tool bar of auto buttons with a gauge to PNG files in the build folder
// ("screenshots/"), for a person to look at; checks their size and that
// they hold a drawing.

#include <QCoreApplication>
#include <QDir>
#include <QSet>
#include <gtest/gtest.h>

#include "platform/ui/prompt_script.h"
#include "shared/nachrichten_dialog.h"
#include "shared/qk_auto_button.h"
#include "shared/status4_form.h"

namespace {

QImage SaveShot(TCustomForm& form, const QString& name)
{
    QImage img = form.Handle()->grab().toImage();
    QString dir = QCoreApplication::applicationDirPath() + "/screenshots";
    QDir().mkpath(dir);
    EXPECT_TRUE(img.save(dir + "/" + name + ".png")) << name.toStdString();
    return img;
}

int DistinctColours(const QImage& img)
{
    QSet<QRgb> colours;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            colours.insert(img.pixel(x, y));
    return int(colours.size());
}

}  // namespace

TEST(DialogScreenshots, MessageAndAnswerDialogs)
{
    TPromptScript script;
    script.Modal<TMSGDLGForm>([](TMSGDLGForm& f) {
        QImage img = SaveShot(f, "nachrichten_dialog");
        EXPECT_EQ(img.size(), QSize(f.ClientWidth(), f.ClientHeight()));
        EXPECT_GT(DistinctColours(img), 4);
        f.BitBtn1->Click();
    });
    script.Modal<TAntwortDLGForm>([](TAntwortDLGForm& f) {
        QImage img = SaveShot(f, "antwort_dialog");
        EXPECT_EQ(img.size(), QSize(427, 160 - 16 - 6));
        EXPECT_GT(DistinctColours(img), 4);
        f.BitBtnYes->Click();
    });
    NachrichtenDialog("Abschlußmeldung", "Es wurden 12 Bilder übernommen, 3 Einträge gelöscht.", 0, 120, clWhite,
                      clBlack, true);
    AntwortDialog("", "Die Datei \"Grüße.jpg\" existiert schon. Überschreiben ?", 160, clWhite, clBlack, true);
}

TEST(DialogScreenshots, ProgressWindow)
{
    StatusSchritte = 10;
    TStatus4Frm form(Application);
    form.Show();
    for (int p = 1; p <= 100; ++p)
        form.Fortschritt(p);
    form.Fortschritt(37);
    QImage img = SaveShot(form, "status4_form");
    EXPECT_EQ(img.size(), QSize(499, 101));
    EXPECT_GT(DistinctColours(img), 4);
    EXPECT_EQ(form.Label2->Caption(), "13 % Gesamt");
    form.Hide();
}

TEST(DialogScreenshots, AutoButtonsAndGauge)
{
    TForm form(nullptr);
    form.SetCaption("Werkzeugleiste");
    form.SetClientWidth(420);
    form.SetClientHeight(120);
    TBitmap strip;
    strip.SetSize(48, 24);
    TCanvas* c = strip.Canvas();
    c->Brush.Color = clFuchsia;
    c->FillRect(Rect(0, 0, 48, 24));
    c->Brush.Color = clYellow;
    c->Pen.Color = clBlack;
    c->Ellipse(2, 2, 22, 22);
    c->Brush.Color = clSilver;
    c->Ellipse(26, 2, 46, 22);
    const char* captions[] = {"Öffnen", "Suchen", "Löschen", "Größe"};
    TButtonLayout layouts[] = {blGlyphLeft, blGlyphTop, blGlyphRight, blGlyphBottom};
    auto* menu = new TPopupMenu(&form);
    for (int i = 0; i < 4; ++i) {
        auto* b = new TQKAutoButton(&form);
        b->SetParent(&form);
        b->SetBounds(4 + i * 104, 4, 100, 60);
        b->SetStretch(false);
        b->SetGlyph(&strip);
        b->SetCaption(captions[i]);
        b->SetLayout(layouts[i]);
        b->SetFontActiveColor(clBlue);
        b->SetFontActiveUnderline(true);
        b->SetValue(i == 1);
        if (i == 3)
            b->SetPopupMenu(menu);
    }
    auto* gauge = new TQKGauge(&form);
    gauge->SetParent(&form);
    gauge->SetBounds(4, 80, 412, 20);
    gauge->SetBoxes(40);
    gauge->SetColor(clSilver);
    gauge->SetProgress(62);
    form.Show();
    QImage img = SaveShot(form, "qk_auto_button_gauge");
    EXPECT_EQ(img.size(), QSize(420, 120));
    EXPECT_GT(DistinctColours(img), 6);
    form.Hide();
}
