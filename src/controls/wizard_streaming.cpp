#include "controls/wizard_streaming.h"

#include "controls/wizard.h"
#include "controls/wizard_containers.h"
#include "controls/wizard_glyphs.h"
#include "platform/core/ini_file.h"
#include "platform/stream/component_reader.h"
#include "platform/stream/component_writer.h"

#include "platform/picture/picture_limits.h"
#include "platform/stream/graphics_streaming.h"

#include <QBuffer>
#include <QDir>
#include <QImageReader>
#include <QtEndian>

#include <array>

namespace {

// The count of the list being read, between its count value and its data
// block (the stream gives them one after the other).
int g_pendingCount = 0;

// A count value and the list's data block: the count comes first; a count
// of 0 empties the list and is written without a block. A block shorter
// than its count leaves the list empty.
template <class L>
void DefineCountAndData(L& list, TFiler& f, const QString& countName)
{
    f.DefineProperty(
        countName,
        [&list](TReader& r) {
            g_pendingCount = r.ReadInteger();
            if (g_pendingCount <= 0)
                list.Clear();
        },
        [&list](TWriter& w) { w.WriteInteger(list.Count()); }, true);
    f.DefineBinaryProperty(
        QStringLiteral("Data"), [&list](const QByteArray& data) { list.ReadData(std::max(0, g_pendingCount), data); },
        [&list] { return list.Data(); }, list.Count() > 0);
}

QByteArray FormSizeBlock(const TAssistent& a)
{
    QByteArray b(16, '\0');
    const std::array<int32_t, 4> werte = {a.WizardFormHeight, a.WizardFormWidth, a.DialogFormHeight,
                                          a.DialogFormWidth};
    for (size_t i = 0; i < werte.size(); ++i)
        qToLittleEndian<int32_t>(werte[i], b.data() + 4 * i);
    return b;
}

void ReadFormSize(TAssistent& a, const QByteArray& b)
{
    if (b.size() < 16)
        throw EReadError(QStringLiteral("Der Wert FormSize des Assistenten ist kürzer als 16 Bytes"));
    a.WizardFormHeight = qFromLittleEndian<int32_t>(b.constData());
    a.WizardFormWidth = qFromLittleEndian<int32_t>(b.constData() + 4);
    a.DialogFormHeight = qFromLittleEndian<int32_t>(b.constData() + 8);
    a.DialogFormWidth = qFromLittleEndian<int32_t>(b.constData() + 12);
    // Back can be used once the loaded page has somewhere to go back to;
    // it is never switched off here.
    if ((a.UseHistory && a.History()->Count() > 0) || (!a.UseHistory && a.Page() > 1))
        a.BtnBack()->SetEnabled(true);
}

// A bitmap streams as "Data": a 32-bit size and the BMP file. An empty
// bitmap writes nothing; an empty block empties it.
QByteArray BitmapData(const TBitmap& bitmap)
{
    QByteArray bmp;
    QBuffer buffer(&bmp);
    buffer.open(QIODevice::WriteOnly);
    bitmap.ToImage().save(&buffer, "BMP");
    QByteArray data(4, '\0');
    qToLittleEndian<int32_t>(int32_t(bmp.size()), data.data());
    return data + bmp;
}

void ReadBitmapData(TBitmap& bitmap, const QByteArray& data)
{
    if (data.size() < 4)
        throw EReadError(QStringLiteral("Die Bitmap-Daten sind kürzer als ihre Längenangabe"));
    const int32_t size = qFromLittleEndian<int32_t>(data.constData());
    if (size == 0) {
        bitmap.SetImage(QImage());
        return;
    }
    if (size < 0 || size > data.size() - 4)
        throw EReadError(QStringLiteral("Die Bitmap-Daten sind kürzer als ihre Längenangabe"));
    QByteArray file = data.mid(4, size);
    QBuffer buffer(&file);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "BMP");
    // The header's size is checked before any pixel buffer is made.
    const QSize groesse = reader.size();
    if (!groesse.isValid() || !PictureSizeAllowed(groesse.width(), groesse.height()))
        throw EReadError(QStringLiteral("Die Bitmap kann nicht gelesen werden"));
    const QImage image = reader.read();
    if (image.isNull())
        throw EReadError(QStringLiteral("Die Bitmap kann nicht gelesen werden"));
    bitmap.SetImage(image);
}

