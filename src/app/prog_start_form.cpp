#include "app/prog_start_form.h"

#include "platform/core/file_utils.h"
#include "platform/core/win_path.h"
#include "platform/ui/buttons.h"
#include "platform/ui/ext_ctrls.h"
#include "platform/ui/std_ctrls.h"
#include "shared/general_system.h"

#include <QImageReader>

TProgStartForm::TProgStartForm(TComponent* AOwner) : TForm(AOwner)
{
    Name = QStringLiteral("ProgStartForm");
    SetCaption(QStringLiteral("Über QV-Lumadex"));
    SetHint(QStringLiteral("Zum Schließen einfach anklicken...."));
    SetBorderStyle(bsDialog);
    SetBorderIcons(TBorderIcons{});
    Position = poScreenCenter;
    SetClientWidth(420);
    SetClientHeight(250);

    Panel1 = new TPanel(this);
    Panel1->Name = QStringLiteral("Panel1");
    Panel1->SetParent(this);
    Panel1->SetAlign(alClient);
    Panel1->SetColor(clWhite);
    Panel1->SetCaption(QString());

    LabelTitel = new TLabel(this);
    LabelTitel->Name = QStringLiteral("LabelTitel");
    LabelTitel->SetParent(Panel1);
    LabelTitel->SetTransparent(true);
    TFont titel;
    titel.SetName(QStringLiteral("Times New Roman"));
    titel.SetSize(24);
    titel.SetStyle(TFontStyles{fsBold});
    titel.SetColor(clNavy);
    LabelTitel->SetFont(&titel);
    LabelTitel->SetAlignment(taCenter);
    LabelTitel->SetAutoSize(false);
    LabelTitel->SetBounds(10, 14, 400, 42);
    LabelTitel->SetCaption(QStringLiteral("QV-Lumadex v1.50"));

    LabelUntertitel = new TLabel(this);
    LabelUntertitel->Name = QStringLiteral("LabelUntertitel");
    LabelUntertitel->SetParent(Panel1);
    LabelUntertitel->SetTransparent(true);
    LabelUntertitel->SetAlignment(taCenter);
    LabelUntertitel->SetAutoSize(false);
    LabelUntertitel->SetBounds(10, 60, 400, 20);
    LabelUntertitel->SetCaption(QStringLiteral("Die umfangreiche Bilderdateienverwaltung "));

    Image1 = new TImage(this);
    Image1->Name = QStringLiteral("Image1");
    Image1->SetParent(Panel1);
    Image1->SetBounds(135, 88, 150, 112);
    Image1->SetCenter(true);
    Image1->SetProportional(true);
    // The logo is decoded at the size the box shows it (the JPEG decoder
    // scales while it decodes), so the start does not pay for pixels the
    // box would drop. A damaged logo leaves the place empty.
    const QString logo = ProgrammVerzeichnis() + QStringLiteral("Logo.jpg");
    if (FileExists(logo)) {
        QImageReader leser(WinToLinux(logo).value_or(logo));
        const QSize groesse = leser.size();
        if (groesse.width() > Image1->Width() || groesse.height() > Image1->Height())
            leser.setScaledSize(groesse.scaled(Image1->Width(), Image1->Height(), Qt::KeepAspectRatio));
        const QImage bild = leser.read();
        if (!bild.isNull()) {
            TBitmap bitmap;
            bitmap.SetImage(bild);
            Image1->Picture()->SetGraphic(&bitmap);
        }
    }

    LabelStatus = new TLabel(this);
    LabelStatus->Name = QStringLiteral("LabelStatus");
    LabelStatus->SetParent(Panel1);
    LabelStatus->SetTransparent(true);
    LabelStatus->SetAlignment(taCenter);
    LabelStatus->SetAutoSize(false);
    LabelStatus->SetBounds(10, 214, 400, 20);
    LabelStatus->SetCaption(QStringLiteral("Programm wird geladen..."));

    LabelRevision = new TLabel(this);
    LabelRevision->Name = QStringLiteral("LabelRevision");
    LabelRevision->SetParent(Panel1);
    LabelRevision->SetCaption(QStringLiteral("Revision"));
    LabelRevision->SetVisible(false);

    BitBtn1 = new TBitBtn(this);
    BitBtn1->Name = QStringLiteral("BitBtn1");
    BitBtn1->SetParent(Panel1);
    BitBtn1->SetKind(bkOK);
    BitBtn1->SetVisible(false);

    Timer1 = new TTimer(this);
    Timer1->Name = QStringLiteral("Timer1");
    Timer1->SetInterval(5000);
    Timer1->SetEnabled(false);
    Timer1->OnTimer = [this](TObject* s) { Timer1Timer(s); };
    OnActivate = [this](TObject* s) { FormActivate(s); };
    Loaded();
    DoCreate();
}

void TProgStartForm::FormActivate(TObject* Sender)
{
    (void)Sender;
    Application->ProcessMessages();
}

void TProgStartForm::Timer1Timer(TObject* Sender)
{
    (void)Sender;
    Close();
}
