// The component framework: ownership, events with the framework's key
// codes, modal results, timers, menus, layout and canvas drawing.

#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QKeyEvent>
#include <QMouseEvent>
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

#include "platform/core/exceptions.h"
#include "platform/ui/buttons.h"
#include "platform/ui/com_ctrls.h"
#include "platform/ui/ext_ctrls.h"
#include "platform/ui/forms.h"
#include "platform/ui/gauges.h"
#include "platform/ui/line_edit.h"
#include "platform/ui/menus.h"
#include "platform/ui/prompt_script.h"
#include "platform/ui/std_ctrls.h"
#include "platform/ui/test_input.h"

namespace {

using lxui_test::SendClick;
using lxui_test::SendKey;

// Counts its own destruction, to see who frees what.
class TCounted : public TComponent {
public:
    TCounted(TComponent* owner, int& destroyed) : TComponent(owner), destroyed_(destroyed) {}
    ~TCounted() override { ++destroyed_; }

private:
    int& destroyed_;
};

// A control that paints itself and records its events.
class TProbe : public TCustomControl {
public:
    using TCustomControl::TCustomControl;
    void Paint() override
    {
        Canvas()->Brush.Color = clRed;
        Canvas()->FillRect(Rect(0, 0, 10, 10));
        Canvas()->Pen.Color = clBlue;
        Canvas()->MoveTo(0, 15);
        Canvas()->LineTo(20, 15);
        ++paints;
    }
    int paints = 0;
};

// A form built in code, as the program's forms are.
class TTestForm : public TForm {
public:
    explicit TTestForm(TComponent* owner) : TForm(owner)
    {
        Name = "TestForm";
        SetCaption("Prüfformular");
        SetClientWidth(300);
        SetClientHeight(200);
        Panel = new TPanel(this);
        Panel->Name = "Panel1";
        Panel->SetParent(this);
        Panel->SetAlign(alTop);
        Panel->SetHeight(40);
        Edit = new TEdit(this);
        Edit->Name = "Edit1";
        Edit->SetParent(this);
        Edit->SetBounds(10, 60, 120, 21);
        Probe = new TProbe(this);
        Probe->SetParent(this);
        Probe->SetBounds(10, 100, 40, 30);
        Ok = new TButton(this);
        Ok->SetParent(this);
        Ok->SetCaption("OK");
        Ok->ModalResult = mrOk;
        Ok->SetDefault(true);
        Ok->SetBounds(140, 160, 75, 25);
        Cancel = new TButton(this);
        Cancel->SetParent(this);
        Cancel->SetCaption("Abbrechen");
        Cancel->ModalResult = mrCancel;
        Cancel->Cancel = true;
        Cancel->SetBounds(220, 160, 75, 25);
        Loaded();
        DoCreate();
    }
    TPanel* Panel;
    TEdit* Edit;
    TProbe* Probe;
    TButton* Ok;
    TButton* Cancel;
};

}  // namespace

TEST(Component, OwnerFreesWhatItOwnsAndFindsByName)
{
    int destroyed = 0;
    auto* owner = new TComponent(nullptr);
    auto* a = new TCounted(owner, destroyed);
    a->Name = "Alpha";
    auto* b = new TCounted(owner, destroyed);
    new TCounted(b, destroyed);  // owned by b, freed with b
    EXPECT_EQ(owner->ComponentCount(), 2);
    EXPECT_EQ(owner->FindComponent("ALPHA"), a);
    EXPECT_EQ(owner->FindComponent("Beta"), nullptr);
    delete a;  // a component freed early leaves its owner's list
    EXPECT_EQ(owner->ComponentCount(), 1);
    EXPECT_EQ(destroyed, 1);
    delete owner;
    EXPECT_EQ(destroyed, 3);
}

TEST(Component, FreeNotificationDropsReferences)
{
    auto form = std::make_unique<TForm>(nullptr);
    auto* menu = new TPopupMenu(nullptr);
    auto* label = new TLabel(form.get());
    label->SetParent(form.get());
    label->SetPopupMenu(menu);
    EXPECT_EQ(label->PopupMenu(), menu);
    delete menu;
    EXPECT_EQ(label->PopupMenu(), nullptr);
}

TEST(Control, ParentFreesChildrenOwnedElsewhereAndWidgetsAreFreedOnce)
{
    auto other = std::make_unique<TComponent>(nullptr);
    auto* form = new TTestForm(nullptr);
    auto* inner = new TPanel(other.get());  // owned by another owner, parented on the form's panel
    inner->SetParent(form->Panel);
    auto* deep = new TLabel(other.get());
    deep->SetParent(inner);
    QPointer<QWidget> innerWidget = inner->Handle();
    EXPECT_EQ(innerWidget->parentWidget(), form->Panel->Handle());
    EXPECT_EQ(other->ComponentCount(), 2);
    // Freeing a child before its parent, then the whole form.
    delete form->Probe;
    EXPECT_EQ(form->ControlCount(), 4);
    delete form;
    EXPECT_TRUE(innerWidget.isNull());
    EXPECT_EQ(other->ComponentCount(), 0);  // the parent freed them, they left their owner
}

TEST(Control, AlignAndAnchorsFollowTheParent)
{
    TTestForm form(nullptr);
    auto* bottom = new TPanel(&form);
    bottom->SetParent(&form);
    bottom->SetHeight(30);
    bottom->SetAlign(alBottom);
    auto* client = new TPanel(&form);
    client->SetParent(&form);
    client->SetAlign(alClient);
    auto* anchored = new TButton(&form);
    anchored->SetParent(&form);
    anchored->SetBounds(250, 5, 40, 20);
    anchored->SetAnchors({akTop, akRight});
    EXPECT_EQ(form.Panel->BoundsRect(), Rect(0, 0, 300, 40));
    EXPECT_EQ(bottom->BoundsRect(), Rect(0, 170, 300, 200));
    EXPECT_EQ(client->BoundsRect(), Rect(0, 40, 300, 170));
    form.SetClientWidth(400);
    form.SetClientHeight(300);
    EXPECT_EQ(form.ClientWidth(), 400);
    EXPECT_EQ(bottom->BoundsRect(), Rect(0, 270, 400, 300));
    EXPECT_EQ(client->BoundsRect(), Rect(0, 40, 400, 270));
    EXPECT_EQ(anchored->Left(), 350);  // kept 10 pixels from the right edge
}

