#include "imaging/image_dialogs.h"

#include "imaging/form_place.h"
#include "imaging/image_window.h"
#include "platform/ui/std_ctrls.h"

const char* const kTiffCompressionNames[6] = {"TIFF UnCompressed", "TIFF LZW", "TIFF Packed",
                                              "TIFF CCITT 1D Huffmman", "TIFF CCITT 3G", "TIFF CCITT 4G"};

namespace {

// Name, caption, frame and client size of a small dialog.
void SetUpDialog(TForm* form, const char* name, const QString& caption, int width, int height)
{
    form->Name = name;
    form->SetCaption(caption);
    form->SetBorderStyle(bsDialog);
    form->SetClientWidth(width);
    form->SetClientHeight(height);
}

TButton* OkButtonAt(TForm* form, int left, int top)
{
    TButton* ok = Place<TButton>(form, form, left, top, 75, 25, "OK");
    ok->ModalResult = mrOk;
    ok->SetDefault(true);
    return ok;
}

}  // namespace

TMultiImageDialog::TMultiImageDialog(TComponent* AOwner, const QString& fileName, int pageCount)
    : TForm(AOwner), fileName_(fileName)
{
    SetUpDialog(this, "MultiImageDialog", "\"Multipage Tiff Image\" Auswahl", 470, 300);
    Pages = Place<TComboBox>(this, this, 10, 10, 200, 24);
    Pages->SetStyle(csDropDownList);
    for (int i = 1; i <= pageCount; ++i)
        Pages->Items()->Add("Tiff Image Page " + QString::number(i));
    Preview = Place<TImageWindow>(this, this, 10, 44, 200, 200);
    Preview->SetShowGauge(false);
    Preview->SetShowToolbar(false);  // a preview, not an editor
    WidthLabel = Place<TLabel>(this, this, 230, 14, 230, 16);
    HeightLabel = Place<TLabel>(this, this, 230, 36, 230, 16);
    MemoryLabel = Place<TLabel>(this, this, 230, 58, 230, 16);
    BitsLabel = Place<TLabel>(this, this, 230, 80, 230, 16);
    ColorsLabel = Place<TLabel>(this, this, 230, 102, 230, 16);
    Instructions = Place<TMemo>(this, this, 230, 130, 230, 114);
    Instructions->SetReadOnly(true);
    Instructions->SetText("Die Datei enthält mehrere Bilder. Wählen Sie die Seite, die geladen werden soll, "
                          "und bestätigen Sie mit OK.");
    OkButton = OkButtonAt(this, 140, 262);
    CancelButton = Place<TButton>(this, this, 225, 262, 75, 25, "Abbrechen");
    CancelButton->ModalResult = mrCancel;
    CancelButton->Cancel = true;
    HelpButton = Place<TButton>(this, this, 310, 262, 75, 25, "Hilfe");
    TPicUserHelp::Button(HelpButton);
    Pages->OnChange = [this](TObject*) { PageChanged(); };
    Loaded();
    if (pageCount > 0) {
        Pages->SetItemIndex(0);
        PageChanged();
    }
}

void TMultiImageDialog::PageChanged()
{
    const int page = Pages->ItemIndex();
    if (page < 0)
        return;
    Preview->ImageInWindow()->Load(fileName_, 0, page);
    Preview->SetFitStyle(fsBest);
    TImageInWindow* h = Preview->ImageInWindow();
    const int w = h->GetImageWidth(), ht = h->GetImageHeight(), bits = h->BitsPerPixel();
    WidthLabel->SetCaption(QString("Breite: %1 Pixel").arg(w));
    HeightLabel->SetCaption(QString("Höhe: %1 Pixel").arg(ht));
    MemoryLabel->SetCaption(QString("Speicher: %1 Bytes").arg(qint64(double(w) * ht * bits * 0.125)));
    BitsLabel->SetCaption(QString("Bits pro Pixel: %1").arg(bits));
    ColorsLabel->SetCaption(QString("Farben: %1").arg(bits >= 64 ? 0 : (uint64_t(1) << bits)));
}

TCompressionDlg::TCompressionDlg(TComponent* AOwner) : TForm(AOwner)
{
    SetUpDialog(this, "CompressionDlg", "TIFF Compression Selection", 260, 110);
    Label = Place<TLabel>(this, this, 10, 10, 240, 16, "TIFF Compression Type");
    Types = Place<TComboBox>(this, this, 10, 32, 240, 24);
    Types->SetStyle(csDropDownList);
    OkButton = OkButtonAt(this, 92, 72);
    Loaded();
}

TQualityDlg::TQualityDlg(TComponent* AOwner) : TForm(AOwner)
{
    SetUpDialog(this, "QualityDlg", "JPEG Quality Selection", 220, 110);
    Label = Place<TLabel>(this, this, 10, 10, 200, 16, "Quality factor (%)");
    Quality = Place<TEdit>(this, this, 10, 32, 80, 24);
    OkButton = OkButtonAt(this, 72, 72);
    Loaded();
}

int ChooseTiffPage(const QString& fileName, int pageCount)
{
    TMultiImageDialog dlg(Application, fileName, pageCount);
    if (dlg.ShowModal() == mrOk && dlg.Pages->ItemIndex() >= 0)
        return dlg.Pages->ItemIndex();
    return -1;
}

int ChooseTiffCompression(int bitsPerPixel)
{
    TCompressionDlg dlg(Application);
    const int entries = bitsPerPixel == 1 ? 6 : 3;
    for (int i = 0; i < entries; ++i)
        dlg.Types->Items()->Add(kTiffCompressionNames[i]);
    dlg.Types->SetItemIndex(bitsPerPixel == 1 ? 5 : 0);
    if (dlg.ShowModal() == mrOk && dlg.Types->ItemIndex() >= 0)
        return kTiffCompressionValues[dlg.Types->ItemIndex()];
    return 0;
}

int ChooseJpegQuality(int preset)
{
    TQualityDlg dlg(Application);
    dlg.Quality->SetText(QString::number(preset));
    if (dlg.ShowModal() != mrOk)
        return preset;
    bool ok = false;
    const int v = dlg.Quality->Text().trimmed().toInt(&ok);
    return ok ? std::clamp(v, 1, 100) : preset;
}
