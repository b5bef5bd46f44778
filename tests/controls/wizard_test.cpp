// The wizard on a form laid out like the CD-R form: two wizard pages, one
// group box on each, a status box shown on no page; page switches, history,
// the bar layout, the dialog page and its form size, the way list and jump
// radio buttons, and the containers' position records.

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

#include <optional>
#include <gtest/gtest.h>

#include "controls/wizard.h"
#include "controls/wizard_containers.h"
#include "controls/wizard_streaming.h"
#include "platform/stream/component_reader.h"
#include "platform/stream/component_writer.h"
#include "platform/ui/prompt_script.h"
#include "platform/ui/test_input.h"

namespace {

void SetRecords(TAposList* list, std::initializer_list<TApos> records)
{
    list->Clear();
    for (const TApos& a : records)
        list->Add(a);
}

class CdrLikeForm : public TForm {
public:
    explicit CdrLikeForm(int numPages = 2) : TForm(nullptr)
    {
        Name = "CdrLikeForm";
        SetBounds(200, 150, 520, 420);
        Wizard = new TAssistent(this);
        Wizard->Name = "Assistent1";
        Wizard->SetParent(this);
        Wizard->SetCaptionWizard("Seite %d von %d");
        Wizard->SetCaptionDialog("CDR - zusammenstellen");
        Wizard->BtnHelp()->SetText("&Hilfe");
        Wizard->BtnFinish()->SetText("&Start");
        Wizard->BtnCancel()->SetText("&Abbrechen");
        Wizard->BtnNext()->SetText("&Weiter");
        Wizard->BtnBack()->SetText("&Zurück");
        Wizard->BtnDialogOK()->SetText("&OK");
        for (TButtonData* d : {Wizard->BtnHelp(), Wizard->BtnFinish(), Wizard->BtnCancel(), Wizard->BtnNext(),
                               Wizard->BtnBack(), Wizard->BtnDialogOK(), Wizard->BtnChangeDialog(),
                               Wizard->BtnChangeWizard(), Wizard->BtnWizardOK()})
            d->SetEnabled(true);
        for (TButtonData* d : {Wizard->BtnHelp(), Wizard->BtnFinish(), Wizard->BtnCancel(), Wizard->BtnNext(),
                               Wizard->BtnBack(), Wizard->BtnDialogOK()})
            d->SetShow(true);
        Wizard->SetNumPages(numPages);
        Wizard->SetStartPage(2);

        Box1 = new TAGroupBox(this);
        Box1->Name = "AGroupBox1";
        Box1->SetParent(Wizard);
        Box1->SetCaption("Was kopieren");
        Box1->SetBounds(0, 0, 500, 300);
        Box2 = new TAGroupBox(this);
        Box2->Name = "AGroupBox2";
        Box2->SetParent(Wizard);
        Box2->SetCaption("Wohin kopieren");
        Box2->SetBounds(0, 0, 500, 300);
        Status = new TABox(this);
        Status->Name = "StatusBox";
        Status->SetParent(Wizard);
        Status->SetAAlign(alBottom);
        SetRecords(Box1->ShowContainer(), {{0, 0, 0}, {0, 0, 1}, {0, 0, 0}});
        SetRecords(Box2->ShowContainer(), {{0, 0, 0}, {0, 0, 0}, {0, 0, 1}});
        SetRecords(Status->ShowContainer(), {{0, 0, 0}, {0, 356, 0}, {0, 356, 0}});
        Edit = new TEdit(this);
        Edit->SetParent(Box1);
        Edit->SetBounds(10, 20, 200, 21);
        Loaded();
        Wizard->SetPage(1);
    }

    TAssistent* Wizard;
    TAGroupBox* Box1;
    TAGroupBox* Box2;
    TABox* Status;
    TEdit* Edit;
};

QString ShotDir()
{
    QString dir = QCoreApplication::applicationDirPath() + "/screenshots";
    QDir().mkpath(dir);
    return dir;
}

}  // namespace

TEST(Wizard, CdrLayoutShowsOneBoxPerPageAndTheCaption)
{
    CdrLikeForm f;
    EXPECT_EQ(f.Wizard->Page(), 1);
    EXPECT_EQ(f.Caption(), "Seite 1 von 2");
    EXPECT_TRUE(f.Box1->Visible());
    EXPECT_TRUE(f.Box1->Enabled());
    EXPECT_FALSE(f.Box2->Visible());
    EXPECT_FALSE(f.Box2->Enabled());
    EXPECT_EQ(f.Box2->Left(), kParkLeft);
    EXPECT_FALSE(f.Status->Visible());
    EXPECT_EQ(f.Status->Align(), alNone);
    // Page 1 of 2: Next shows "&Weiter" and is the default; Back is off.
    EXPECT_EQ(f.Wizard->NextButton()->Caption(), "&Weiter");
    EXPECT_TRUE(f.Wizard->NextButton()->Default());
    EXPECT_FALSE(f.Wizard->BackButton()->Enabled());
    EXPECT_EQ(f.Wizard->OKButton()->Left(), kParkLeft);  // BtnWizardOK hidden
    EXPECT_EQ(f.Wizard->ChangeButton()->Left(), kParkLeft);  // the mode switch hidden

    f.Wizard->NextClick();
    EXPECT_EQ(f.Wizard->Page(), 2);
    EXPECT_EQ(f.Caption(), "Seite 2 von 2");
    EXPECT_FALSE(f.Box1->Visible());
    EXPECT_TRUE(f.Box2->Visible());
    EXPECT_EQ(f.Box2->Left(), 0);
    // The last page: Next carries the Finish text and is the default.
    EXPECT_EQ(f.Wizard->NextButton()->Caption(), "&Start");
    EXPECT_TRUE(f.Wizard->NextButton()->Enabled());
    EXPECT_TRUE(f.Wizard->NextButton()->Default());
    EXPECT_TRUE(f.Wizard->BackButton()->Enabled());
    EXPECT_EQ(f.Wizard->History()->Values(), std::vector<int32_t>{1});

    f.Show();
    QImage shot = f.Handle()->grab().toImage();
    EXPECT_TRUE(shot.save(ShotDir() + "/wizard_cdr_page2.png"));
}

