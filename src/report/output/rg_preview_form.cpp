#include "report/output/rg_preview_form.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

#include "platform/ui/buttons.h"
#include "platform/ui/com_ctrls.h"
#include "platform/ui/mask_edit.h"
#include "report/output/rg_viewer.h"

namespace {

enum class TGlyph { Print, WholePage, PageWidth, Percent100, First, Prior, Next, Last };

// The buttons' pictures, drawn here rather than shipped as files.
QImage GlyphImage(TGlyph glyph)
{
    QImage image(16, 16, QImage::Format_RGB32);
    // The bottom-left pixel's colour is left out when the button shows it.
    image.fill(QColor(192, 192, 192));
    QPainter p(&image);
    p.setPen(Qt::black);
    auto page = [&](QRect r) {
        p.setBrush(Qt::white);
        p.drawRect(r);
    };
    auto triangle = [&](int tipX, int baseX) {
        QPainterPath path;
        path.moveTo(tipX, 8);
        path.lineTo(baseX, 3);
        path.lineTo(baseX, 13);
        path.closeSubpath();
        p.fillPath(path, Qt::black);
    };
    switch (glyph) {
    case TGlyph::Print:
        page(QRect(4, 1, 8, 6));
        p.setBrush(QColor(128, 128, 128));
        p.drawRect(QRect(1, 7, 14, 5));
        page(QRect(4, 10, 8, 4));
        break;
    case TGlyph::WholePage:
        page(QRect(3, 1, 9, 13));
        p.drawLine(5, 4, 10, 4);
        p.drawLine(5, 7, 10, 7);
        p.drawLine(5, 10, 10, 10);
        break;
    case TGlyph::PageWidth:
        page(QRect(1, 3, 13, 11));
        p.drawLine(3, 8, 12, 8);
        p.drawLine(3, 8, 5, 6);
        p.drawLine(3, 8, 5, 10);
        p.drawLine(12, 8, 10, 6);
        p.drawLine(12, 8, 10, 10);
        break;
    case TGlyph::Percent100: {
        QFont font = p.font();
        font.setPixelSize(9);
        font.setBold(true);
        p.setFont(font);
        page(QRect(0, 2, 15, 11));
        p.drawText(QRect(0, 2, 16, 12), Qt::AlignCenter, QStringLiteral("1:1"));
        break;
    }
    case TGlyph::First:
        p.fillRect(QRect(3, 3, 2, 11), Qt::black);
        triangle(5, 12);
        break;
    case TGlyph::Prior: triangle(4, 11); break;
    case TGlyph::Next: triangle(12, 5); break;
    case TGlyph::Last:
        p.fillRect(QRect(11, 3, 2, 11), Qt::black);
        triangle(11, 4);
        break;
    }
    p.end();
    return image;
}

TSpeedButton* BarButton(TrgPrintPreview* form, TPanel* bar, const char* name, int left, TGlyph glyph,
                        const QString& hint)
{
    auto* button = new TSpeedButton(form);
    button->Name = QString::fromLatin1(name);
    button->SetParent(bar);
    button->SetBounds(left, 3, 25, 25);
    TBitmap picture;
    picture.SetImage(GlyphImage(glyph));
    button->SetGlyph(&picture);
    button->SetHint(hint);
    button->SetShowHint(true);
    button->SetFlat(true);
    return button;
}

TCustomMaskEdit* BarField(TrgPrintPreview* form, TPanel* bar, const char* name, int left, int width)
{
    auto* field = new TCustomMaskEdit(form);
    field->Name = QString::fromLatin1(name);
    field->SetParent(bar);
    field->SetBounds(left, 4, width, 23);
    return field;
}

bool IsEnter(QChar key) { return key == u'\r' || key == u'\n'; }

}  // namespace

void TrgPrintPreview::Register()
{
    rgRegisterFormClass<TrgCustomPreviewer, TrgPrintPreview>(QStringLiteral("TrgPrintPreview"));
}

