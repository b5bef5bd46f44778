#include "dialogs/search_missed_files_form.h"

#include "platform/core/file_utils.h"
#include "platform/ui/buttons.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/std_ctrls.h"
#include "shared/qk_ini.h"

bool LaufwerkVorauswahl = false;
QChar LaufwerkVorauswahlBuchstabe = QLatin1Char('C');

namespace {

const QString kSektion = QStringLiteral("Einstellungen MedienAuswahl");
const QString kWurzel = QStringLiteral("<root>");

QChar Buchstabe(int i) { return QChar(u'C' + i); }

}  // namespace

TSearchMissedFilesForm::TSearchMissedFilesForm(TComponent* AOwner, const QString& iniDatei) : TForm(AOwner)
{
    Name = QStringLiteral("SearchMissedFilesForm");
    SetCaption(QStringLiteral("Bilderdateien suchen"));
    SetBorderStyle(bsDialog);
    Position = poScreenCenter;
    SetClientWidth(560);
    SetClientHeight(420);

    GroupBox1 = new TGroupBox(this);
    GroupBox1->Name = QStringLiteral("GroupBox1");
    GroupBox1->SetParent(this);
    GroupBox1->SetCaption(QStringLiteral("Laufwerke markieren, in denen die Bilderdateien gesucht werden sollen"));
    GroupBox1->SetBounds(8, 8, 544, 360);
    Label1 = new TLabel(this);
    Label1->Name = QStringLiteral("Label1");
    Label1->SetParent(GroupBox1);
    Label1->SetCaption(QStringLiteral("Pfad ab dem gesucht werden soll"));
    Label1->SetBounds(56, 22, 200, 16);
    Label2 = new TLabel(this);
    Label2->Name = QStringLiteral("Label2");
    Label2->SetParent(GroupBox1);
    Label2->SetCaption(QStringLiteral("Pfad ab dem gesucht werden soll"));
    Label2->SetBounds(328, 22, 200, 16);

    // Two columns of twelve drives.
    for (int i = 0; i < kLaufwerke; ++i) {
        const QChar l = Buchstabe(i);
        const int x = i < 12 ? 12 : 284;
        const int y = 42 + (i % 12) * 26;
        auto* box = new TCheckBox(this);
        box->Name = QStringLiteral("CheckBox") + l;
        box->SetParent(GroupBox1);
        box->SetCaption(QString(l));
        box->SetBounds(x, y + 2, 40, 20);
        auto* edit = new TEdit(this);
        edit->Name = QStringLiteral("EditPfad") + l;
        edit->SetParent(GroupBox1);
        edit->SetText(kWurzel);
        edit->SetBounds(x + 44, y, 186, 22);
        auto* button = new TSpeedButton(this);
        button->Name = QStringLiteral("SpeedButton") + l;
        button->SetParent(GroupBox1);
        button->SetCaption(QStringLiteral("..."));
        button->SetHint(QStringLiteral("Öffnet einen Verzeichnisauswahldialog..."));
        button->SetShowHint(true);
        button->SetBounds(x + 232, y, 22, 22);
        button->OnClick = [this](TObject* s) { SpeedButtonCClick(s); };
        CheckBoxen[size_t(i)] = box;
        EditPfade[size_t(i)] = edit;
        SpeedButtons[size_t(i)] = button;
    }

    const auto knopf = [this](const char* name, const QString& caption, TBitBtnKind kind, int x) {
        auto* b = new TBitBtn(this);
        b->Name = QString::fromLatin1(name);
        b->SetParent(this);
        b->SetKind(kind);
        b->SetCaption(caption);
        b->SetBounds(x, 380, 120, 30);
        return b;
    };
    BitBtnAlleReseten = knopf("BitBtnAlleReseten", QStringLiteral("Reset"), bkCustom, 8);
    BitBtnAlleAnkreuzen = knopf("BitBtnAlleAnkreuzen", QStringLiteral("Alle ankreuzen"), bkCustom, 136);
    BitBtn1 = knopf("BitBtn1", QStringLiteral("OK"), bkOK, 304);
    BitBtn2 = knopf("BitBtn2", QStringLiteral("Abbrechen"), bkCancel, 432);
    BitBtnAlleReseten->OnClick = [this](TObject* s) { BitBtnAlleResetenClick(s); };
    BitBtnAlleAnkreuzen->OnClick = [this](TObject* s) { BitBtnAlleAnkreuzenClick(s); };
    BitBtn1->OnClick = [this](TObject* s) { BitBtn1Click(s); };

    QKINI1 = new TQKINI(this);
    QKINI1->Name = QStringLiteral("QKINI1");
    QKINI1->SetINIFileName(iniDatei);
    QKINI1->OnReadINI = [this](TObject* s) { QKINI1ReadINI(s); };
    QKINI1->OnWriteINI = [this](TObject* s) { QKINI1WriteINI(s); };

    OnShow = [this](TObject* s) { FormShow(s); };
    OnCreate = [this](TObject* s) { FormCreate(s); };
    Loaded();
    DoCreate();
}