TEST(Wizard, BarButtonsLeftAndRightGroups)
{
    CdrLikeForm f;
    TAssistent* w = f.Wizard;
    const int top = w->Height() - w->ChangeButton()->Height() - 3;
    // Left group: code 1 (hidden mode switch), code 2 help at x 4.
    EXPECT_EQ(w->HelpButton()->Left(), 4);
    EXPECT_EQ(w->HelpButton()->Top(), top);
    // Right group from the right: 6 (OK hidden), 5 next, 4 back, 3 cancel.
    const int right = w->Width() - w->ButtonWidth() - 4;
    EXPECT_EQ(w->NextButton()->Left(), right);
    EXPECT_EQ(w->BackButton()->Left(), right - (w->ButtonWidth() + 4));
    EXPECT_EQ(w->CancelButton()->Left(), right - 2 * (w->ButtonWidth() + 4));
    // The bar buttons follow the page's controls in the tab order.
    EXPECT_GE(w->HelpButton()->TabOrder(), 10000);
    EXPECT_GE(w->CancelButton()->TabOrder(), 15000 - 4);
}

TEST(Wizard, NextOnTheLastPageAsksAndClosesWithOk)
{
    CdrLikeForm f;
    std::vector<std::pair<int, int>> asked;
    f.Wizard->OnCanPageChange = [&](TAssistent*, int from, int& to) {
        asked.push_back({from, to});
        return true;
    };
    f.Wizard->NextClick();
    f.ModalResult = mrNone;
    f.Wizard->NextClick();
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[1], std::make_pair(2, -1));
    EXPECT_EQ(f.ModalResult, mrOk);
    EXPECT_EQ(f.Wizard->Page(), 2);  // the wizard keeps its last page
}

TEST(Wizard, VetoedNextAndBackLeaveTheHistoryAsItWas)
{
    CdrLikeForm f;
    bool allow = false;
    f.Wizard->OnCanPageChange = [&](TAssistent*, int, int&) { return allow; };
    f.Wizard->NextClick();
    EXPECT_EQ(f.Wizard->Page(), 1);
    EXPECT_EQ(f.Wizard->History()->Count(), 0);
    EXPECT_TRUE(f.Box1->Visible());

    allow = true;
    f.Wizard->NextClick();
    ASSERT_EQ(f.Wizard->Page(), 2);
    allow = false;
    f.Wizard->BackClick();
    EXPECT_EQ(f.Wizard->Page(), 2);
    EXPECT_EQ(f.Wizard->History()->Values(), std::vector<int32_t>{1});
    allow = true;
    f.Wizard->BackClick();
    EXPECT_EQ(f.Wizard->Page(), 1);
    EXPECT_EQ(f.Wizard->History()->Count(), 0);
    f.Wizard->BackClick();  // nothing to go back to
    EXPECT_EQ(f.Wizard->Page(), 1);
}

TEST(Wizard, RedirectingHandlerChoosesAnotherPage)
{
    CdrLikeForm f(3);
    f.Wizard->OnCanPageChange = [](TAssistent*, int, int& to) {
        if (to == 2)
            to = 3;
        return true;
    };
    f.Wizard->NextClick();
    EXPECT_EQ(f.Wizard->Page(), 3);
    EXPECT_EQ(f.Caption(), "Seite 3 von 3");
}

