#include "dialogs/tips_dialog.h"

#include "dialogs/form_parts.h"
#include "platform/ui/buttons.h"
#include "platform/ui/ext_ctrls.h"
#include "platform/ui/std_ctrls.h"
#include "shared/qk_ini.h"

#include <random>

namespace {

// Seeded once per run.
std::mt19937& Zufall()
{
    static std::mt19937 generator{std::random_device{}()};
    return generator;
}

}  // namespace

QString TipText(int id)
{
    static const char* const kTips[] = {
        "Daß man mit der Bilderverwaltung Listen mit Vorschaubilder ausdrucken kann...?",
        "Daß man QV-Lumadex via Internet-Update immer auf dem laufenden halten kann...?",
        "Daß die Bilderverwaltung in QV-Lumadex die Vorschaubilder in der Datenbank  speichern kann...?",
        "Daß man eine Bilder-Slideshow starten kann..?",
        "Daß QV-Lumadex fast unendlich viele Bilderdatenbanken verwalten kann..?",
        "Daß in QV-Lumadex leistungsfähige Such- und Filterfunktionen zum Einsatz kommen....?",
        "Daß Sie mit QV-Lumadex Artikelkataloge auf CDR unter IHREM Logo weitergeben können...?",
        "Daß wir uns über Ihre Meinung zu  diesem Programm sehr freuen ....?",
        "Daß  QV-Lumadex über eine Volltext-Filterung verfügt....?",
        "Daß QV-Lumadex aus der Praxis kommt und für Praktiker entwickelt wurde....?",
    };
    return id >= 1 && id <= 10 ? QString::fromUtf8(kTips[id - 1]) : QString();
}

TTipsDialog::TTipsDialog(TComponent* AOwner) : TForm(AOwner)
{
    Name = QStringLiteral("TipsDialog");
    SetCaption(QStringLiteral("Tips und Tricks"));
    SetBorderStyle(bsDialog);
    SetClientWidth(420);
    SetClientHeight(230);
    Position = poScreenCenter;

    Panel1 = new TPanel(this);
    Panel1->SetParent(this);
    Panel1->SetBounds(8, 8, 300, 176);
    Panel1->SetBevelOuter(bvLowered);
    Panel1->SetColor(clWhite);
    Panel1->SetCaption(QString());

    Ueberschrift = new TLabel(this);
    Ueberschrift->SetParent(Panel1);
    Ueberschrift->SetParentFont(false);
    Ueberschrift->Font()->SetSize(12);
    Ueberschrift->Font()->SetStyle({fsBold});
    Ueberschrift->SetCaption(QStringLiteral("Wußten Sie schon?"));
    Ueberschrift->SetBounds(14, 12, 270, 24);
    Ueberschrift->SetTransparent(true);

    TipLabel = new TLabel(this);
    TipLabel->Name = QStringLiteral("TipLabel");
    TipLabel->SetParent(Panel1);
    TipLabel->SetAutoSize(false);
    TipLabel->SetWordWrap(true);
    TipLabel->SetBounds(14, 48, 272, 116);
    TipLabel->SetTransparent(true);

    auto knopf = [this](const QString& name, TBitBtnKind art, const QString& text, int y) {
        return DialogKnopf(this, this, name, art, text, Bounds(318, y, 94, 28));
    };
    OKBtn = knopf(QStringLiteral("OKBtn"), bkOK, QString(), 8);
    HelpBtn = knopf(QStringLiteral("HelpBtn"), bkHelp, QStringLiteral("&Hilfe"), 42);
    BitBtn1 = knopf(QStringLiteral("BitBtn1"), bkCustom, QStringLiteral("&mehr Tips"), 76);
    HelpBtn->OnClick = [this](TObject*) { Application->HelpContext(HilfeKontext); };
    BitBtn1->OnClick = [this](TObject*) { NaechsterTip(); };

    TipsZeigenCheckBox = new TCheckBox(this);
    TipsZeigenCheckBox->Name = QStringLiteral("TipsZeigenCheckBox");
    TipsZeigenCheckBox->SetParent(this);
    TipsZeigenCheckBox->SetCaption(QStringLiteral("&Weitere Tips beim nächsten Start zeigen?"));
    TipsZeigenCheckBox->SetBounds(8, 196, 400, 22);

    OnShow = [this](TObject*) { NaechsterTip(); };
    Loaded();
    DoCreate();
}

void TTipsDialog::NaechsterTip()
{
    const int n = std::max<int>(Anzahl, 1);
    const int id = ErsteId + int(std::uniform_int_distribution<int>(0, n - 1)(Zufall()));
    TipLabel->SetCaption(TipText(id));
}

void ShowTips(uint16_t ersteId, uint16_t anzahl, const QString& iniDatei, int hilfeKontext, bool beimStart)
{
    TTipsDialog dialog(nullptr);
    dialog.HilfeKontext = hilfeKontext;
    TQKINI ini(nullptr);
    ini.SetINIFileName(iniDatei);
    const QString sektion = QStringLiteral("TipsDialog"), schluessel = QStringLiteral("DialogZeigen");
    dialog.TipsZeigenCheckBox->SetChecked(ini.INIReadBool(sektion, schluessel, true));
    dialog.ErsteId = ersteId;
    dialog.Anzahl = anzahl;
    if (!beimStart || dialog.TipsZeigenCheckBox->Checked())
        dialog.ShowModal();
    ini.INIWriteBool(sektion, schluessel, dialog.TipsZeigenCheckBox->Checked());
}