TEST(Control, MouseEventsReachTheControlInItsCoordinates)
{
    TTestForm form(nullptr);
    form.Show();
    std::vector<QString> log;
    form.Probe->OnMouseDown = [&](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
        log.push_back(QString("down %1 %2 %3").arg(b).arg(x).arg(y));
    };
    form.Probe->OnMouseUp = [&](TObject*, TMouseButton, TShiftState, int x, int y) { log.push_back(QString("up %1 %2").arg(x).arg(y)); };
    form.Probe->OnClick = [&](TObject* s) { log.push_back(s == form.Probe ? "click" : "click?"); };
    bool formClicked = false;
    form.OnClick = [&](TObject*) { formClicked = true; };
    SendClick(form.Probe->Handle(), QPoint(5, 7));
    EXPECT_EQ(log, (std::vector<QString>{"down 0 5 7", "up 5 7", "click"}));
    EXPECT_FALSE(formClicked);  // input goes to one control only
    form.Probe->SetEnabled(false);
    log.clear();
    SendClick(form.Probe->Handle(), QPoint(5, 7));
    EXPECT_TRUE(log.empty());
    form.Hide();
}

TEST(Control, KeysCarryTheFrameworksCodesAndKeyPreviewComesFirst)
{
    TTestForm form(nullptr);
    form.Show();
    std::vector<QString> log;
    form.OnKeyDown = [&](TObject*, Word& key, TShiftState shift) {
        log.push_back(QString("form %1%2").arg(key).arg(shift.Contains(ssCtrl) ? " ctrl" : ""));
        if (key == VK_F3)
            key = 0;  // taken by the form
    };
    form.Edit->OnKeyDown = [&](TObject*, Word& key, TShiftState) { log.push_back(QString("edit %1").arg(key)); };
    form.Edit->OnKeyPress = [&](TObject*, QChar& ch) {
        if (ch == 'x')
            ch = 'y';
    };
    // Without KeyPreview the form does not see the edit's keys.
    SendKey(form.Edit->Handle(), Qt::Key_A, "a");
    EXPECT_EQ(log, (std::vector<QString>{"edit 65"}));
    form.KeyPreview = true;
    log.clear();
    SendKey(form.Edit->Handle(), Qt::Key_Escape, "\x1b");
    SendKey(form.Edit->Handle(), Qt::Key_F3);
    SendKey(form.Edit->Handle(), Qt::Key_S, "\x13", Qt::ControlModifier);
    EXPECT_EQ(log, (std::vector<QString>{"form 27", "edit 27", "form 114", "form 83 ctrl", "edit 83"}));
    SendKey(form.Edit->Handle(), Qt::Key_X, "x");
    EXPECT_EQ(form.Edit->Text(), "ay");  // the key press handler changed the character
    form.Hide();
}

TEST(Form, ModalResultsThroughTheScript)
{
    TTestForm form(nullptr);
    std::vector<QString> events;
    form.OnShow = [&](TObject*) { events.push_back("show"); };
    form.OnCloseQuery = [&](TObject*, bool& can) {
        events.push_back("closequery");
        can = form.Edit->Text() != "bleib";
    };
    form.OnClose = [&](TObject*, TCloseAction& a) { events.push_back(a == caHide ? "close hide" : "close?"); };
    {
        TPromptScript script;
        script.Modal([&](TCustomForm& f) {
            EXPECT_TRUE(f.Visible());
            EXPECT_TRUE(f.Modal());
            static_cast<TTestForm&>(f).Edit->SetText("Urlaub");
            static_cast<TTestForm&>(f).Ok->Click();
        });
        EXPECT_EQ(form.ShowModal(), mrOk);
        ASSERT_EQ(script.Records().size(), 1u);
        EXPECT_EQ(script.Records()[0].Kind, TPromptKind::Modal);
        EXPECT_EQ(script.Records()[0].Caption, "Prüfformular");
    }
    EXPECT_EQ(events, (std::vector<QString>{"show", "closequery", "close hide"}));
    EXPECT_FALSE(form.Visible());
    EXPECT_EQ(form.Edit->Text(), "Urlaub");
    // Enter clicks the default button, Esc the cancel button; a refusing
    // CloseQuery keeps the form open.
    TPromptScript script;
    script.Modal([&](TCustomForm&) {
        form.Edit->SetText("bleib");
        SendKey(form.Edit->Handle(), Qt::Key_Return, "\r");
        EXPECT_EQ(form.ModalResult, mrOk);
        form.CloseModal();
        EXPECT_EQ(form.ModalResult, mrNone);
        form.Edit->SetText("");
        SendKey(form.Edit->Handle(), Qt::Key_Escape, "\x1b");
    });
    EXPECT_EQ(form.ShowModal(), mrCancel);
}

TEST(Form, ModalLoopEndsByTimerAndCloseGivesCancel)
{
    TTestForm form(nullptr);
    auto* timer = new TTimer(&form);
    timer->SetEnabled(false);
    timer->SetInterval(30);
    int ticks = 0;
    timer->OnTimer = [&](TObject*) {
        if (++ticks == 2)
            form.Close();
    };
    TPromptScript script;
    script.Modal([&](TCustomForm& f) {
        timer->SetEnabled(true);
        EXPECT_TRUE(f.ModalLoop(5000));
    });
    EXPECT_EQ(form.ShowModal(), mrCancel);
    EXPECT_EQ(ticks, 2);
}