TEST(Wizard, DialogPageResizesTheFormAboutItsCentreAndBack)
{
    CdrLikeForm f;
    f.Wizard->DialogFormWidth = 600;
    f.Wizard->DialogFormHeight = 500;
    const int cx = f.Left() + f.Width() / 2, cy = f.Top() + f.Height() / 2;
    int changes = 0;
    f.Wizard->OnPageChange = [&](TAssistent*, int) { ++changes; };
    f.Wizard->ChangeClick();
    EXPECT_EQ(f.Wizard->Page(), 0);
    EXPECT_EQ(f.Caption(), "CDR - zusammenstellen");
    EXPECT_EQ(f.Width(), 600);
    EXPECT_EQ(f.Height(), 500);
    EXPECT_EQ(f.Left(), cx - 300);
    EXPECT_EQ(f.Top(), cy - 250);
    EXPECT_EQ(f.Wizard->LastWizardPage(), 1);
    // Dialog bar: OK shown with the dialog data and default; Next and Back parked.
    EXPECT_EQ(f.Wizard->OKButton()->Caption(), "&OK");
    EXPECT_TRUE(f.Wizard->OKButton()->Default());
    EXPECT_EQ(f.Wizard->NextButton()->Left(), kParkLeft);
    EXPECT_FALSE(f.Wizard->NextButton()->Enabled());
    // No container is shown on the dialog page in this layout.
    EXPECT_FALSE(f.Box1->Visible());
    // OnPageChange fires on page 0 even when it stays 0.
    f.Wizard->SetPage(0);
    EXPECT_EQ(changes, 2);

    // Back to the wizard without RememberPage: the start page, history cleared.
    f.Wizard->ChangeClick();
    EXPECT_EQ(f.Wizard->Page(), 2);
    EXPECT_EQ(f.Width(), 520);
    EXPECT_EQ(f.Height(), 420);

    f.Wizard->RememberPage = true;
    f.Wizard->BackClick();
    f.Wizard->ChangeClick();
    f.Wizard->ChangeClick();
    EXPECT_EQ(f.Wizard->Page(), 2);
}

TEST(Wizard, CancelAndHelpGoThroughTheirEvents)
{
    CdrLikeForm f;
    int helped = -1;
    f.Wizard->OnHelpClick = [&](TAssistent*, int page) { helped = page; };
    f.Wizard->HelpButton()->Click();
    EXPECT_EQ(helped, 1);
    f.Wizard->OnCancelClick = [](TAssistent*, int) { return false; };
    f.Wizard->CancelButton()->Click();
    EXPECT_EQ(f.ModalResult, mrNone);
    f.Wizard->OnCancelClick = nullptr;
    f.Wizard->CancelButton()->Click();
    EXPECT_EQ(f.ModalResult, mrCancel);
}

TEST(Wizard, ArrowKeysMoveOnePageWithoutHistory)
{
    CdrLikeForm f(3);
    Word key = VK_RIGHT;
    f.Wizard->KeyDown(key, {});
    EXPECT_EQ(key, 0);
    EXPECT_EQ(f.Wizard->Page(), 2);
    key = VK_RIGHT;
    f.Wizard->KeyDown(key, {});
    EXPECT_EQ(f.Wizard->Page(), 3);
    key = VK_RIGHT;
    f.Wizard->KeyDown(key, {});
    EXPECT_EQ(key, VK_RIGHT);  // not consumed on the last page
    key = VK_LEFT;
    f.Wizard->KeyDown(key, {});
    EXPECT_EQ(f.Wizard->Page(), 2);
    EXPECT_EQ(f.Wizard->History()->Count(), 0);
}

TEST(Wizard, WayListWithFinishRuleAndJumpRadioButtons)
{
    CdrLikeForm f(3);
    f.Wizard->WayList()->Add({1, kNextJump});
    f.Wizard->WayList()->Add({2, kNextPlusOne});
    f.Wizard->WayList()->Add({2, kNextFinish});
    auto* jump = new TAJumpRadioBtn(&f);
    jump->SetParent(f.Box1);
    jump->JumpPage = 3;
    jump->SetChecked(true);
    SetRecords(jump->ShowContainer(), {{0, 0, 0}, {10, 40, 1}, {0, 0, 0}, {0, 0, 0}});
    f.Wizard->SetWayListEnabled(true);
    ASSERT_EQ(f.Wizard->Page(), 1);
    EXPECT_EQ(jump->Left(), 10);
    EXPECT_EQ(jump->Width(), 140);

    f.Wizard->NextClick();  // the checked jump button decides
    EXPECT_EQ(f.Wizard->Page(), 3);
    EXPECT_EQ(f.Wizard->DisplayPage(), 2);
    EXPECT_TRUE(f.Box2->Visible());  // step 3 shows display page 2
    EXPECT_FALSE(jump->Enabled());   // hidden containers are disabled
    // The step with rule -2 shows Finish on Next and disables the Next data.
    EXPECT_FALSE(f.Wizard->BtnNext()->Enabled());
    EXPECT_EQ(f.Wizard->NextButton()->Caption(), "&Start");

    f.Wizard->BackClick();
    EXPECT_EQ(f.Wizard->Page(), 1);
    jump->SetChecked(false);
    f.Wizard->NextClick();  // no checked button: the next step
    EXPECT_EQ(f.Wizard->Page(), 2);
    int asked = 0;
    f.Wizard->OnAskPageChange = [&](TAssistent*, int, int& n) { ++asked; n = 3; };
    f.Wizard->NextClick();
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(f.Wizard->Page(), 3);
    f.Wizard->NextClick();
    EXPECT_EQ(f.ModalResult, mrOk);
}