TrgPrintPreview::TrgPrintPreview(TComponent* AOwner) : TrgCustomPreviewer(AOwner)
{
    Name = QStringLiteral("rgPrintPreview");
    SetCaption(QStringLiteral("Print Preview"));
    SetBounds(0, 0, 640, 560);
    Position = poScreenCenter;
    KeyPreview = true;

    pnlPreviewBar = new TPanel(this);
    pnlPreviewBar->Name = QStringLiteral("pnlPreviewBar");
    pnlPreviewBar->SetParent(this);
    pnlPreviewBar->SetAlign(alTop);
    pnlPreviewBar->SetHeight(31);
    pnlPreviewBar->SetCaption(QString());
    pnlPreviewBar->SetTabStop(true);

    spbPreviewPrint = BarButton(this, pnlPreviewBar, "spbPreviewPrint", 4, TGlyph::Print, QStringLiteral("Print Report"));
    spbPreviewWhole = BarButton(this, pnlPreviewBar, "spbPreviewWhole", 36, TGlyph::WholePage, QStringLiteral("Whole Page"));
    spbPreviewFirst = BarButton(this, pnlPreviewBar, "spbPreviewFirst", 128, TGlyph::First, QStringLiteral("First Page"));
    spbPreviewPrior = BarButton(this, pnlPreviewBar, "spbPreviewPrior", 153, TGlyph::Prior, QStringLiteral("Prior Page"));
    mskPreviewPage = BarField(this, pnlPreviewBar, "mskPreviewPage", 180, 44);
    spbPreviewNext = BarButton(this, pnlPreviewBar, "spbPreviewNext", 226, TGlyph::Next, QStringLiteral("Next Page"));
    spbPreviewLast = BarButton(this, pnlPreviewBar, "spbPreviewLast", 251, TGlyph::Last, QStringLiteral("Last Page"));
    spbPreviewWidth = BarButton(this, pnlPreviewBar, "spbPreviewWidth", 61, TGlyph::PageWidth, QStringLiteral("Page Width"));
    spbPreview100Percent =
        BarButton(this, pnlPreviewBar, "spbPreview100Percent", 86, TGlyph::Percent100, QStringLiteral("100 %"));
    for (TSpeedButton* zoom : {spbPreviewWhole, spbPreviewWidth, spbPreview100Percent}) {
        zoom->SetGroupIndex(1);
        zoom->AllowAllUp = true;
    }
    spbPreviewClose = new TSpeedButton(this);
    spbPreviewClose->Name = QStringLiteral("spbPreviewClose");
    spbPreviewClose->SetParent(pnlPreviewBar);
    spbPreviewClose->SetBounds(340, 3, 80, 25);
    spbPreviewClose->SetCaption(QStringLiteral("Close"));
    Bevel1 = new TBevel(this);
    Bevel1->Name = QStringLiteral("Bevel1");
    Bevel1->SetParent(pnlPreviewBar);
    Bevel1->SetBounds(118, 4, 2, 23);
    Bevel1->SetShape(bsLeftLine);
    mskPreviewPercentage = BarField(this, pnlPreviewBar, "mskPreviewPercentage", 284, 48);

    rgViewer1 = new TrgViewer(this);
    rgViewer1->Name = QStringLiteral("rgViewer1");
    rgViewer1->SetParent(this);
    rgViewer1->SetAlign(alClient);

    spbPreviewPrint->OnClick = [this](TObject*) { rgViewer1->Print(); };
    spbPreviewFirst->OnClick = [this](TObject*) { rgViewer1->FirstPage(); };
    spbPreviewPrior->OnClick = [this](TObject*) { rgViewer1->PriorPage(); };
    spbPreviewNext->OnClick = [this](TObject*) { rgViewer1->NextPage(); };
    spbPreviewLast->OnClick = [this](TObject*) { rgViewer1->LastPage(); };
    spbPreviewWhole->OnClick = [this](TObject*) { ZoomClick(zsWholePage); };
    spbPreviewWidth->OnClick = [this](TObject*) { ZoomClick(zsPageWidth); };
    spbPreview100Percent->OnClick = [this](TObject*) { ZoomClick(zs100Percent); };
    spbPreviewClose->OnClick = [this](TObject*) { CloseClick(); };
    mskPreviewPage->OnKeyPress = [this](TObject*, QChar& Key) { PageKeyPress(Key); };
    mskPreviewPercentage->OnKeyPress = [this](TObject*, QChar& Key) { PercentageKeyPress(Key); };
    OnKeyDown = [this](TObject*, Word& Key, TShiftState Shift) { FormKeyDown(Key, Shift); };
    OnClose = [](TObject*, TCloseAction& Action) { Action = caFree; };
    rgViewer1->OnPageChange = [this](TObject*) { ViewerPageChange(); };
    rgViewer1->OnStatusChange = [this](TObject*) { ViewerStatusChange(); };
    rgViewer1->OnPrintStateChange = [this](TObject*) { ViewerPrintStateChange(); };

    Loaded();
    // FormCreate: the status bar below the viewer.
    StatusBar = new TStatusBar(this);
    StatusBar->Name = QStringLiteral("StatusBar");
    StatusBar->SetParent(this);
    StatusBar->SetAlign(alBottom);
    StatusBar->SetHeight(20);
    StatusBar->SetSimplePanel(true);
    AlignControls();
    DoCreate();
}