TEST(Form, ConstraintsHoldWhereverTheFormIsPlaced)
{
    TForm form(nullptr);
    form.SetBorderStyle(bsSizeable);
    const int fw = 2 * form.FrameWidth(), fh = 2 * form.FrameWidth() + form.CaptionHeight();
    form.Constraints()->SetMinWidth(300);
    form.Constraints()->SetMinHeight(200);
    form.Constraints()->SetMaxWidth(600);
    form.Constraints()->SetMaxHeight(400);
    // Every placement keeps the limits on the window and the size within them.
    const struct { int w, h, expectW, expectH; } cases[] = {
        {100, 100, 300, 200}, {1000, 1000, 600, 400}, {450, 250, 450, 250}, {300, 400, 300, 400},
    };
    for (const auto& c : cases) {
        form.SetBounds(10, 20, c.w, c.h);
        EXPECT_EQ(form.Width(), c.expectW);
        EXPECT_EQ(form.Height(), c.expectH);
        EXPECT_EQ(form.Handle()->minimumSize(), QSize(300 - fw, 200 - fh));
        EXPECT_EQ(form.Handle()->maximumSize(), QSize(600 - fw, 400 - fh));
        EXPECT_EQ(form.Handle()->size(), QSize(c.expectW - fw, c.expectH - fh));
    }
    form.SetLeft(50);  // a move keeps them too
    EXPECT_EQ(form.Handle()->minimumSize(), QSize(300 - fw, 200 - fh));
    // The window system keeps the user within them.
    form.Show();
    form.Handle()->resize(50, 50);
    EXPECT_EQ(form.Handle()->size(), QSize(300 - fw, 200 - fh));
    EXPECT_EQ(form.Width(), 300);
    // A tighter limit brings the present size in; 0 lifts a limit.
    form.SetWidth(450);
    form.Constraints()->SetMaxWidth(320);
    EXPECT_EQ(form.Width(), 320);
    EXPECT_EQ(form.Handle()->maximumWidth(), 320 - fw);
    form.Constraints()->SetMaxWidth(0);
    form.Constraints()->SetMinHeight(0);
    EXPECT_EQ(form.Handle()->maximumWidth(), QWIDGETSIZE_MAX);
    EXPECT_EQ(form.Handle()->minimumHeight(), 0);
    form.SetBounds(0, 0, 900, 150);
    EXPECT_EQ(form.Width(), 900);
    EXPECT_EQ(form.Height(), 150);
    // Without limits a sizeable form's window has none.
    TForm plain(nullptr);
    plain.SetBounds(0, 0, 200, 100);
    EXPECT_EQ(plain.Handle()->minimumSize(), QSize(0, 0));
    EXPECT_EQ(plain.Handle()->maximumSize(), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
    // A control keeps its limits when placed as well.
    auto* panel = new TPanel(&form);
    panel->SetParent(&form);
    panel->Constraints()->SetMinWidth(40);
    panel->Constraints()->SetMaxHeight(30);
    panel->SetBounds(0, 0, 10, 100);
    EXPECT_EQ(panel->Width(), 40);
    EXPECT_EQ(panel->Height(), 30);
}

TEST(Form, UnansweredModalFormFailsWithoutBlocking)
{
    TTestForm form(nullptr);
    EXPECT_NONFATAL_FAILURE(
        {
            TPromptScript script;
            script.Modal([](TCustomForm& f) { EXPECT_FALSE(f.ModalLoop(20)); });
            EXPECT_EQ(form.ShowModal(), mrCancel);
        },
        "nicht beendet");
}

TEST(Timer, FiresOnlyWhileEnabled)
{
    TComponent owner(nullptr);
    auto* t = new TTimer(&owner);
    int n = 0;
    t->OnTimer = [&](TObject*) { ++n; };
    t->SetInterval(10);
    t->SetEnabled(false);
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 60)
        Application->ProcessMessages();
    EXPECT_EQ(n, 0);
    t->SetEnabled(true);
    clock.restart();
    while (n < 3 && clock.elapsed() < 5000)
        Application->ProcessMessages();
    EXPECT_GE(n, 3);
}

TEST(Menu, ItemsClickTickAndFreeTheirSubItems)
{
    auto form = std::make_unique<TTestForm>(nullptr);
    auto* menu = new TMainMenu(form.get());
    auto* datei = new TMenuItem(form.get());
    datei->SetCaption("&Datei");
    auto* ende = new TMenuItem(form.get());
    ende->SetCaption("&Ende");
    ende->SetShortCut(ShortCut('Q', {ssCtrl}));
    auto* a = new TMenuItem(form.get());
    a->SetCaption("Raster");
    a->RadioItem = true;
    auto* b = new TMenuItem(form.get());
    b->SetCaption("Vorschau");
    b->RadioItem = true;
    menu->Items()->Add(datei);
    datei->Add(ende);
    datei->Add(a);
    datei->Add(b);
    form->SetMenu(menu);
    int clicked = 0;
    ende->OnClick = [&](TObject* s) { clicked += s == ende; };
    ende->Action()->trigger();
    EXPECT_EQ(clicked, 1);
    EXPECT_EQ(ShortCutToText(ende->ShortCut()), "Strg+Q");
    a->Click();
    b->Click();
    EXPECT_FALSE(a->Checked());
    EXPECT_TRUE(b->Checked());
    EXPECT_EQ(datei->Find("ende"), ende);
    EXPECT_LT(form->ClientHeight(), 200);  // the menu bar takes its height from the client area
    form->SetClientHeight(200);
    EXPECT_EQ(form->ClientHeight(), 200);
    delete datei;  // frees its items, which leave the form's components
    EXPECT_EQ(menu->Items()->Count(), 0);
    EXPECT_EQ(form->FindComponent("x"), nullptr);
}

