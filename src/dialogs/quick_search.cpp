#include "dialogs/quick_search.h"

#include "datacontrols/dk_locate_dialog.h"
#include "dialogs/form_parts.h"
#include "shared/general_texts.h"
#include "shared/qk_animate.h"
#include "storage/dbf_routines.h"
#include "storage/tdbe.h"
#include "storage/tdbe_env.h"
#include "platform/ui/buttons.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/ext_ctrls.h"
#include "platform/ui/std_ctrls.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QPainter>

QString& SuchTabellenName()
{
    static QString name;
    return name;
}

QString& SuchFeldName()
{
    static QString name;
    return name;
}

QString& LetzterGefundenerSuchText()
{
    static QString text;
    return text;
}

namespace {

constexpr int kGefundenLaenge = 30;
const QString kAlbumTabelle = QStringLiteral("TABLEBILDER");

// Five frames of a magnifying glass swinging over a page, side by side.
void LupenBilder(TBitmap* bitmap)
{
    QPixmap strip(5 * 32, 32);
    strip.fill(Qt::transparent);
    QPainter p(&strip);
    p.setRenderHint(QPainter::Antialiasing);
    for (int i = 0; i < 5; ++i) {
        const int x0 = i * 32;
        p.setPen(QPen(Qt::gray, 1));
        p.setBrush(Qt::white);
        p.drawRect(x0 + 4, 3, 20, 26);
        for (int line = 0; line < 5; ++line)
            p.drawLine(x0 + 7, 8 + line * 4, x0 + 21, 8 + line * 4);
        const int dx = (i < 3 ? i : 4 - i) * 4;
        p.setPen(QPen(QColor(90, 60, 20), 3));
        p.drawLine(x0 + 14 + dx, 17, x0 + 20 + dx, 27);
        p.setPen(QPen(Qt::darkBlue, 2));
        p.setBrush(QColor(180, 220, 255, 160));
        p.drawEllipse(QPointF(x0 + 11 + dx, 13), 6, 6);
    }
    p.end();
    bitmap->SetImage(strip.toImage());
}

}  // namespace

TSuchenForm3::TSuchenForm3(TComponent* AOwner, TSchnellsucheHauptfenster& haupt) : TForm(AOwner), haupt_(haupt)
{
    Name = QStringLiteral("SuchenForm3");
    SetCaption(QStringLiteral("Schnelle Suche Dialog"));
    SetBorderStyle(bsDialog);
    Position = poScreenCenter;
    SetClientWidth(330);
    SetClientHeight(176);

    Label1 = DialogText(this, this, QStringLiteral("Label1"), QStringLiteral("Zur Suche andere Sortierung auswählen !"),
                        10, 8);
    Label1->Font()->SetColor(clRed);

    Panel50 = new TPanel(this);
    Panel50->Name = QStringLiteral("Panel50");
    Panel50->SetParent(this);
    Panel50->SetCaption(QString());
    Panel50->SetBounds(10, 30, 250, 64);
    Label2 = DialogText(this, Panel50, QStringLiteral("Label2"), QStringLiteral("Geben Sie einen Suchbegriff ein !"), 8, 8);
    Edit2 = new TEdit(this);
    Edit2->Name = QStringLiteral("Edit2");
    Edit2->SetParent(Panel50);
    Edit2->SetBounds(8, 30, 234, 24);
    Edit2->SetCharCase(ecLowerCase);
    Edit2->SetColor(clYellow);
    Edit2->Font()->SetStyle(TFontStyles{fsBold});

    QKAnimate1 = new TQKAnimate(this);
    QKAnimate1->Name = QStringLiteral("QKAnimate1");
    QKAnimate1->SetParent(this);
    QKAnimate1->SetCols(5);
    QKAnimate1->SetRows(1);
    QKAnimate1->SetStretch(true);
    QKAnimate1->SetBounds(270, 38, 48, 48);
    LupenBilder(QKAnimate1->Picture());

    CheckBoxSchrittweiseSuchen = new TCheckBox(this);
    CheckBoxSchrittweiseSuchen->Name = QStringLiteral("CheckBoxSchrittweiseSuchen");
    CheckBoxSchrittweiseSuchen->SetParent(this);
    CheckBoxSchrittweiseSuchen->SetCaption(QStringLiteral("Schrittweise suchen"));
    CheckBoxSchrittweiseSuchen->SetBounds(10, 104, 200, 20);

    BitBtnClose = DialogKnopf(this, this, QStringLiteral("BitBtnClose"), bkOK, QString(), Bounds(120, 136, 90, 30));
    BitBtnClose->SetDefault(true);

    dkLocateDialog1 = new TdkLocateDialog(this);
    dkLocateDialog1->Name = QStringLiteral("dkLocateDialog1");
    dkLocateDialog1->MatchType = mtPartialMatchStart;
    dkLocateDialog1->CaseSensitive = false;
    dkLocateDialog1->FieldSelection = fsAllFields;
    dkLocateDialog1->SortFields = fsSortByFieldName;
    dkLocateDialog1->ShowMessages = true;
    dkLocateDialog1->DefaultButton = dbFindNext;

    OnActivate = [this](TObject*) { FormActivate(); };
    OnShow = [this](TObject*) { FormActivate(); };
    OnClose = [this](TObject*, TCloseAction&) { FormClose(); };
    Edit2->OnChange = [this](TObject*) { Edit2Change(); };
    Edit2->OnKeyPress = [this](TObject*, QChar& key) { Edit2KeyPress(key); };
    // The button's own modal result would close the dialog before its
    // search; the click searches and closes it itself.
    BitBtnClose->ModalResult = mrNone;
    BitBtnClose->OnClick = [this](TObject*) { BitBtnCloseClick(); };
    CheckBoxSchrittweiseSuchen->OnClick = [this](TObject*) { CheckBoxSchrittweiseSuchenMouseDown(); };
    Loaded();
    DoCreate();
}