TEST(Wizard, RelativeJumpAndDisabledJumpButton)
{
    CdrLikeForm f(4);
    auto* jump = new TAJumpRadioBtn(&f);
    jump->SetParent(f.Box1);
    jump->JumpMode = jmRelativ;
    jump->JumpPage = 2;
    jump->SetChecked(true);
    SetRecords(jump->ShowContainer(), {{0, 0, 0}, {0, 0, 1}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}});
    f.Wizard->SetPage(1);
    EXPECT_EQ(f.Wizard->GetJumpPage(), 3);
    jump->SetEnabled(false);
    EXPECT_EQ(f.Wizard->GetJumpPage(), 2);
}

TEST(WizardContainers, MovesAreRecordedForTheCurrentPageOnly)
{
    CdrLikeForm f;
    f.Box1->SetBounds(15, 25, 480, 280);
    EXPECT_EQ(f.Box1->ShowContainer()->GetItem(1).Left, 15);
    EXPECT_EQ(f.Box1->ShowContainer()->GetItem(1).Top, 25);
    EXPECT_EQ(f.Box1->ShowContainer()->GetItem(2).Left, 0);
    f.Wizard->NextClick();
    f.Wizard->BackClick();
    EXPECT_EQ(f.Box1->Left(), 15);
    EXPECT_EQ(f.Box1->Top(), 25);
}

TEST(WizardContainers, AlignmentIsTakenWhereShownAndDroppedWhereHidden)
{
    CdrLikeForm f;
    SetRecords(f.Status->ShowContainer(), {{0, 0, 1}, {0, 356, 0}, {0, 356, 1}});
    f.Wizard->SetPage(2);
    EXPECT_TRUE(f.Status->Visible());
    EXPECT_EQ(f.Status->Align(), alBottom);
    f.Wizard->SetPage(1);
    EXPECT_FALSE(f.Status->Visible());
    EXPECT_EQ(f.Status->Align(), alNone);
    EXPECT_EQ(f.Status->Left(), kParkLeft);
}

TEST(WizardContainers, ParentChangesBetweenDialogAndWizard)
{
    CdrLikeForm f;
    auto* panel = new TPanel(&f);
    panel->SetParent(f.Wizard);
    auto* box = new TABox(&f);
    box->SetParent(f.Box1);  // on page 1: the wizard parent; the dialog parent defaults to the wizard
    EXPECT_EQ(box->ParentInWizard(), f.Box1);
    EXPECT_EQ(box->ParentInDialog(), f.Wizard);
    box->SetParentInDialog(panel);
    EXPECT_EQ(box->Parent(), f.Box1);  // only stored while on a wizard page
    SetRecords(box->ShowContainer(), {{5, 5, 1}, {7, 7, 1}, {0, 0, 0}});
    f.Wizard->SetPage(0);
    EXPECT_EQ(box->Parent(), panel);
    EXPECT_EQ(box->Left(), 5);
    f.Wizard->SetPage(1);
    EXPECT_EQ(box->Parent(), f.Box1);
    EXPECT_EQ(box->Left(), 7);
}

TEST(WizardContainers, NumPagesResizesRecordsAndNames)
{
    CdrLikeForm f;
    f.Wizard->SetNumPages(4);
    EXPECT_EQ(f.Box1->ShowContainer()->Count(), 5);
    EXPECT_EQ(f.Wizard->PageNames(), (QStringList{"Dialog", "Page 1", "Page 2", "Page 3", "Page 4"}));
    f.Wizard->SetNumPages(0);  // ignored
    EXPECT_EQ(f.Wizard->NumPages(), 4);
    f.Wizard->SetPage(4);
    f.Wizard->SetNumPages(3);
    EXPECT_EQ(f.Wizard->Page(), 3);
    EXPECT_EQ(f.Box2->ShowContainer()->Count(), 4);
    EXPECT_EQ(f.Wizard->PageNames().size(), 4);
}

TEST(WizardContainers, ContainerWithoutWizardShowsTheMessageOnce)
{
    TPromptScript script;
    script.Answer(mrOk, "No Assistent on Form!");
    TForm form(nullptr);
    auto* box = new TAGroupBox(&form);
    box->SetParent(&form);
    EXPECT_EQ(box->FAssistent(), nullptr);
    EXPECT_EQ(box->CurPage(), -1);
    box->SetBounds(3, 4, 50, 50);  // no wizard: nothing recorded
    EXPECT_EQ(box->ShowContainer()->Count(), 0);
}

TEST(Wizard, OwnerMustBeAForm)
{
    TForm form(nullptr);
    EXPECT_THROW(TAssistent(static_cast<TComponent*>(nullptr)), EInvalidCast);
    TPanel panel(&form);
    EXPECT_THROW(TAssistent{&panel}, EInvalidCast);
}

TEST(Wizard, GlyphStripSetsNumGlyphs)
{
    CdrLikeForm f;
    TBitmap strip(48, 16);
    f.Wizard->BtnNext()->SetGlyph(&strip);
    EXPECT_EQ(f.Wizard->BtnNext()->NumGlyphs(), 3);
    TBitmap wide(96, 16);  // six images: more than four gives 1
    f.Wizard->BtnNext()->SetGlyph(&wide);
    EXPECT_EQ(f.Wizard->BtnNext()->NumGlyphs(), 1);
    f.Wizard->BtnNext()->SetNumGlyphs(9);
    EXPECT_EQ(f.Wizard->BtnNext()->NumGlyphs(), 4);
}