TEST(Canvas, DrawsOnBitmapsLikeTheFramework)
{
    TBitmap bmp(20, 10);
    TCanvas* c = bmp.Canvas();
    c->Brush.Color = clWhite;
    c->FillRect(Rect(0, 0, 20, 10));
    c->Pen.Color = clBlack;
    c->MoveTo(0, 0);
    c->LineTo(5, 0);  // the end point is not drawn
    EXPECT_EQ(c->Pixels(4, 0), clBlack);
    EXPECT_EQ(c->Pixels(5, 0), clWhite);
    c->Brush.Color = clNavy;
    c->Rectangle(10, 2, 14, 6);  // right and bottom are exclusive
    EXPECT_EQ(c->Pixels(10, 2), clBlack);
    EXPECT_EQ(c->Pixels(11, 3), clNavy);
    EXPECT_EQ(c->Pixels(13, 5), clBlack);
    EXPECT_EQ(c->Pixels(14, 5), clWhite);
    c->Brush.Color = clRed;
    c->FrameRect(Rect(0, 6, 4, 10));
    EXPECT_EQ(c->Pixels(0, 6), clRed);
    EXPECT_EQ(c->Pixels(1, 7), clWhite);
    c->SetPixel(19, 9, clLime);
    EXPECT_EQ(c->Pixels(19, 9), clLime);
    EXPECT_EQ(ColorToRGB(clBtnFace), 0xC0C0C0);
    // Text leaves dark pixels; a transparent glyph leaves out its corner colour.
    TBitmap text(60, 20);
    text.Canvas()->Brush.Color = clWhite;
    text.Canvas()->FillRect(Rect(0, 0, 60, 20));
    text.Canvas()->Font.SetColor(clBlack);
    text.Canvas()->TextOut(2, 2, "Ärger");
    QImage img = text.ToImage();
    int dark = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            dark += qGray(img.pixel(x, y)) < 128;
    EXPECT_GT(dark, 10);
    EXPECT_GT(text.Canvas()->TextWidth("Ärger"), 10);
    TBitmap glyph(4, 4);
    glyph.Canvas()->Brush.Color = clFuchsia;
    glyph.Canvas()->FillRect(Rect(0, 0, 4, 4));
    glyph.Canvas()->SetPixel(1, 1, clBlue);
    glyph.Transparent = true;
    TBitmap target(4, 4);
    target.Canvas()->Brush.Color = clYellow;
    target.Canvas()->FillRect(Rect(0, 0, 4, 4));
    target.Canvas()->Draw(0, 0, &glyph);
    EXPECT_EQ(target.Canvas()->Pixels(0, 0), clYellow);
    EXPECT_EQ(target.Canvas()->Pixels(1, 1), clBlue);
}

// A picture of 256 colours set into a bitmap (a thumbnail) is RGB32 with the
// same colours wherever it is used: read, copied to another bitmap and then
// read, edited pixel by pixel, drawn on, and drawn onto another bitmap.
TEST(Canvas, ABitmapSetFromAPaletteImageIsRgb32WhereverItIsUsed)
{
    QImage palette(3, 2, QImage::Format_Indexed8);
    palette.setColorTable({qRgb(255, 0, 0), qRgb(0, 128, 255), qRgb(10, 20, 30)});
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            palette.setPixel(x, y, uint((x + y) % 3));
    const auto gleich = [&](const QImage& bild) {
        EXPECT_EQ(bild.format(), QImage::Format_RGB32);
        ASSERT_EQ(bild.size(), palette.size());
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 3; ++x)
                EXPECT_EQ(bild.pixel(x, y), palette.pixel(x, y)) << x << "," << y;
    };
    TBitmap gelesen;
    gelesen.SetImage(palette);
    EXPECT_EQ(gelesen.Width(), 3);
    EXPECT_EQ(gelesen.Height(), 2);
    gleich(gelesen.ToImage());

    TBitmap quelle;
    quelle.SetImage(palette);
    TPicture bild;
    bild.SetGraphic(&quelle);
    gleich(bild.Graphic()->ToImage());
    gleich(bild.Graphic()->DrawImage());

    TBitmap bearbeitet;
    bearbeitet.SetImage(palette);
    bearbeitet.Image().setPixel(0, 0, qRgb(1, 2, 3));
    EXPECT_EQ(bearbeitet.ToImage().pixel(0, 0), qRgb(1, 2, 3));
    EXPECT_EQ(bearbeitet.ToImage().pixel(1, 0), palette.pixel(1, 0));

    TBitmap bemalt;
    bemalt.SetImage(palette);
    EXPECT_EQ(bemalt.Canvas()->Pixels(1, 0), TColor(0xFF8000));  // 0x00BBGGRR
    bemalt.Canvas()->SetPixel(2, 1, clLime);
    EXPECT_EQ(bemalt.ToImage().pixel(2, 1), qRgb(0, 255, 0));
    // Set again while its canvas is in use: drawn on at once.
    bemalt.SetImage(palette);
    EXPECT_EQ(bemalt.Canvas()->Pixels(2, 1), clRed);

    TBitmap ziel(3, 2);
    ziel.Canvas()->Draw(0, 0, &gelesen);
    gleich(ziel.ToImage());
}

TEST(Canvas, ControlsPaintThroughPaint)
{
    TTestForm form(nullptr);
    form.Show();
    QImage shot = form.Probe->Handle()->grab().toImage();
    EXPECT_GE(form.Probe->paints, 1);
    EXPECT_EQ(shot.pixelColor(3, 3), QColor(255, 0, 0));
    EXPECT_EQ(shot.pixelColor(5, 15), QColor(0, 0, 255));
    form.Hide();
}

TEST(Application, ExceptionInAHandlerReachesTheLastChanceHandler)
{
    TTestForm form(nullptr);
    std::vector<std::string> caught;
    Application->OnException = [&](TObject* sender, const std::exception& e) {
        caught.push_back(e.what());
        EXPECT_EQ(sender, form.Probe);
    };
    form.Probe->OnClick = [](TObject*) { throw std::runtime_error("Fehler im Klick"); };
    form.Show();
    SendClick(form.Probe->Handle(), QPoint(2, 2));
    Application->OnException = nullptr;
    EXPECT_EQ(caught, (std::vector<std::string>{"Fehler im Klick"}));
    // Without a handler the exception is shown through the prompt service.
    TPromptScript script;
    script.Answer(TPromptKind::Exception, mrOk, "Fehler im Klick.");
    SendClick(form.Probe->Handle(), QPoint(2, 2));
    form.Hide();
}

