#include "dialogs/floating_preview.h"

#include "platform/core/win_path.h"
#include "platform/ui/ext_ctrls.h"
#include "platform/ui/std_ctrls.h"
#include "shared/qk_ini.h"

#include <QImageReader>

TFormSchwebeneVorschau::TFormSchwebeneVorschau(TComponent* AOwner, TVorschauHauptfenster& hauptfenster)
    : TForm(AOwner), haupt_(hauptfenster)
{
    Name = QStringLiteral("FormSchwebeneVorschau");
    SetCaption(QStringLiteral("Vorschaubild"));
    SetBorderStyle(bsSizeToolWin);
    SetFormStyle(fsStayOnTop);
    SetClientWidth(220);
    SetClientHeight(230);

    Notebook1 = new TNotebook(this);
    Notebook1->Name = QStringLiteral("Notebook1");
    Notebook1->SetParent(this);
    Notebook1->SetAlign(alClient);
    TPage* vorschau = Notebook1->AddPage(QStringLiteral("Vorschau"));
    TPage* info = Notebook1->AddPage(QStringLiteral("Info"));

    ImageWindow2 = new TImage(this);
    ImageWindow2->Name = QStringLiteral("ImageWindow2");
    ImageWindow2->SetParent(vorschau);
    ImageWindow2->SetBounds(4, 4, 212, 190);
    ImageWindow2->SetAnchors({akLeft, akTop, akRight, akBottom});
    // Best fit: the whole picture in proportion, centred.
    ImageWindow2->SetStretch(true);
    ImageWindow2->SetProportional(true);
    ImageWindow2->SetCenter(true);
    ImageWindow2->OnDblClick = [this](TObject*) { haupt_.VollbildAnzeige(); };

    struct {
        TButton*& knopf;
        const char* text;
        int grad;
    } knoepfe[] = {{Button0, "0°", 0}, {Button90, "90°", 90}, {Button180, "180°", 180}, {Button270, "270°", 270}};
    int x = 4;
    for (auto& k : knoepfe) {
        k.knopf = new TButton(this);
        k.knopf->Name = QStringLiteral("Button%1").arg(k.grad);
        k.knopf->SetParent(vorschau);
        k.knopf->SetCaption(QString::fromUtf8(k.text));
        k.knopf->SetBounds(x, 200, 50, 24);
        k.knopf->SetAnchors({akLeft, akBottom});
        const int grad = k.grad;
        k.knopf->OnClick = [this, grad](TObject*) { haupt_.BildDrehen(grad); };
        x += 54;
    }

    auto label = [this, info](const QString& name, const QString& text, int y) {
        auto* l = new TLabel(this);
        l->Name = name;
        l->SetParent(info);
        l->SetCaption(text);
        l->SetLeft(8);
        l->SetTop(y);
        l->OnDblClick = [this](TObject* s) { NaechsteSeite(s); };
        return l;
    };
    label(QString(), QStringLiteral("Dateiname:"), 8);
    LabelDateiname = label(QStringLiteral("LabelDateiname"), QString(), 26);
    label(QString(), QStringLiteral("Pfad:"), 56);
    LabelPfad = label(QStringLiteral("LabelPfad"), QString(), 74);
    LabelPfad->SetAutoSize(false);
    LabelPfad->SetWordWrap(true);
    LabelPfad->SetBounds(8, 74, 204, 140);
    vorschau->OnDblClick = [this](TObject* s) { NaechsteSeite(s); };
    info->OnDblClick = [this](TObject* s) { NaechsteSeite(s); };
    OnDblClick = [this](TObject* s) { NaechsteSeite(s); };
    Notebook1->SetPageIndex(0);

    QKINI_Vorschau = new TQKINI(this);
    QKINI_Vorschau->Name = QStringLiteral("QKINI_Vorschau");
    QKINI_Vorschau->SetCaption(QString());
    QKINI_Vorschau->SaveWinPos = swpSizePosition;
    OnCreate = [this](TObject*) {
        QKINI_Vorschau->SetINIFileName(haupt_.IniDatei());
        QKINI_Vorschau->ReadINI();
    };
    OnClose = [this](TObject*, TCloseAction& a) {
        QKINI_Vorschau->WriteINI();
        a = caHide;
    };
    Loaded();
    DoCreate();
}

void TFormSchwebeneVorschau::NaechsteSeite(TObject*)
{
    Notebook1->SetPageIndex((Notebook1->PageIndex() + 1) % Notebook1->PageCount());
}

bool TFormSchwebeneVorschau::BildZeigen(const QString& datei)
{
    LabelDateiname->SetCaption(ExtractFileName(datei));
    LabelPfad->SetCaption(ExtractFilePath(datei));
    QImage bild;
    if (const std::optional<QString> pfad = WinToLinux(datei)) {
        QImageReader leser(*pfad);
        // A thumbnail: decoded scaled where the format allows.
        const QSize groesse = leser.size();
        if (groesse.isValid() && (groesse.width() > 1024 || groesse.height() > 1024))
            leser.setScaledSize(groesse.scaled(1024, 1024, Qt::KeepAspectRatio));
        bild = leser.read();
    }
    TBitmap b;
    b.SetImage(bild);
    ImageWindow2->Picture()->SetGraphic(&b);
    return !bild.isNull();
}