TEST(WizardContainers, AParentThatGoesIsForgotten)
{
    CdrLikeForm f;
    auto* panel = new TPanel(&f);
    panel->SetParent(f.Wizard);
    auto* box = new TABox(&f);
    box->SetParent(f.Box1);
    box->SetParentInDialog(panel);
    EXPECT_EQ(box->ParentInDialog(), panel);
    delete panel;
    EXPECT_EQ(box->ParentInDialog(), nullptr);
    SetRecords(box->ShowContainer(), {{5, 5, 1}, {7, 7, 1}, {0, 0, 0}});
    f.Wizard->SetPage(0);  // no dialog parent: the box stays where it is
    EXPECT_EQ(box->Parent(), f.Box1);
    EXPECT_EQ(box->Left(), 5);
}

TEST(Wizard, CaptionFormatTakesOnlyItsTwoNumbers)
{
    EXPECT_EQ(SeitenText("Seite %d von %d", 1, 2), "Seite 1 von 2");
    EXPECT_EQ(SeitenText("Wizard - Page %d of %d", 3, 7), "Wizard - Page 3 of 7");
    EXPECT_EQ(SeitenText("%s %d%% %d %d", 2, 5), "%s 2% 5 %d");
    EXPECT_EQ(SeitenText("", 1, 1), "");
    EXPECT_EQ(SeitenText("100%", 1, 1), "100%");
}

// ---- The wizard in the component stream and its language file ----------

namespace {

// The value after a property name in the stream: a binary block (tag 10,
// 32-bit length, bytes) or an integer (tag 2 int8, 3 int16, 4 int32).
QByteArray BinaryAfter(const QByteArray& bytes, const char* name)
{
    const QByteArray key = QByteArray(1, char(qstrlen(name))) + name;
    const qsizetype at = bytes.indexOf(key);
    if (at < 0)
        return {};
    const qsizetype v = at + key.size();
    if (bytes.at(v) != 10)
        return {};
    const int len = qFromLittleEndian<int32_t>(bytes.constData() + v + 1);
    return bytes.mid(v + 5, len);
}

std::optional<int> IntegerAfter(const QByteArray& bytes, const char* name)
{
    const QByteArray key = QByteArray(1, char(qstrlen(name))) + name;
    const qsizetype at = bytes.indexOf(key);
    if (at < 0)
        return std::nullopt;
    const char* v = bytes.constData() + at + key.size();
    switch (v[0]) {
    case 2: return int(int8_t(v[1]));
    case 3: return int(qFromLittleEndian<int16_t>(v + 1));
    case 4: return qFromLittleEndian<int32_t>(v + 1);
    default: return std::nullopt;
    }
}

std::vector<int32_t> Ints(const QByteArray& block)
{
    std::vector<int32_t> v;
    for (qsizetype i = 0; i + 4 <= block.size(); i += 4)
        v.push_back(qFromLittleEndian<int32_t>(block.constData() + i));
    return v;
}

}  // namespace

TEST(WizardStream, HistoryAndFormSizesAreWrittenAfterThePropertiesAndReadBack)
{
    DescribeWizardClasses();
    CdrLikeForm f(3);
    TAssistent* w = f.Wizard;
    w->SetPage(1);
    w->NextClick();
    w->NextClick();
    ASSERT_EQ(w->Page(), 3);
    w->WizardFormHeight = 420;
    w->WizardFormWidth = 520;
    w->DialogFormHeight = 300;
    w->DialogFormWidth = 610;
    const QByteArray bytes = ComponentToBytes(w, &f);

    // Read from outside: the values follow the published properties.
    EXPECT_EQ(IntegerAfter(bytes, "HistoryNumPages"), 2);
    EXPECT_EQ(Ints(BinaryAfter(bytes, "HistoryData")), (std::vector<int32_t>{1, 2}));
    EXPECT_EQ(Ints(BinaryAfter(bytes, "FormSize")), (std::vector<int32_t>{420, 520, 300, 610}));
    EXPECT_LT(bytes.indexOf("TabSpaceY"), bytes.indexOf("HistoryNumPages"));
    EXPECT_LT(bytes.indexOf("HistoryNumPages"), bytes.indexOf("HistoryData"));
    EXPECT_EQ(IntegerAfter(bytes, "BLWizard.Num"), 7);
    EXPECT_EQ(Ints(BinaryAfter(bytes, "BLWizard.Data")), (std::vector<int32_t>{1, 2, 8, 3, 4, 5, 6}));

    CdrLikeForm g(2);
    TAssistent* v = g.Wizard;
    ASSERT_FALSE(v->BtnBack()->Enabled());
    TReader reader(bytes);
    reader.Root = &g;
    reader.Owner = &g;
    reader.ReadRootComponent(v);
    EXPECT_EQ(v->NumPages(), 3);
    EXPECT_EQ(v->Page(), 3);
    EXPECT_EQ(v->History()->Values(), (std::vector<int32_t>{1, 2}));
    EXPECT_EQ(v->WizardFormHeight, 420);
    EXPECT_EQ(v->WizardFormWidth, 520);
    EXPECT_EQ(v->DialogFormHeight, 300);
    EXPECT_EQ(v->DialogFormWidth, 610);
    EXPECT_TRUE(v->BtnBack()->Enabled());
    EXPECT_EQ(v->BtnNext()->Text(), "&Weiter");
    EXPECT_EQ(v->CaptionWizard(), "Seite %d von %d");
    EXPECT_EQ(v->BLWizard()->Values(), (std::vector<int32_t>{1, 2, 8, 3, 4, 5, 6}));
    // Back goes the way the saved history says.
    v->BackClick();
    EXPECT_EQ(v->Page(), 2);
}