TEST(Application, EscapePressedReportsEscOnceAndParentFormFindsTheForm)
{
    TTestForm form(nullptr);
    form.Show();
    // Esc is latched for the whole application: forget one that another
    // test in this process left behind, then the latch must be clear.
    Application->EscapePressed();
    EXPECT_FALSE(Application->EscapePressed());
    SendKey(form.Edit->Handle(), Qt::Key_Escape, "\x1b");
    EXPECT_TRUE(Application->EscapePressed());
    EXPECT_FALSE(Application->EscapePressed());
    EXPECT_EQ(GetParentForm(form.Edit), &form);
    EXPECT_EQ(GetParentForm(nullptr), nullptr);
    form.Hide();
}

TEST(Application, EscapePollTakesOnlyTheEscKey)
{
    TTestForm form(nullptr);
    form.Show();
    Application->EscapePressed();
    form.Edit->SetText("");
    int escSeen = 0;
    form.Edit->OnKeyDown = [&](TObject*, Word& Key, TShiftState) { escSeen += Key == VK_ESCAPE; };
    // Keys still waiting when a long operation polls for Esc.
    QCoreApplication::postEvent(form.Edit->Handle(), new QKeyEvent(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a"));
    QCoreApplication::postEvent(form.Edit->Handle(),
                                new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier, "\x1b"));
    EXPECT_TRUE(Application->EscapePressed());
    EXPECT_EQ(form.Edit->Text(), "a");
    EXPECT_EQ(escSeen, 0);
    form.Hide();
}

TEST(Application, BusyGuardRefusesReentry)
{
    bool busy = false;
    int entered = 0;
    std::function<void(int)> run = [&](int depth) {
        TBusyGuard guard(busy);
        if (!guard.Entered())
            return;
        ++entered;
        if (depth < 3)
            run(depth + 1);  // as a click arriving during ProcessMessages would
    };
    run(0);
    EXPECT_EQ(entered, 1);
    EXPECT_FALSE(busy);
    {
        TBusyGuard outer(Application->LongOperation);
        TBusyGuard inner(Application->LongOperation);
        EXPECT_TRUE(outer.Entered());
        EXPECT_FALSE(inner.Entered());
    }
    EXPECT_FALSE(Application->LongOperation);
}

TEST(Controls, ListsChecksPagesAndStatusBar)
{
    TTestForm form(nullptr);
    auto* list = new TListBox(&form);
    list->SetParent(&form);
    list->Items()->Add("eins");
    list->Items()->Add("zwei");
    list->SetItemIndex(1);
    EXPECT_EQ(list->Items()->IndexOf("ZWEI"), 1);
    EXPECT_EQ(list->ItemIndex(), 1);
    EXPECT_THROW(list->Items()->Get(5), EListError);
    auto* combo = new TComboBox(&form);
    combo->SetParent(&form);
    combo->SetStyle(csDropDownList);
    combo->Items()->Assign(QStringList{"JPG", "BMP"});
    combo->SetItemIndex(1);
    EXPECT_EQ(combo->Text(), "BMP");
    auto* check = new TCheckBox(&form);
    check->SetParent(&form);
    int clicks = 0;
    check->OnClick = [&](TObject*) { ++clicks; };
    check->SetChecked(true);  // the framework clicks on every change of state
    check->SetChecked(true);
    EXPECT_EQ(clicks, 1);
    auto* pages = new TPageControl(&form);
    pages->SetParent(&form);
    auto* p1 = new TTabSheet(&form);
    p1->SetCaption("Allgemein");
    p1->SetPageControl(pages);
    auto* p2 = new TTabSheet(&form);
    p2->SetCaption("Bilder");
    p2->SetPageControl(pages);
    auto* onPage = new TEdit(&form);
    onPage->SetParent(p2);
    pages->SetActivePage(p2);
    EXPECT_EQ(pages->PageCount(), 2);
    EXPECT_EQ(pages->ActivePageIndex(), 1);
    EXPECT_EQ(p2->PageIndex(), 1);
    delete p1;
    EXPECT_EQ(pages->PageCount(), 1);
    auto* status = new TStatusBar(&form);
    status->SetParent(&form);
    status->Panels()->Add()->SetText("Datensätze: 12");
    EXPECT_EQ(status->Top() + status->Height(), form.ClientHeight());
    auto* memo = new TMemo(&form);
    memo->SetParent(&form);
    memo->Lines()->Add("Zeile 1");
    memo->Lines()->Add("Zeile 2");
    EXPECT_EQ(memo->Lines()->Count(), 2);
    EXPECT_EQ(memo->Text(), "Zeile 1\r\nZeile 2");
    auto* bit = new TBitBtn(&form);
    bit->SetParent(&form);
    bit->SetKind(bkNo);
    EXPECT_EQ(bit->Caption(), "&Nein");
    EXPECT_EQ(bit->ModalResult, mrNo);
    EXPECT_TRUE(bit->Cancel);
}

// Adding a list to a combo box at once leaves the same items, index and
// text as adding its entries one by one.
TEST(Controls, ComboListAddedAtOnceAsOneByOne)
{
    struct Fall {
        TComboBoxStyle stil;
        QStringList vorher;
        int index;
        QString text;
    };
    const QStringList neu{"Urlaub", "berlin", "Ärger"};
    for (const Fall& f : {Fall{csDropDown, {}, -1, "getippt"}, Fall{csDropDown, {"a", "b"}, 1, "b"},
                          Fall{csDropDown, {"a", "b"}, -1, "frei"}, Fall{csDropDownList, {}, -1, ""},
                          Fall{csDropDownList, {"a", "b"}, 0, "a"}}) {
        TTestForm form(nullptr);
        const auto combo = [&] {
            auto* c = new TComboBox(&form);
            c->SetParent(&form);
            c->SetStyle(f.stil);
            for (const QString& s : f.vorher)
                c->Items()->Add(s);
            c->SetItemIndex(f.index);
            if (f.stil == csDropDown)
                c->SetText(f.text);
            return c;
        };
        TComboBox* einzeln = combo();
        for (const QString& s : neu)
            einzeln->Items()->Add(s);
        TComboBox* zugleich = combo();
        zugleich->Items()->AddStrings(neu);
        const QString fall = f.vorher.join(',') + "/" + QString::number(f.index);
        EXPECT_EQ(zugleich->Items()->ToStringList(), einzeln->Items()->ToStringList()) << fall.toStdString();
        EXPECT_EQ(zugleich->ItemIndex(), einzeln->ItemIndex()) << fall.toStdString();
        EXPECT_EQ(zugleich->Text(), einzeln->Text()) << fall.toStdString();
        EXPECT_EQ(zugleich->Text(), f.text) << fall.toStdString();
    }
}

TEST(Controls, MemoLinesRoundTripWithEmptyLines)
{
    TForm form(nullptr);
    auto* memo = new TMemo(&form);
    memo->SetParent(&form);
    const QList<QStringList> cases = {
        {}, {""}, {"", ""}, {"a", ""}, {"a", "", ""}, {"", "b"}, {"a", "", "b"}, {"a", "b"},
    };
    for (const QStringList& lines : cases) {
        memo->Lines()->Clear();
        for (const QString& l : lines)
            memo->Lines()->Add(l);
        EXPECT_EQ(memo->Lines()->Count(), lines.size()) << lines.join('|').toStdString();
        EXPECT_EQ(memo->Lines()->ToStringList(), lines) << lines.join('|').toStdString();
        // Through the lines' text and back.
        const QString text = memo->Lines()->Text();
        memo->Lines()->SetText(text);
        EXPECT_EQ(memo->Lines()->ToStringList(), lines) << lines.join('|').toStdString();
    }
    // An empty last line can be changed, deleted and inserted before.
    memo->Lines()->Clear();
    memo->Lines()->Add("a");
    memo->Lines()->Add("");
    memo->Lines()->Put(1, "b");
    EXPECT_EQ(memo->Lines()->ToStringList(), QStringList({"a", "b"}));
    memo->Lines()->Put(1, "");
    memo->Lines()->Insert(1, "");
    EXPECT_EQ(memo->Lines()->ToStringList(), QStringList({"a", "", ""}));
    memo->Lines()->Delete(2);
    EXPECT_EQ(memo->Lines()->ToStringList(), QStringList({"a", ""}));
    // Text the user typed with a final line break keeps the framework's
    // reading: the break ends the last line.
    memo->SetText("x\r\ny\r\n");
    EXPECT_EQ(memo->Lines()->ToStringList(), QStringList({"x", "y"}));
}

TEST(Controls, OwnerDrawnListInColumns)
{
    TForm form(nullptr);
    form.SetClientWidth(300);
    form.SetClientHeight(200);
    auto* list = new TListBox(&form);
    list->SetParent(&form);
    list->SetBounds(0, 0, 200, 84);
    list->SetStyle(lbOwnerDrawFixed);
    list->SetItemHeight(20);
    list->SetColumns(2);
    int marker = 7;
    for (int i = 0; i < 6; ++i)
        list->Items()->AddObject(QString::number(i), i == 5 ? &marker : nullptr);
    std::vector<int> drawn;
    list->OnDrawItem = [&](TWinControl* c, int index, TRect r, TOwnerDrawState state) {
        drawn.push_back(index);
        TCanvas* canvas = static_cast<TListBox*>(c)->Canvas();
        canvas->Brush.Color = state.Contains(odSelected) ? clRed : clBlue;
        canvas->FillRect(r);
    };
    list->SetItemIndex(1);
    form.Show();
    QImage img = list->List()->viewport()->grab().toImage();
    EXPECT_FALSE(drawn.empty());
    TRect first = list->ItemRect(0), second = list->ItemRect(1), fifth = list->ItemRect(4);
    EXPECT_EQ(first.Height(), 20);
    EXPECT_EQ(second.Top, 20);
    EXPECT_GT(fifth.Left, first.Left);  // the fifth item starts the second column
    EXPECT_EQ(img.pixelColor(first.Left + 5, first.Top + 5), QColor(0, 0, 255));
    EXPECT_EQ(img.pixelColor(second.Left + 5, second.Top + 5), QColor(255, 0, 0));
    EXPECT_EQ(list->ItemAtPos(Point(fifth.Left + 3, fifth.Top + 3), true), 4);
    EXPECT_EQ(list->Items()->Objects(5), &marker);
    EXPECT_EQ(list->Items()->Objects(0), nullptr);
    form.Hide();
}

TEST(Control, DragFromOneControlToAnother)
{
    TForm form(nullptr);
    form.SetClientWidth(300);
    form.SetClientHeight(100);
    auto* source = new TPaintBox(&form);
    source->SetParent(&form);
    source->SetBounds(0, 0, 100, 100);
    source->DragMode = dmAutomatic;
    auto* target = new TPaintBox(&form);
    target->SetParent(&form);
    target->SetBounds(200, 0, 100, 100);
    form.Show();
    std::vector<QString> log;
    int downs = 0;
    source->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) { ++downs; };
    target->OnDragOver = [&](TObject*, TObject* src, int x, int y, TDragState state, bool& accept) {
        log.push_back(QString("over %1 %2 %3").arg(state).arg(x).arg(y));
        accept = src == source;
    };
    target->OnDragDrop = [&](TObject*, TObject* src, int x, int y) { log.push_back(QString("drop %1 %2").arg(x).arg(y)); };
    source->OnEndDrag = [&](TObject*, TObject* t, int, int) { log.push_back(t == target ? "end target" : "end none"); };
    QWidget* w = source->Handle();
    // Qt sends the moves of a held button to the pressed widget.
    lxui_test::SendMouse(w, QEvent::MouseButtonPress, QPoint(10, 10));
    lxui_test::SendMouse(w, QEvent::MouseMove, QPoint(12, 11), Qt::LeftButton);  // below the threshold
    EXPECT_FALSE(source->Dragging());
    QMouseEvent move(QEvent::MouseMove, QPointF(250, 40), w->mapToGlobal(QPointF(250, 40)), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w, &move);
    EXPECT_TRUE(source->Dragging());
    QMouseEvent move2(QEvent::MouseMove, QPointF(260, 50), w->mapToGlobal(QPointF(260, 50)), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w, &move2);
    lxui_test::SendMouse(w, QEvent::MouseButtonRelease, QPoint(260, 50));
    EXPECT_FALSE(source->Dragging());
    EXPECT_EQ(downs, 0);  // an automatic drag replaces the mouse-down event
    EXPECT_EQ(log, (std::vector<QString>{"over 0 50 40", "over 2 60 50", "over 2 60 50", "drop 60 50", "end target"}));
    // Dropped where nobody accepts: the source hears the end without a target.
    log.clear();
    source->BeginDrag(true);
    source->DragMouseMove(w->mapToGlobal(QPoint(50, 50)));
    source->DragMouseUp(w->mapToGlobal(QPoint(50, 50)));
    EXPECT_EQ(log, (std::vector<QString>{"end none"}));
    form.Hide();
}