// Bitmaps as published properties (the button glyphs); described here
// unless the stream layer already knows them.
void DescribeBitmapClass()
{
    if (ClassInfoFor<TBitmap>())
        return;
    DescribeClass<TBitmap, TPersistent>(QStringLiteral("TBitmap")).DefineProperties([](TBitmap& b, TFiler& f) {
        f.DefineBinaryProperty(
            QStringLiteral("Data"), [&b](const QByteArray& data) { ReadBitmapData(b, data); },
            [&b] { return BitmapData(b); }, !b.Empty());
    });
}

// The published part the three page-aware containers share, after their
// bounds (and the jump radio button's jump settings): the parents by mode,
// the alignment while shown, the wizard and the position records.
template <class C>
void DescribeContainer(TClassBuilder<C> b, const TEnumInfo* aligns)
{
    b.Component(QStringLiteral("ParentInDialog"), [](const C& c) { return c.ParentInDialog(); },
                [](C& c, TComponent* v) { c.SetParentInDialog(dynamic_cast<TWinControl*>(v)); })
        .Component(QStringLiteral("ParentInWizard"), [](const C& c) { return c.ParentInWizard(); },
                   [](C& c, TComponent* v) { c.SetParentInWizard(dynamic_cast<TWinControl*>(v)); })
        .Enum(QStringLiteral("AAlign"), aligns, [](const C& c) { return c.AAlign(); },
              [](C& c, TAlign v) { c.SetAAlign(v); })
        .Component(QStringLiteral("FAssistent"), [](const C& c) { return c.FAssistent(); },
                   [](C& c, TComponent* v) { c.SetFAssistent(dynamic_cast<TAssistent*>(v)); })
        .Object(QStringLiteral("ShowContainer"), [](C& c) { return c.ShowContainer(); })
        .Enum(QStringLiteral("Align"), aligns, [](const C& c) { return c.Align(); },
              [](C& c, TAlign v) { c.SetAlign(v); })
        .Default(alNone);
    RegisterClass(ClassInfoFor<C>());
}

template <class C>
TClassBuilder<C> DescribeBounds(const QString& className)
{
    auto b = DescribeClass<C, TComponent>(className);
    b.Integer(QStringLiteral("Left"), [](const C& c) { return c.Left(); }, [](C& c, int v) { c.SetLeft(v); })
        .Integer(QStringLiteral("Top"), [](const C& c) { return c.Top(); }, [](C& c, int v) { c.SetTop(v); })
        .Integer(QStringLiteral("Width"), [](const C& c) { return c.Width(); }, [](C& c, int v) { c.SetWidth(v); })
        .Integer(QStringLiteral("Height"), [](const C& c) { return c.Height(); },
                 [](C& c, int v) { c.SetHeight(v); });
    return b;
}

void DescribeContainerClasses(const TEnumInfo* aligns)
{
    auto box = DescribeBounds<TABox>(QStringLiteral("TABox"));
    box.Integer(QStringLiteral("TabOrder"), [](const TABox& c) { return c.TabOrder(); },
                [](TABox& c, int v) { c.SetTabOrder(v); })
        .Boolean(QStringLiteral("Visible"), [](const TABox& c) { return c.Visible(); },
                 [](TABox& c, bool v) { c.SetVisible(v); })
        .Default(true);
    DescribeContainer(box, aligns);

    auto gruppe = DescribeBounds<TAGroupBox>(QStringLiteral("TAGroupBox"));
    gruppe.String(QStringLiteral("Caption"), [](const TAGroupBox& c) { return c.Caption(); },
                  [](TAGroupBox& c, const QString& v) { c.SetCaption(v); });
    DescribeContainer(gruppe, aligns);

    const TEnumInfo* modes = RegisterEnum(QStringLiteral("TJumpMode"), {"jmAbsolut", "jmRelativ"});
    auto knopf = DescribeBounds<TAJumpRadioBtn>(QStringLiteral("TAJumpRadioBtn"));
    knopf.String(QStringLiteral("Caption"), [](const TAJumpRadioBtn& c) { return c.Caption(); },
                 [](TAJumpRadioBtn& c, const QString& v) { c.SetCaption(v); })
        .Boolean(QStringLiteral("Checked"), [](const TAJumpRadioBtn& c) { return c.Checked(); },
                 [](TAJumpRadioBtn& c, bool v) { c.SetChecked(v); })
        .Default(false)
        .Enum(QStringLiteral("JumpMode"), modes, &TAJumpRadioBtn::JumpMode)
        .Integer(QStringLiteral("JumpPage"), &TAJumpRadioBtn::JumpPage);
    DescribeContainer(knopf, aligns);
}

}  // namespace