TEST(WizardStream, AnEmptyHistoryIsOnlyACountAndEmptiesTheReader)
{
    DescribeWizardClasses();
    CdrLikeForm f;
    f.Wizard->SetPage(1);
    f.Wizard->UseHistory = true;
    const QByteArray bytes = ComponentToBytes(f.Wizard, &f);
    EXPECT_EQ(IntegerAfter(bytes, "HistoryNumPages"), 0);
    EXPECT_EQ(bytes.indexOf("HistoryData"), -1);
    EXPECT_EQ(Ints(BinaryAfter(bytes, "FormSize")).size(), 4u);

    CdrLikeForm g;
    g.Wizard->SetPage(1);
    g.Wizard->NextClick();
    ASSERT_EQ(g.Wizard->History()->Count(), 1);
    TReader reader(bytes);
    reader.Root = &g;
    reader.Owner = &g;
    reader.ReadRootComponent(g.Wizard);
    EXPECT_EQ(g.Wizard->History()->Count(), 0);
    EXPECT_EQ(g.Wizard->Page(), 1);
}

TEST(WizardStream, AShortFormSizeIsAReadError)
{
    DescribeWizardClasses();
    CdrLikeForm f;
    QByteArray bytes = ComponentToBytes(f.Wizard, &f);
    const qsizetype at = bytes.indexOf("FormSize");
    ASSERT_GT(at, 0);
    // Length 16 becomes 12 and the last four bytes go.
    const qsizetype len = at + 8 + 1;
    bytes[len] = 12;
    bytes.remove(len + 4 + 12, 4);
    CdrLikeForm g;
    TReader reader(bytes);
    reader.Root = &g;
    reader.Owner = &g;
    EXPECT_THROW(reader.ReadRootComponent(g.Wizard), EReadError);
}

TEST(WizardDesignTexts, TheLanguageFileNamesTheSectionOfTheTexts)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    {
        QFile ini(dir.filePath("Assi.ini"));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        // Windows-1252, as the file was written: "ü" is 0xFC.
        ini.write("[Option]\r\nLanguage=deutsch\r\n[english]\r\nNext=&Next\r\n[deutsch]\r\nNext=&Weiter\r\n"
                  "Back=&Zur\xfc" "ck\r\nCaptionWizard=Seite %d von %d\r\n");
    }
    TForm form(nullptr);
    auto* w = new TAssistent(&form);
    LoadWizardDesignTexts(*w, dir.path());
    EXPECT_EQ(w->BtnNext()->Text(), "&Weiter");
    EXPECT_EQ(w->BtnBack()->Text(), "&Zurück");
    EXPECT_EQ(w->CaptionWizard(), "Seite %d von %d");
    // Keys the section lacks keep the English texts.
    EXPECT_EQ(w->BtnCancel()->Text(), "&Cancel");
    EXPECT_EQ(w->CaptionDialog(), "Dialog");
    EXPECT_EQ(w->BtnNext()->Layout(), blGlyphRight);
    for (TButtonData* d : {w->BtnFinish(), w->BtnDialogOK(), w->BtnChangeWizard(), w->BtnChangeDialog(),
                           w->BtnCancel(), w->BtnNext(), w->BtnBack()})
        EXPECT_TRUE(d->Enabled() && d->Show());
    EXPECT_TRUE(w->BtnHelp()->Enabled());
    EXPECT_FALSE(w->BtnHelp()->Show());
    EXPECT_FALSE(w->BtnWizardOK()->Show());

    // Without the file: English.
    QTemporaryDir leer;
    auto* e = new TAssistent(&form);
    LoadWizardDesignTexts(*e, leer.path());
    EXPECT_EQ(e->BtnNext()->Text(), "&Next");
    EXPECT_EQ(e->BtnHelp()->Text(), "&Help");
    EXPECT_EQ(e->CaptionWizard(), "Wizard - Page %d of %d");
}