TEST(Control, HintsCursorsAndCharCase)
{
    TTestForm form(nullptr);
    form.Show();
    std::vector<QString> hints;
    Application->OnHint = [&](TObject*) { hints.push_back(Application->Hint); };
    form.Edit->SetHint("Suchtext|Text, nach dem im Album gesucht wird");
    EXPECT_EQ(GetShortHint(form.Edit->Hint()), "Suchtext");
    lxui_test::SendEnter(form.Edit->Handle());
    lxui_test::SendEnter(form.Probe->Handle());
    Application->OnHint = nullptr;
    EXPECT_EQ(hints, (std::vector<QString>{"Text, nach dem im Album gesucht wird", ""}));
    EXPECT_FALSE(form.Edit->EffectiveShowHint());
    form.SetShowHint(true);  // the controls follow the form
    EXPECT_TRUE(form.Edit->EffectiveShowHint());

    QPixmap hand(16, 16);
    hand.fill(Qt::red);
    Screen->SetCursors(5, QCursor(hand, 1, 1));
    form.Probe->SetCursor(5);
    EXPECT_EQ(form.Probe->Handle()->cursor().shape(), Qt::BitmapCursor);
    form.Probe->SetCursor(crHourGlass);
    EXPECT_EQ(form.Probe->Handle()->cursor().shape(), Qt::WaitCursor);

    form.Edit->SetCharCase(ecUpperCase);
    form.Edit->SetText("Bild straße");
    EXPECT_EQ(form.Edit->Text(), "BILD STRAßE");  // the length stays
    form.Hide();
}