void DescribeWizardClasses()
{
    static bool described = false;
    if (described)
        return;
    described = true;

    DescribeClass<TIntegerList, TPersistent>(QStringLiteral("TIntegerList"))
        .DefineProperties([](TIntegerList& l, TFiler& f) { DefineCountAndData(l, f, QStringLiteral("Num")); });
    DescribeClass<TPageList, TPersistent>(QStringLiteral("TPageList"))
        .DefineProperties([](TPageList& l, TFiler& f) { DefineCountAndData(l, f, QStringLiteral("NumPages")); });
    DescribeClass<TAposList, TPersistent>(QStringLiteral("TAposList"))
        .DefineProperties([](TAposList& l, TFiler& f) { DefineCountAndData(l, f, QStringLiteral("NumApos")); });

    DescribeGraphicsClasses();
    DescribeBitmapClass();
    const TEnumInfo* layouts =
        RegisterEnum(QStringLiteral("TButtonLayout"), {"blGlyphLeft", "blGlyphRight", "blGlyphTop", "blGlyphBottom"});
    DescribeClass<TButtonData, TPersistent>(QStringLiteral("TButtonData"))
        .String(QStringLiteral("Text"), [](const TButtonData& d) { return d.Text(); },
                [](TButtonData& d, const QString& v) { d.SetText(v); })
        .Object(QStringLiteral("Glyph"), [](TButtonData& d) { return d.GlyphObject(); })
        .Integer(QStringLiteral("NumGlyphs"), [](const TButtonData& d) { return d.NumGlyphs(); },
                 [](TButtonData& d, int v) { d.SetNumGlyphs(v); })
        .Enum(QStringLiteral("Layout"), layouts, [](const TButtonData& d) { return d.Layout(); },
              [](TButtonData& d, TButtonLayout v) { d.SetLayout(v); })
        .Boolean(QStringLiteral("Enabled"), [](const TButtonData& d) { return d.Enabled(); },
                 [](TButtonData& d, bool v) { d.SetEnabled(v); })
        .Boolean(QStringLiteral("Show"), [](const TButtonData& d) { return d.Show(); },
                 [](TButtonData& d, bool v) { d.SetShow(v); });

    const TEnumInfo* buttonStyles = RegisterEnum(QStringLiteral("TButtonStyle"), {"bsAutoDetect", "bsWin31", "bsNew"});
    const TEnumInfo* aligns =
        RegisterEnum(QStringLiteral("TAlign"), {"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient"});
    const TEnumInfo* styles = RegisterEnum(QStringLiteral("AssistentStyle"), {"asWizard", "asNone", "asTabbed"});
    using A = TAssistent;
    auto b = DescribeClass<A, TComponent>(QStringLiteral("TAssistent"));
    b.Integer(QStringLiteral("Left"), [](const A& a) { return a.Left(); }, [](A& a, int v) { a.SetLeft(v); })
        .Integer(QStringLiteral("Top"), [](const A& a) { return a.Top(); }, [](A& a, int v) { a.SetTop(v); })
        .Integer(QStringLiteral("Width"), [](const A& a) { return a.Width(); }, [](A& a, int v) { a.SetWidth(v); })
        .Integer(QStringLiteral("Height"), [](const A& a) { return a.Height(); }, [](A& a, int v) { a.SetHeight(v); })
        .Integer(QStringLiteral("NumPages"), [](const A& a) { return a.NumPages(); },
                 [](A& a, int v) { a.SetNumPages(v); })
        .String(QStringLiteral("CaptionDialog"), [](const A& a) { return a.CaptionDialog(); },
                [](A& a, const QString& v) { a.SetCaptionDialog(v); })
        .String(QStringLiteral("CaptionWizard"), [](const A& a) { return a.CaptionWizard(); },
                [](A& a, const QString& v) { a.SetCaptionWizard(v); })
        .Integer(QStringLiteral("ButtonWidth"), [](const A& a) { return a.ButtonWidth(); },
                 [](A& a, int v) { a.SetButtonWidth(v); })
        .Integer(QStringLiteral("ButtonHeight"), [](const A& a) { return a.ButtonHeight(); },
                 [](A& a, int v) { a.SetButtonHeight(v); })
        .Boolean(QStringLiteral("ShowGlyph"), [](const A& a) { return a.ShowGlyph(); },
                 [](A& a, bool v) { a.SetShowGlyph(v); })
        .Boolean(QStringLiteral("RememberPage"), &A::RememberPage)
        .Strings(QStringLiteral("PageNames"), [](A& a) { return a.PageNameList(); });
    b.Object(QStringLiteral("BtnHelp"), [](A& a) { return a.BtnHelp(); })
        .Object(QStringLiteral("BtnWizardOK"), [](A& a) { return a.BtnWizardOK(); })
        .Object(QStringLiteral("BtnFinish"), [](A& a) { return a.BtnFinish(); })
        .Object(QStringLiteral("BtnDialogOK"), [](A& a) { return a.BtnDialogOK(); })
        .Object(QStringLiteral("BtnChangeWizard"), [](A& a) { return a.BtnChangeWizard(); })
        .Object(QStringLiteral("BtnChangeDialog"), [](A& a) { return a.BtnChangeDialog(); })
        .Object(QStringLiteral("BtnCancel"), [](A& a) { return a.BtnCancel(); })
        .Object(QStringLiteral("BtnNext"), [](A& a) { return a.BtnNext(); })
        .Object(QStringLiteral("BtnBack"), [](A& a) { return a.BtnBack(); })
        .Object(QStringLiteral("WayList"), [](A& a) { return a.WayList(); })
        .Boolean(QStringLiteral("WayListEnabled"), [](const A& a) { return a.WayListEnabled(); },
                 [](A& a, bool v) { a.SetWayListEnabled(v); })
        .Integer(QStringLiteral("StartPage"), [](const A& a) { return a.StartPage(); },
                 [](A& a, int v) { a.SetStartPage(v); })
        .Boolean(QStringLiteral("ShowPageNames"), [](const A& a) { return a.ShowPageNames(); },
                 [](A& a, bool v) { a.SetShowPageNames(v); })
        .Object(QStringLiteral("BLWizard"), [](A& a) { return a.BLWizard(); })
        .Object(QStringLiteral("BLDialog"), [](A& a) { return a.BLDialog(); })
        .Object(QStringLiteral("Font"), [](A& a) { return a.Font(); })
        .Enum(QStringLiteral("ButtonStyle"), buttonStyles, [](const A& a) { return a.ButtonStyle(); },
              [](A& a, TButtonStyle v) { a.SetButtonStyle(v); })
        .Enum(QStringLiteral("Align"), aligns, [](const A& a) { return a.Align(); },
              [](A& a, TAlign v) { a.SetAlign(v); })
        .Default(alClient)
        .Integer(QStringLiteral("Page"), [](const A& a) { return a.Page(); }, [](A& a, int v) { a.SetPage(v); })
        .Boolean(QStringLiteral("Seperator"), [](const A& a) { return a.Seperator(); },
                 [](A& a, bool v) { a.SetSeperator(v); })
        .Boolean(QStringLiteral("SetFormProperties"), &A::SetFormProperties)
        .Boolean(QStringLiteral("UseHistory"), &A::UseHistory)
        .Boolean(QStringLiteral("SetFormCaption"), &A::SetFormCaption)
        .Enum(QStringLiteral("Style"), styles, [](const A& a) { return a.Style(); },
              [](A& a, AssistentStyle v) { a.SetStyle(v); })
        .Integer(QStringLiteral("TabSpaceX"), [](const A& a) { return a.TabSpaceX(); },
                 [](A& a, int v) { a.SetTabSpaceX(v); })
        .Integer(QStringLiteral("TabSpaceY"), [](const A& a) { return a.TabSpaceY(); },
                 [](A& a, int v) { a.SetTabSpaceY(v); })
        .Boolean(QStringLiteral("TabStop"), [](const A& a) { return a.TabStop(); },
                 [](A& a, bool v) { a.SetTabStop(v); })
        .Default(false)
        .DefineProperties([](A& a, TFiler& f) {
            TIntegerList& history = *a.History();
            f.DefineProperty(
                QStringLiteral("HistoryNumPages"),
                [&history](TReader& r) {
                    g_pendingCount = r.ReadInteger();
                    if (g_pendingCount <= 0)
                        history.Clear();
                },
                [&history](TWriter& w) { w.WriteInteger(history.Count()); }, true);
            f.DefineBinaryProperty(
                QStringLiteral("HistoryData"),
                [&history](const QByteArray& data) { history.ReadData(std::max(0, g_pendingCount), data); },
                [&history] { return history.Data(); }, history.Count() > 0);
            f.DefineBinaryProperty(
                QStringLiteral("FormSize"), [&a](const QByteArray& data) { ReadFormSize(a, data); },
                [&a] { return FormSizeBlock(a); }, true);
        });
    RegisterClass(ClassInfoFor<TAssistent>());
    DescribeContainerClasses(aligns);
}

