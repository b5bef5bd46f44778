#include "dialogs/about_form.h"

#include "platform/ui/ext_ctrls.h"
#include "platform/ui/std_ctrls.h"
#include "shared/qk_scroll_text.h"

QStringList TAboutForm::Zeilen()
{
    return {
        QStringLiteral("QV-Lumadex - Ihre Bilder sicher im Griff"),
        QStringLiteral("Fotoalben für Kamera, Scanner und CD"),
        QStringLiteral("Vorschaubilder direkt im Fotoalbum"),
        QStringLiteral("Volltextsuche in allen Beschreibungen"),
        QStringLiteral("Slideshow mit einem Klick"),
        QStringLiteral("Bildlisten mit Vorschaubildern drucken"),
        QStringLiteral("HTML-Galerien für das Internet"),
        QStringLiteral("CD-R mit Ihren Fotoalben zusammenstellen"),
        QStringLiteral("Bilder per eMail versenden"),
        QStringLiteral("Beliebig viele Fotoalben verwalten"),
        QStringLiteral("Bilder von der Kamera übernehmen"),
        QStringLiteral("Datensicherung Ihrer Fotoalben"),
        QStringLiteral("ASCII-Export und -Import"),
        QStringLiteral("Eigene Felder frei benennen"),
        QStringLiteral("Aus der Praxis für die Praxis"),
        QStringLiteral("Auf gehts...."),
        QStringLiteral("(Zum Fortfahren klick mich an)"),
    };
}

TAboutForm::TAboutForm(TComponent* AOwner) : TForm(AOwner)
{
    Name = QStringLiteral("AboutForm");
    SetCaption(QStringLiteral("Über QV-Lumadex"));
    SetBorderStyle(bsDialog);
    SetClientWidth(400);
    SetClientHeight(250);
    Position = poScreenCenter;
    KeyPreview = true;

    Panel1 = new TPanel(this);
    Panel1->Name = QStringLiteral("Panel1");
    Panel1->SetParent(this);
    Panel1->SetBounds(8, 8, 384, 190);
    Panel1->SetBevelOuter(bvLowered);
    Panel1->SetColor(clWhite);
    Panel1->SetCaption(QString());

    auto label = [this](const QString& name, const QString& text, int y, int groesse, bool fett) {
        auto* l = new TLabel(this);
        l->Name = name;
        l->SetParent(Panel1);
        l->SetParentFont(false);
        l->Font()->SetName(QStringLiteral("Arial"));
        l->Font()->SetSize(groesse);
        if (fett)
            l->Font()->SetStyle({fsBold});
        l->SetAutoSize(false);
        l->SetTransparent(true);
        l->SetAlignment(taCenter);
        l->SetBounds(8, y, 368, groesse * 2 + 6);
        l->SetCaption(text);
        l->OnClick = [this](TObject* s) { Schliessen(s); };
        return l;
    };
    ProductName = label(QStringLiteral("ProductName"), QStringLiteral("QV-Lumadex"), 16, 20, true);
    Version = label(QStringLiteral("Version"), QStringLiteral("Version 1.50"), 66, 10, false);
    RevisionsLabel = label(QStringLiteral("RevisionsLabel"), QString(), 94, 8, false);
    Copyright = label(QStringLiteral("Copyright"), QStringLiteral("Das Fotoarchiv für Ihre Bilder"), 120, 9, false);
    Panel1->OnClick = [this](TObject* s) { Schliessen(s); };

    Panel2 = new TPanel(this);
    Panel2->Name = QStringLiteral("Panel2");
    Panel2->SetParent(this);
    Panel2->SetBounds(8, 206, 384, 36);
    Panel2->SetBevelOuter(bvLowered);
    Panel2->SetCaption(QString());
    Panel2->OnClick = [this](TObject* s) { Schliessen(s); };

    QKScrollText1 = new TQKScrollText(this);
    QKScrollText1->Name = QStringLiteral("QKScrollText1");
    QKScrollText1->SetParent(Panel2);
    QKScrollText1->SetBounds(4, 4, 376, 28);
    QKScrollText1->SetParentFont(false);
    QKScrollText1->Font()->SetName(QStringLiteral("Arial"));
    QKScrollText1->Font()->SetSize(12);
    QKScrollText1->Font()->SetColor(clNavy);
    QKScrollText1->SetScrollHorizontal(true);
    QKScrollText1->OnStartText = [this](TObject* s) { QKScrollText1StartText(s); };
    QKScrollText1->OnClick = [this](TObject* s) { Schliessen(s); };

    Timer1 = new TTimer(this);
    Timer1->Name = QStringLiteral("Timer1");
    Timer1->SetInterval(6000);
    Timer1->OnTimer = [this](TObject* s) { Schliessen(s); };

    OnActivate = [this](TObject* s) { FormActivate(s); };
    OnShow = [this](TObject* s) { FormActivate(s); };
    OnKeyUp = [this](TObject* s, Word& key, TShiftState) {
        if (key == VK_ESCAPE || key == VK_RETURN)
            Schliessen(s);
    };
    Loaded();
    DoCreate();
}

void TAboutForm::FormActivate(TObject*)
{
    QKScrollText1->SetInterval(60);
    RevisionsLabel->SetCaption(QStringLiteral("Revision: 1.50.230 (31.05.2006)"));
    zeile_ = 0;
    QKScrollText1StartText(QKScrollText1);
}

void TAboutForm::QKScrollText1StartText(TObject*)
{
    const QStringList zeilen = Zeilen();
    if (zeile_ < zeilen.size()) {
        QKScrollText1->SetCaption(zeilen[zeile_]);
        ++zeile_;
    } else {
        // Past the last line: this pass keeps its text, the next starts at line 2.
        zeile_ = 1;
    }
}

void TAboutForm::Schliessen(TObject*)
{
    Timer1->SetEnabled(false);
    ModalResult = mrOk;
    if (!Modal())
        Hide();
}