TEST(Controls, NotebookShowsOnePageAndGaugeFillsByPercent)
{
    TForm form(nullptr);
    form.SetClientWidth(200);
    form.SetClientHeight(100);
    auto* book = new TNotebook(&form);
    book->SetParent(&form);
    book->SetAlign(alClient);
    TPage* bild = book->AddPage("Bild");
    TPage* info = book->AddPage("Info");
    auto* label = new TLabel(&form);
    label->SetParent(info);
    EXPECT_EQ(book->PageIndex(), 0);
    EXPECT_EQ(book->Pages(), (QStringList{"Bild", "Info"}));
    EXPECT_TRUE(bild->Visible());
    EXPECT_FALSE(info->Visible());
    int changes = 0;
    book->OnPageChanged = [&](TObject*) { ++changes; };
    book->SetActivePage("Info");
    EXPECT_EQ(book->PageIndex(), 1);
    EXPECT_FALSE(bild->Visible());
    EXPECT_EQ(info->BoundsRect(), Rect(0, 0, 200, 100));
    EXPECT_EQ(changes, 1);
    EXPECT_THROW(book->SetActivePage("fehlt"), EListError);

    auto* gauge = new TGauge(&form);
    gauge->SetParent(bild);
    gauge->SetBounds(0, 0, 102, 12);
    gauge->SetForeColor(clRed);
    gauge->SetShowText(false);
    gauge->SetMaxValue(2000000000);
    gauge->SetProgress(500000000);
    EXPECT_EQ(gauge->PercentDone(), 25);
    book->SetPageIndex(0);
    form.Show();
    QImage img = gauge->Handle()->grab().toImage();
    EXPECT_EQ(img.pixelColor(10, 5), QColor(255, 0, 0));
    EXPECT_EQ(img.pixelColor(60, 5), QColor(255, 255, 255));
    gauge->SetProgress(2100000000);  // clamped to the maximum
    EXPECT_EQ(gauge->PercentDone(), 100);
    form.Hide();
}

