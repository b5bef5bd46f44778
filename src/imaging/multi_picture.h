#pragma once
// TMultiPicture: a picture control that loads a file by its extension
// through the image file readers, shows it stretched, centred or at its
// natural size with an optional text overlay, reads a file's header
// information without loading it and copies and pastes through the
// clipboard.

#include <QString>

#include "platform/ui/control.h"
#include "platform/ui/graphics.h"

enum TLoadResolution { lColorVga, lMonoChrome, lColor16, lColor256, lColorTrue, lAutoMatic };
enum TSaveResolution { sColorVga, sMonoChrome, sColor16, sColor256, sColorTrue, sJpegGray, sAutoMatic };
enum TTiffCompression { sNONE, sCCITT, sLZW, sPACKBITS };

class TMultiPicture : public TCustomControl {
public:
    explicit TMultiPicture(TComponent* AOwner);
    ~TMultiPicture() override;

    TPicture* Picture() { return &picture_; }
    // Writing stores the name and loads the file; reading loads the stored
    // name again and gives the result text (the upper-cased name, or an
    // error text).
    void SetImageName(const QString& name);
    QString GetImageName();
    QString StoredImageName() const { return imageName_; }
    QString LastResult() const { return lastResult_; }

    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool v);
    bool Center() const { return center_; }
    void SetCenter(bool v);
    bool Stretch() const { return stretch_; }
    void SetStretch(bool v);
    bool StretchRatio() const { return stretchRatio_; }
    void SetStretchRatio(bool v);
    TBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle v);
    TLoadResolution ImageReadRes = lAutoMatic;
    TSaveResolution ImageWriteRes = sAutoMatic;
    TTiffCompression TifSaveCompress = sNONE;
    int JPegSaveQuality() const { return jpegQuality_; }
    void SetJPegSaveQuality(int v);
    int JPegSaveSmooth() const { return jpegSmooth_; }
    void SetJPegSaveSmooth(int v);
    QString DefSaveFilename;
    bool ImageDither = true;
    bool ReaderPalette = true;
    bool PNGInterLaced = false;
    bool UseTwainWindow = true;
    // Text (the overlay): TControl's Text and SetText.
    void SetText(const QString& v) override;
    int TextLeft() const { return textLeft_; }
    void SetTextLeft(int v);
    int TextTop() const { return textTop_; }
    void SetTextTop(int v);
    int TextRotate() const { return textRotate_; }
    void SetTextRotate(int v);
    bool TextShadow() const { return textShadow_; }
    void SetTextShadow(bool v);
    TColor TextShadowColor = clBlack;
    bool TextTransParent() const { return textTransparent_; }
    void SetTextTransParent(bool v);
    TNotifyEvent OnPaint;

    // Header information without loading the picture; the fields below.
    bool GetInfo(const QString& fileName);
    QString InfoType;
    int InfoWidth = 0, InfoHeight = 0;
    int InfoNumbers[3] = {0, 0, 0};  // bits per pixel, pages, resolution
    QString InfoDescription;
    qint64 InfoFileSize = 0;

    void ScanImage();
    void SelectScanSource();
    void CopyToClipboard();
    void CutToClipboard();
    void PasteFromClipboard();
    // The colour depth the readers are asked for (ImageReadRes).
    int ReaderResolution() const;
    // True when the picture covers the control exactly (drawn opaque).
    bool Opaque() const { return opaque_; }

    void Paint() override;
    void KeyDown(Word& Key, TShiftState Shift) override;
    void KeyPress(QChar& Key) override;

protected:
    QString GetText() const override { return text_; }

private:
    // Stores a property's new value and repaints when it changed.
    template <typename T>
    void Change(T& field, const T& value)
    {
        if (field != value) {
            field = value;
            Invalidate();
        }
    }
    QString Load(const QString& name);
    void PictureChanged();
    void StopCard();
    TPicture picture_;
    QString pictureType_;  // "ICO", "WMF" or empty for a bitmap
    QString imageName_;
    QString lastResult_;
    bool autoSize_ = false, center_ = false, stretch_ = false, stretchRatio_ = false;
    TBorderStyle borderStyle_ = bsNone;
    int jpegQuality_ = 25, jpegSmooth_ = 0;
    QString text_;
    int textLeft_ = 0, textTop_ = 0, textRotate_ = 0;
    bool textShadow_ = false, textTransparent_ = true;
    bool opaque_ = false;
    bool horzCard_ = false, vertCard_ = false;
};