void TrgPrintPreview::LanguageChanged()
{
    spbPreviewPrint->SetHint(LanguageString(22));
    spbPreviewWhole->SetHint(LanguageString(30));
    spbPreviewWidth->SetHint(LanguageString(31));
    spbPreview100Percent->SetHint(LanguageString(1));
    spbPreviewFirst->SetHint(LanguageString(13));
    spbPreviewPrior->SetHint(LanguageString(29));
    spbPreviewNext->SetHint(LanguageString(15));
    spbPreviewLast->SetHint(LanguageString(14));
    spbPreviewClose->SetCaption(LanguageString(6));
    spbPreviewClose->SetWidth(QFontMetrics(spbPreviewClose->Font()->ToQFont()).horizontalAdvance(LanguageString(6)) + 30);
    SetCaption(LanguageString(23));
    // The viewer's progress texts in the same language.
    rgViewer1->ScreenDevice()->LanguageIndex = LanguageIndex();
}

void TrgPrintPreview::ReportAssigned()
{
    if (TrgFormReport* report = FormReport())
        rgViewer1->SetReport(report);
}

void TrgPrintPreview::Activate()
{
    ShowZoomButtons();
    TrgCustomPreviewer::Activate();
}

void TrgPrintPreview::ShowZoomButtons()
{
    spbPreviewWhole->SetDown(rgViewer1->ZoomSetting() == zsWholePage);
    spbPreviewWidth->SetDown(rgViewer1->ZoomSetting() == zsPageWidth);
    spbPreview100Percent->SetDown(rgViewer1->ZoomSetting() == zs100Percent);
}

void TrgPrintPreview::FormKeyDown(Word& Key, TShiftState Shift)
{
    if (!Shift.Contains(ssCtrl))
        return;
    switch (Key) {
    case VK_PRIOR: rgViewer1->PriorPage(); break;
    case VK_NEXT: rgViewer1->NextPage(); break;
    case VK_END: rgViewer1->LastPage(); break;
    case VK_HOME: rgViewer1->FirstPage(); break;
    default: return;
    }
    Key = 0;
}

void TrgPrintPreview::PageKeyPress(QChar& Key)
{
    if (!IsEnter(Key))
        return;
    bool ok = false;
    const int page = mskPreviewPage->Text().trimmed().toInt(&ok);
    if (ok)
        rgViewer1->GotoPage(page);
    Key = QChar();
}

void TrgPrintPreview::PercentageKeyPress(QChar& Key)
{
    if (!IsEnter(Key))
        return;
    QString text = mskPreviewPercentage->Text().trimmed();
    if (text.endsWith(u'%'))
        text.chop(1);
    bool ok = false;
    const int percentage = text.trimmed().toInt(&ok);
    rgViewer1->SetZoomPercentage(ok ? percentage : 100);
    for (TSpeedButton* zoom : {spbPreviewWhole, spbPreviewWidth, spbPreview100Percent})
        zoom->SetDown(false);
    mskPreviewPercentage->SetText(QString::number(rgViewer1->CalculatedZoom()));
    Key = QChar();
}

void TrgPrintPreview::ZoomClick(TrgZoomSettingType Setting)
{
    rgViewer1->SetZoomSetting(Setting);
    ShowZoomButtons();
    mskPreviewPercentage->SetText(QString::number(rgViewer1->CalculatedZoom()));
    if (pnlPreviewBar->CanFocus())
        pnlPreviewBar->SetFocus();
}

void TrgPrintPreview::CloseClick()
{
    if (rgViewer1->Busy())
        rgViewer1->Cancel();
    else
        Close();
}

void TrgPrintPreview::ViewerPageChange()
{
    mskPreviewPage->SetText(QString::number(rgViewer1->AbsolutePageNo()));
    mskPreviewPercentage->SetText(QString::number(rgViewer1->CalculatedZoom()));
}

void TrgPrintPreview::ViewerStatusChange()
{
    StatusBar->SetSimpleText(rgViewer1->Status());
}

void TrgPrintPreview::ViewerPrintStateChange()
{
    const bool busy = rgViewer1->Busy();
    const TCursor cursor = busy ? crHourGlass : crDefault;
    mskPreviewPage->SetEnabled(!busy);
    mskPreviewPercentage->SetEnabled(!busy);
    pnlPreviewBar->SetCursor(cursor);
    rgViewer1->PaintBox()->SetCursor(cursor);
    StatusBar->SetCursor(cursor);
    spbPreviewClose->SetCursor(crDefault);
    spbPreviewClose->SetCaption(LanguageString(busy ? 5 : 6));
    // Show the new shape at once.
    QCursor::setPos(QCursor::pos());
}