TEST(Controls, RadioGroupSplitterScrollBoxShapesImagesAndSpeedButtons)
{
    TForm form(nullptr);
    form.SetClientWidth(400);
    form.SetClientHeight(300);
    auto* group = new TRadioGroup(&form);
    group->SetParent(&form);
    group->SetBounds(200, 0, 180, 100);
    group->SetCaption("Sortierung");
    group->Items()->Assign(QStringList{"Name", "Datum", "Größe"});
    int clicks = 0;
    group->OnClick = [&](TObject*) { ++clicks; };
    group->SetItemIndex(1);
    EXPECT_EQ(group->ItemIndex(), 1);
    EXPECT_EQ(clicks, 0);  // set by code: no click

    auto* left = new TPanel(&form);
    left->SetParent(&form);
    left->SetWidth(100);
    left->SetAlign(alLeft);
    auto* splitter = new TSplitter(&form);
    splitter->SetParent(&form);
    splitter->SetLeft(100);
    splitter->SetAlign(alLeft);
    EXPECT_EQ(splitter->Left(), 100);
    EXPECT_EQ(splitter->FindControl(), left);
    splitter->MouseDown(mbLeft, {ssLeft}, 1, 10);
    splitter->MouseMove({ssLeft}, 41, 10);
    splitter->MouseUp(mbLeft, {}, 41, 10);
    EXPECT_EQ(left->Width(), 140);
    splitter->MouseDown(mbLeft, {ssLeft}, 1, 10);
    splitter->MouseMove({ssLeft}, -200, 10);
    splitter->MouseUp(mbLeft, {}, -200, 10);
    EXPECT_EQ(left->Width(), splitter->MinSize);

    auto* box = new TScrollBox(&form);
    box->SetParent(&form);
    box->SetBounds(200, 120, 100, 80);
    auto* far = new TShape(&form);
    far->SetParent(box);
    far->SetBounds(0, 300, 40, 40);
    far->SetShape(stEllipse);
    far->Brush.Color = clRed;
    box->SetVertPosition(250);  // before the box shows: applied once it does

    auto* speed1 = new TSpeedButton(&form);
    speed1->SetParent(&form);
    speed1->SetGroupIndex(1);
    auto* speed2 = new TSpeedButton(&form);
    speed2->SetParent(&form);
    speed2->SetGroupIndex(1);
    speed1->Click();
    EXPECT_TRUE(speed1->Down());
    speed2->Click();
    EXPECT_TRUE(speed2->Down());
    EXPECT_FALSE(speed1->Down());
    speed2->SetDown(false);  // the last one down stays down without AllowAllUp
    EXPECT_TRUE(speed2->Down());

    auto* bar = new TProgressBar(&form);
    bar->SetParent(&form);
    bar->SetPosition(250);
    EXPECT_EQ(bar->Position(), 100);

    auto* image = new TImage(&form);
    image->SetParent(&form);
    image->SetBounds(120, 200, 40, 20);
    TBitmap pic(4, 2);
    pic.Canvas()->Brush.Color = clBlue;
    pic.Canvas()->FillRect(Rect(0, 0, 4, 2));
    image->Picture()->SetGraphic(&pic);
    image->SetStretch(true);
    auto* bevel = new TBevel(&form);
    bevel->SetParent(&form);
    bevel->SetBounds(120, 230, 40, 20);
    form.Show();
    Application->ProcessMessages();
    EXPECT_GT(box->VertPosition(), 0);
    QImage shot = image->Handle()->grab().toImage();
    EXPECT_EQ(shot.pixelColor(35, 15), QColor(0, 0, 255));  // stretched over the whole image
    QImage ellipse = far->Handle()->grab().toImage();
    EXPECT_EQ(ellipse.pixelColor(20, 20), QColor(255, 0, 0));
    QImage frame = bevel->Handle()->grab().toImage();
    EXPECT_EQ(frame.pixelColor(0, 0), QColor(128, 128, 128));  // lowered box: shadow top-left
    EXPECT_EQ(frame.pixelColor(39, 19), QColor(255, 255, 255));
    form.Hide();
}

TEST(Control, MouseUpOfACheckBoxComesAfterTheBoxToggled)
{
    // As with a native control: the release toggles the box first, so the
    // mouse-up handler reads the new state; the click comes before it.
    TForm form(nullptr);
    auto* check = new TCheckBox(&form);
    check->SetParent(&form);
    check->SetBounds(10, 10, 120, 20);
    form.Show();
    std::vector<std::string> folge;
    check->OnClick = [&](TObject*) { folge.push_back(check->Checked() ? "click an" : "click aus"); };
    check->OnMouseUp = [&](TObject*, TMouseButton, TShiftState, int, int) {
        folge.push_back(check->Checked() ? "up an" : "up aus");
    };
    QWidget* w = check->Handle();
    const QPoint p(8, w->height() / 2);
    for (int i = 0; i < 2; ++i) {
        lxui_test::SendMouse(w, QEvent::MouseButtonPress, p);
        lxui_test::SendMouse(w, QEvent::MouseButtonRelease, p);
    }
    EXPECT_EQ(folge, (std::vector<std::string>{"click an", "up an", "click aus", "up aus"}));
}

// An edit on several lines: a CR LF pair breaks the line and the caret never
// stands between its two characters, whether the arrows, Home or a click
// put it there; Enter starts a line with CR LF; on one line the same text
// stays one line.
TEST(Edit, OnSeveralLinesTheCaretStepsOverALineBreakWhole)
{
    TForm form(nullptr);
    form.SetBounds(0, 0, 300, 200);
    auto* edit = new TEdit(&form);
    edit->SetParent(&form);
    edit->SetBounds(10, 10, 200, 90);
    form.Show();
    edit->SetMultiLine(true, true, false);
    edit->SetText("ab\r\ncd");
    TLineEdit* lines = edit->LineEdit();
    EXPECT_EQ(lines->LineCount(), 2);
    EXPECT_EQ(lines->cursorPosition(), 0);  // a new text shows from its start
    edit->SetFocus();
    lines->setCursorPosition(int(edit->Text().size()));
    lxui_test::SendKey(lines, Qt::Key_Home);
    EXPECT_EQ(lines->cursorPosition(), 4);  // after the line feed
    lxui_test::SendKey(lines, Qt::Key_Left);
    EXPECT_EQ(lines->cursorPosition(), 2);  // before the carriage return
    lxui_test::SendKey(lines, Qt::Key_Right);
    EXPECT_EQ(lines->cursorPosition(), 4);
    // A click at the start of the second line.
    const QRect lineStart = lines->inputMethodQuery(Qt::ImCursorRectangle).toRect();
    lxui_test::SendKey(lines, Qt::Key_Home, {}, Qt::ControlModifier);
    ASSERT_EQ(lines->cursorPosition(), 0);
    lxui_test::SendClick(lines, QPoint(lineStart.left(), lineStart.center().y()));
    EXPECT_EQ(lines->cursorPosition(), 4);
    lxui_test::SendKey(lines, Qt::Key_End);
    lxui_test::SendKey(lines, Qt::Key_Return, "\r");
    lxui_test::SendKey(lines, 0, "e");
    EXPECT_EQ(edit->Text(), "ab\r\ncd\r\ne");
    EXPECT_EQ(lines->LineCount(), 3);
    edit->SetMultiLine(false, false, false);
    EXPECT_EQ(lines->LineCount(), 1);
}