TEST(WizardStream, PageNamesGlyphsFontAndTabStopStreamInTheirPlaces)
{
    DescribeWizardClasses();
    CdrLikeForm f;
    TAssistent* w = f.Wizard;
    w->SetPageNames({"Dialog", "Was kopieren", "Wohin kopieren"});
    QImage strip(32, 16, QImage::Format_RGB32);
    strip.fill(QColor(128, 128, 0));
    for (int x = 2; x < 14; ++x)
        strip.setPixelColor(x, 8, QColor(0, 128, 0));
    TBitmap glyph;
    glyph.SetImage(strip);
    w->BtnNext()->SetGlyph(&glyph);
    ASSERT_EQ(w->BtnNext()->NumGlyphs(), 2);
    w->Font()->SetName("Arial");
    w->Font()->SetHeight(-15);
    w->SetTabStop(true);
    const QByteArray bytes = ComponentToBytes(w, &f);

    // In the order of the published properties.
    const auto at = [&bytes](const char* name) { return bytes.indexOf(name); };
    EXPECT_LT(at("RememberPage"), at("PageNames.Strings"));
    EXPECT_LT(at("PageNames.Strings"), at("BtnHelp.Text"));
    EXPECT_LT(at("BtnNext.Text"), at("BtnNext.Glyph.Data"));
    EXPECT_LT(at("BtnNext.Glyph.Data"), at("BtnNext.NumGlyphs"));
    EXPECT_LT(at("BLDialog.Num"), at("Font.Name"));
    EXPECT_LT(at("Font.Name"), at("ButtonStyle"));
    EXPECT_LT(at("TabSpaceY"), at("TabStop"));
    EXPECT_LT(at("TabStop"), at("HistoryNumPages"));
    EXPECT_EQ(at("BtnBack.Glyph.Data"), -1);  // an empty glyph writes nothing
    // The glyph from outside: a 32-bit size and a BMP file.
    const QByteArray data = BinaryAfter(bytes, "BtnNext.Glyph.Data");
    ASSERT_GT(data.size(), 4);
    EXPECT_EQ(qFromLittleEndian<int32_t>(data.constData()), data.size() - 4);
    EXPECT_TRUE(data.mid(4).startsWith("BM"));
    const QImage bmp = QImage::fromData(data.mid(4), "BMP");
    EXPECT_EQ(bmp.size(), QSize(32, 16));
    EXPECT_EQ(bmp.pixelColor(5, 8), QColor(0, 128, 0));

    CdrLikeForm g;
    TAssistent* v = g.Wizard;
    v->SetPage(2);
    TReader reader(bytes);
    reader.Root = &g;
    reader.Owner = &g;
    reader.ReadRootComponent(v);
    v->Loaded();
    EXPECT_EQ(v->PageNames(), (QStringList{"Dialog", "Was kopieren", "Wohin kopieren"}));
    ASSERT_EQ(v->BtnNext()->Glyph()->Width(), 32);
    EXPECT_EQ(v->BtnNext()->Glyph()->ToImage().pixelColor(5, 8), QColor(0, 128, 0));
    EXPECT_EQ(v->BtnNext()->NumGlyphs(), 2);
    EXPECT_EQ(v->Font()->Name(), "Arial");
    EXPECT_EQ(v->Font()->Height(), -15);
    EXPECT_TRUE(v->TabStop());
    // The bar shows the glyph that came with the stream.
    EXPECT_FALSE(v->NextButton()->Glyph()->Empty());
    EXPECT_EQ(v->NextButton()->Glyph()->ToImage().pixelColor(5, 8), QColor(0, 128, 0));

    // A wizard without a tab stop writes none (its default).
    v->SetTabStop(false);
    EXPECT_EQ(ComponentToBytes(v, &g).indexOf("TabStop"), -1);
}

TEST(WizardDesignTexts, EachButtonRoleGetsItsOwnGlyphStrip)
{
    QTemporaryDir leer;
    CdrLikeForm form;
    auto* w = form.Wizard;
    LoadWizardDesignTexts(*w, leer.path());
    TButtonData* rollen[] = {w->BtnHelp(),         w->BtnWizardOK(),     w->BtnFinish(),
                             w->BtnDialogOK(),     w->BtnChangeWizard(), w->BtnChangeDialog(),
                             w->BtnCancel(),       w->BtnNext(),         w->BtnBack()};
    std::vector<QImage> bilder;
    for (TButtonData* d : rollen) {
        const QImage img = d->Glyph()->ToImage();
        ASSERT_EQ(img.size(), QSize(32, 16));
        // Enabled left, disabled right; the corner colour is left out.
        EXPECT_EQ(d->NumGlyphs(), 2);
        EXPECT_EQ(img.pixelColor(0, 15), QColor(128, 128, 0));
        EXPECT_NE(img.copy(0, 0, 16, 16), img.copy(16, 0, 16, 16));
        bilder.push_back(img);
    }
    // Wizard OK and dialog OK share the check; the others differ.
    EXPECT_EQ(bilder[1], bilder[3]);
    for (size_t i = 0; i < bilder.size(); ++i)
        for (size_t j = i + 1; j < bilder.size(); ++j)
            if (!(i == 1 && j == 3)) {
                EXPECT_NE(bilder[i], bilder[j]) << i << " " << j;
            }
    // The bar buttons show them.
    form.Wizard->SetPage(1);
    form.Show();
    QCoreApplication::processEvents();
    EXPECT_FALSE(w->NextButton()->Glyph()->Empty());
    EXPECT_FALSE(w->BackButton()->Glyph()->Empty());
    EXPECT_FALSE(w->CancelButton()->Glyph()->Empty());
    // Next shows its glyph right of the text, Back left of it.
    EXPECT_EQ(w->NextButton()->Handle()->layoutDirection(), Qt::RightToLeft);
    EXPECT_EQ(w->BackButton()->Handle()->layoutDirection(), Qt::LeftToRight);
    const QImage bild = form.Handle()->grab().toImage();
    bild.save(ShotDir() + "/wizard_design_glyphs.png");
    // The green of the arrow stands in the right half of the Next button.
    const TRect next = w->NextButton()->BoundsRect();
    const QPoint ursprung = w->NextButton()->Handle()->mapTo(form.Handle(), QPoint(0, 0));
    int links = 0, rechts = 0;
    for (int y = 0; y < next.Height(); ++y)
        for (int x = 0; x < next.Width(); ++x)
            if (bild.pixelColor(ursprung + QPoint(x, y)) == QColor(0, 128, 0))
                (x < next.Width() / 2 ? links : rechts) += 1;
    EXPECT_GT(rechts, 10);
    EXPECT_EQ(links, 0);
}