void LoadWizardDesignTexts(TAssistent& wizard, const QString& folder)
{
    const TMemIniFile ini(QDir(folder).filePath(QStringLiteral("Assi.ini")));
    const QString sprache = ini.ReadString(QStringLiteral("Option"), QStringLiteral("Language"), QStringLiteral("english"));
    struct Text {
        TButtonData* data;
        const char* key;
        const char* standard;
        const char* glyph;
    };
    const Text texte[] = {
        {wizard.BtnHelp(), "Help", "&Help", "HELP"},
        {wizard.BtnWizardOK(), "AssistentOK", "&OK", "ASSISTENTOK"},
        {wizard.BtnFinish(), "Finish", "&Finish", "FINISH"},
        {wizard.BtnDialogOK(), "DialogOK", "&OK", "DIALOGOK"},
        {wizard.BtnChangeWizard(), "ChangeAssistent", "&Wizard", "CHANGEASSISTENT"},
        {wizard.BtnChangeDialog(), "ChangeDialog", "&Dialog", "CHANGEDIALOG"},
        {wizard.BtnCancel(), "Cancel", "&Cancel", "CANCEL"},
        {wizard.BtnNext(), "Next", "&Next", "ARROWR"},
        {wizard.BtnBack(), "Back", "&Back", "ARROWL"},
    };
    for (const Text& t : texte) {
        t.data->SetText(ini.ReadString(sprache, QString::fromLatin1(t.key), QString::fromLatin1(t.standard)));
        t.data->SetEnabled(true);
        t.data->SetShow(t.data != wizard.BtnHelp() && t.data != wizard.BtnWizardOK());
        TBitmap glyph;
        if (LoadWizardGlyph(QString::fromLatin1(t.glyph), glyph))
            t.data->SetGlyph(&glyph);
    }
    wizard.BtnNext()->SetLayout(blGlyphRight);
    wizard.SetCaptionWizard(
        ini.ReadString(sprache, QStringLiteral("CaptionWizard"), QStringLiteral("Wizard - Page %d of %d")));
    wizard.SetCaptionDialog(ini.ReadString(sprache, QStringLiteral("CaptionDialog"), QStringLiteral("Dialog")));
}
