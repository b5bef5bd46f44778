#pragma once
// The small modal forms the image window opens: the page choice for
// multi-page TIFF files, the TIFF compression choice and the JPEG quality
// choice when saving.

#include "platform/ui/forms.h"

class TComboBox;
class TLabel;
class TButton;
class TEdit;
class TMemo;
class TImageWindow;

// The TIFF compression table: list index -> value passed to the library.
inline constexpr int kTiffCompressionValues[] = {1, 160, 120, 110, 130, 140};
extern const char* const kTiffCompressionNames[6];

class TMultiImageDialog : public TForm {
public:
    TMultiImageDialog(TComponent* AOwner, const QString& fileName, int pageCount);
    TComboBox* Pages = nullptr;
    TImageWindow* Preview = nullptr;
    TLabel* WidthLabel = nullptr;
    TLabel* HeightLabel = nullptr;
    TLabel* MemoryLabel = nullptr;
    TLabel* BitsLabel = nullptr;
    TLabel* ColorsLabel = nullptr;
    TMemo* Instructions = nullptr;
    TButton* OkButton = nullptr;
    TButton* CancelButton = nullptr;
    TButton* HelpButton = nullptr;
    // Loads the chosen page into the preview and shows its figures.
    void PageChanged();

private:
    QString fileName_;
};

class TCompressionDlg : public TForm {
public:
    explicit TCompressionDlg(TComponent* AOwner);
    TLabel* Label = nullptr;
    TComboBox* Types = nullptr;
    TButton* OkButton = nullptr;
};

class TQualityDlg : public TForm {
public:
    explicit TQualityDlg(TComponent* AOwner);
    TLabel* Label = nullptr;
    TEdit* Quality = nullptr;  // 1 .. 100
    TButton* OkButton = nullptr;
};

// The page of a multi-page file: the chosen list index after OK, else -1.
int ChooseTiffPage(const QString& fileName, int pageCount);
// The TIFF compression for an image of `bitsPerPixel`: the table value
// after OK, else 0. The CCITT entries are offered for 1-bit images only,
// with Group 4 preselected.
int ChooseTiffCompression(int bitsPerPixel);
// The JPEG quality: the entered value (1..100) after OK, else `preset`.
int ChooseJpegQuality(int preset);