TEST(WizardStream, ContainersCarryTheirPositionRecordsParentsAndJumps)
{
    DescribeWizardClasses();
    CdrLikeForm f;
    const QByteArray status = ComponentToBytes(f.Status, &f);
    // From outside: three records of 12 bytes, shown on no page.
    EXPECT_EQ(IntegerAfter(status, "ShowContainer.NumApos"), 3);
    const std::vector<int32_t> records = Ints(BinaryAfter(status, "ShowContainer.Data"));
    ASSERT_EQ(records.size(), 9u);
    EXPECT_EQ(std::vector<int32_t>(records.begin() + 3, records.end()), (std::vector<int32_t>{0, 356, 0, 0, 356, 0}));
    EXPECT_EQ(records[2], 0);
    EXPECT_LT(status.indexOf("ParentInDialog"), status.indexOf("ParentInWizard"));
    EXPECT_LT(status.indexOf("AAlign"), status.indexOf("FAssistent"));
    EXPECT_LT(status.indexOf("FAssistent"), status.indexOf("ShowContainer.NumApos"));
    EXPECT_NE(status.indexOf("alBottom"), -1);
    EXPECT_NE(status.indexOf("Assistent1"), -1);

    auto* sprung = new TAJumpRadioBtn(&f);
    sprung->Name = "Sprung";
    sprung->SetParent(f.Wizard);
    sprung->SetCaption("Nur Bilder");
    sprung->JumpMode = jmRelativ;
    sprung->JumpPage = 2;
    sprung->SetChecked(true);
    SetRecords(sprung->ShowContainer(), {{0, 0, 0}, {12, 40, 1}, {0, 0, 0}});
    const QByteArray knopf = ComponentToBytes(sprung, &f);
    EXPECT_LT(knopf.indexOf("JumpPage"), knopf.indexOf("ParentInDialog"));
    const QByteArray gruppe = ComponentToBytes(f.Box1, &f);

    // Read into a form that holds only its wizard: the containers are made
    // by their classes and take the records, parents and jumps of the stream.
    TForm h(nullptr);
    h.Name = "Leer";
    auto* w = new TAssistent(&h);
    w->Name = "Assistent1";
    w->SetParent(&h);
    w->SetNumPages(2);
    std::vector<TComponent*> gelesen;
    TReader reader(status + knopf + QByteArray(1, '\0'));
    reader.ReadComponents(&h, w, [&](TComponent* c) { gelesen.push_back(c); });
    ASSERT_EQ(gelesen.size(), 2u);
    auto* box = dynamic_cast<TABox*>(gelesen[0]);
    auto* ziel = dynamic_cast<TAJumpRadioBtn*>(gelesen[1]);
    ASSERT_TRUE(box && ziel);
    EXPECT_EQ(box->Name, "StatusBox");
    EXPECT_EQ(box->AAlign(), alBottom);
    EXPECT_EQ(box->FAssistent(), w);
    EXPECT_EQ(box->ParentInWizard(), w);
    ASSERT_EQ(box->ShowContainer()->Count(), 3);
    EXPECT_EQ(box->ShowContainer()->Item(1).Top, 356);
    EXPECT_EQ(box->ShowContainer()->Item(1).Shown, 0);
    EXPECT_EQ(ziel->JumpMode, jmRelativ);
    EXPECT_EQ(ziel->JumpPage, 2);
    EXPECT_TRUE(ziel->Checked());
    EXPECT_EQ(ziel->Caption(), "Nur Bilder");
    EXPECT_EQ(ziel->ShowContainer()->Item(1).Left, 12);
    EXPECT_EQ(ziel->ShowContainer()->Item(1).Shown, 1);
    // The wizard places them by their records: the status box on no page,
    // the jump button on page 1, where Next jumps by it.
    w->SetPage(1);
    EXPECT_FALSE(box->Visible());
    EXPECT_EQ(box->Left(), kParkLeft);
    EXPECT_TRUE(ziel->Visible());
    EXPECT_EQ(ziel->Left(), 12);
    EXPECT_EQ(ziel->Top(), 40);
    EXPECT_EQ(w->GetJumpPage(), 3);
    EXPECT_EQ(IntegerAfter(gruppe, "ShowContainer.NumApos"), 3);
    EXPECT_NE(gruppe.indexOf("Was kopieren"), -1);
}