bool TSuchenForm3::HatIndex() const
{
    // The engine names the key fields of its tags in upper case; the main
    // window passes field names as the controls spell them.
    return haupt_.SuchAlbum() && IndexVorhanden(haupt_.SuchAlbum(), SuchFeldName().toUpper(), false);
}

bool TSuchenForm3::Durchsuchbar() const
{
    return SuchTabellenName() == kAlbumTabelle && haupt_.SuchAlbum() && haupt_.SuchAlbum()->DataSet() &&
           haupt_.SuchAlbum()->DataSet()->Active();
}

void TSuchenForm3::FormActivate()
{
    QKAnimate1->SetInterval(200);
    if (Visible() && Panel50->Visible() && Edit2->CanFocus())
        Edit2->SetFocus();
}

void TSuchenForm3::FormClose() { QKAnimate1->SetInterval(0); }

void TSuchenForm3::Edit2Change()
{
    if (seeking_)
        return;
    Edit2->SetSelStart(Edit2->Text().size());
    if (!CheckBoxSchrittweiseSuchen->Checked())
        return;
    Application->ProcessMessages();
    const QString text = Edit2->Text();
    if (!text.isEmpty() && text != LetzterGefundenerSuchText() && Durchsuchbar())
        SucheSatzPerSeek();
    Application->ProcessMessages();
    Edit2->SetSelStart(Edit2->Text().size());
}

void TSuchenForm3::Edit2KeyPress(QChar& Key)
{
    Application->ProcessMessages();
    if (Key == QChar(13) || Key == QChar(27)) {
        Edit2->Clear();
        BitBtnCloseClick();
    }
}

void TSuchenForm3::BitBtnCloseClick()
{
    QKAnimate1->SetInterval(0);
    if (!CheckBoxSchrittweiseSuchen->Checked() && !Edit2->Text().isEmpty() && Durchsuchbar()) {
        TDataSet* ds = haupt_.SuchAlbum()->DataSet();
        TControlsDisabler still(ds);
        if (HatIndex()) {
            if (TDbeEnv* env = haupt_.SuchUmgebung())
                env->SetSoftSeek(true);
            SucheSatzPerSeek();
        } else {
            SucheSatzPerLocate();
        }
    }
    ModalResult = 3;
}

bool TSuchenForm3::SucheSatzPerSeek()
{
    TDbe* dbe = haupt_.SuchAlbum();
    const QString feld = SuchFeldName();
    dbe->SetOrder(dbe->TagArea(feld));
    const bool datum = dbe->FieldType(feld) == QLatin1String("D");
    auto schluessel = [&](QString text) {
        if (datum) {
            text = DatumInJJJJMMTT(text);
            seeking_ = true;
            Edit2->SetText(text);
            seeking_ = false;
        }
        // Not padded to the field's width: a padded key would only ever
        // find whole values.
        return text;
    };
    // The album is opened with exact key comparison, under which a seek
    // finds whole keys only; the typed text is a beginning, so the seek
    // compares its length only.
    TDbeEnv* env = haupt_.SuchUmgebung();
    const bool exakt = env && env->Exact();
    if (exakt)
        env->SetExact(false);
    bool gefunden = dbe->Seek(schluessel(Edit2->Text()));
    if (gefunden) {
        LetzterGefundenerSuchText() = Edit2->Text().left(kGefundenLaenge);
    } else {
        seeking_ = true;
        Edit2->SetText(LetzterGefundenerSuchText());
        seeking_ = false;
        if (!LetzterGefundenerSuchText().isEmpty())
            dbe->Seek(LetzterGefundenerSuchText());
    }
    if (exakt)
        env->SetExact(true);
    return gefunden;
}

void TSuchenForm3::SucheSatzPerLocate()
{
    QElapsedTimer uhr;
    uhr.start();
    dkLocateDialog1->SetDataSource(haupt_.SuchAlbum()->DataSource());
    dkLocateDialog1->SearchField = SuchFeldName();
    dkLocateDialog1->FieldValue = Edit2->Text();
    dkLocateDialog1->FindValue();
    ShowMessage(QStringLiteral("Suchzeit = ") + QString::number(uhr.elapsed() / 1000) + QStringLiteral(" Sek."));
}

void TSuchenForm3::CheckBoxSchrittweiseSuchenMouseDown()
{
    if (CheckBoxSchrittweiseSuchen->Checked() && !HatIndex()) {
        ShowMessage(QStringLiteral("Feld ist nicht indiziert, schrittweises suchen nicht möglich"));
        CheckBoxSchrittweiseSuchen->SetChecked(false);
    }
    if (Edit2->CanFocus())
        Edit2->SetFocus();
    Edit2->SetSelStart(Edit2->Text().size());
}