TSearchMissedFilesForm::~TSearchMissedFilesForm()
{
    BeginDestroy();
    QKINI1->WriteINI();
}

TCheckBox* TSearchMissedFilesForm::CheckBox(QChar letter) const
{
    const int i = letter.toUpper().unicode() - u'C';
    return i >= 0 && i < kLaufwerke ? CheckBoxen[size_t(i)] : nullptr;
}

TEdit* TSearchMissedFilesForm::EditPfad(QChar letter) const
{
    const int i = letter.toUpper().unicode() - u'C';
    return i >= 0 && i < kLaufwerke ? EditPfade[size_t(i)] : nullptr;
}

void TSearchMissedFilesForm::FormCreate(TObject* Sender)
{
    (void)Sender;
    QKINI1->ReadINI();
    StartPfade.Clear();
}

void TSearchMissedFilesForm::FormShow(TObject* Sender)
{
    (void)Sender;
    if (LaufwerkVorauswahl) {
        if (TCheckBox* box = CheckBox(LaufwerkVorauswahlBuchstabe))
            box->SetChecked(true);
        LaufwerkVorauswahl = false;
    }
}

void TSearchMissedFilesForm::QKINI1ReadINI(TObject* Sender)
{
    (void)Sender;
    for (int i = 0; i < kLaufwerke; ++i) {
        const QString l(Buchstabe(i));
        EditPfade[size_t(i)]->SetText(QKINI1->INIReadString(kSektion, QStringLiteral("Pfad_") + l, kWurzel));
        CheckBoxen[size_t(i)]->SetChecked(QKINI1->INIReadBool(kSektion, QStringLiteral("Laufwerk_") + l, false));
        Application->ProcessMessages();
    }
}

void TSearchMissedFilesForm::QKINI1WriteINI(TObject* Sender)
{
    (void)Sender;
    for (int i = 0; i < kLaufwerke; ++i) {
        const QString l(Buchstabe(i));
        QKINI1->INIWriteString(kSektion, QStringLiteral("Pfad_") + l, EditPfade[size_t(i)]->Text());
        QKINI1->INIWriteBool(kSektion, QStringLiteral("Laufwerk_") + l, CheckBoxen[size_t(i)]->Checked());
    }
}

void TSearchMissedFilesForm::BitBtnAlleResetenClick(TObject* Sender)
{
    (void)Sender;
    for (int i = 0; i < kLaufwerke; ++i) {
        EditPfade[size_t(i)]->SetText(kWurzel);
        CheckBoxen[size_t(i)]->SetChecked(false);
        Application->ProcessMessages();
    }
}

void TSearchMissedFilesForm::BitBtnAlleAnkreuzenClick(TObject* Sender)
{
    (void)Sender;
    for (TCheckBox* box : CheckBoxen) {
        box->SetChecked(true);
        Application->ProcessMessages();
    }
}

void TSearchMissedFilesForm::SpeedButtonCClick(TObject* Sender)
{
    if (auto* c = dynamic_cast<TComponent*>(Sender))
        gemerkterButton_ = c->Name;
    PfadEintragen();
}

void TSearchMissedFilesForm::PfadEintragen()
{
    if (gemerkterButton_.isEmpty())
        return;
    const QChar l = gemerkterButton_.back();
    TEdit* edit = EditPfad(l);
    if (!edit)
        return;
    Label1->SetCaption(QStringLiteral("Zielpfad angeben !"));
    const QString wurzel = QString(l) + QStringLiteral(":\\");
    QString ordner = wurzel;
    const QString text = edit->Text();
    const QString ohneLetztes = QString(l) + QLatin1Char(':') + text.left(text.length() - 1);
    if (!text.isEmpty() && !text.startsWith(QLatin1Char('<')) && DirectoryExists(ohneLetztes))
        ordner = ohneLetztes;
    Screen->SetCursor(crDefault);
    if (!SelectDirectory(QStringLiteral("Zielpfad angeben !"), wurzel, ordner))
        return;
    QString pfad = ordner.mid(2);
    if (!pfad.endsWith(QLatin1Char('\\')))
        pfad += QLatin1Char('\\');
    if (!pfad.startsWith(QLatin1Char('\\')))
        pfad.prepend(QLatin1Char('\\'));
    edit->SetText(pfad);
}

void TSearchMissedFilesForm::BitBtn1Click(TObject* Sender)
{
    (void)Sender;
    StartPfade.Clear();
    for (int i = 0; i < kLaufwerke; ++i) {
        Application->ProcessMessages();
        if (!CheckBoxen[size_t(i)]->Checked())
            continue;
        const QString text = EditPfade[size_t(i)]->Text();
        const QString l(Buchstabe(i));
        if (!text.isEmpty() && !text.startsWith(QLatin1Char('<')))
            StartPfade.Add(l + QLatin1Char(':') + text);
        else
            StartPfade.Add(l + QStringLiteral(":\\"));
    }
    ModalResult = mrOk;
}
