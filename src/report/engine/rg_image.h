#pragma once
// Pictures on a band: TrgImage holds its picture in the template; TrgDBImage
// takes it, record by record, from a pipeline field (BMP, JPEG, PNG bytes
// read through the picture library) or from OnGetPicture. Each printed
// occurrence becomes one TrgDrawImage with the picture and its layout flags
// (stretch, keep the aspect ratio, centre).

#include <QByteArray>

#include <functional>

#include "platform/ui/graphics.h"
#include "report/engine/rg_component.h"

// A report picture is decoded only up to this many pixels (a 40-megapixel
// photo fits); a header that claims more gives an empty picture, so no
// field's bytes can make the engine allocate beyond it.
inline constexpr int64_t kMaxReportPicturePixels = 40'000'000;

// Reads picture bytes (BMP, JPEG, PNG, any format of the picture library)
// into Picture. Empty, unreadable, corrupt or too large bytes leave an empty
// picture and return false.
bool rgLoadReportPicture(const QByteArray& Bytes, TPicture& Picture);
// The same for a picture file.
bool rgLoadReportPictureFile(const QString& FileName, TPicture& Picture);

using TrgPictureEvent = std::function<void(TObject* Sender, TPicture* Picture)>;

class TrgCustomImage : public TrgCustomComponent {
public:
    explicit TrgCustomImage(TComponent* AOwner);
    ~TrgCustomImage() override;

    bool Center() const { return center_; }
    void SetCenter(bool Value);
    bool MaintainAspectRatio() const { return maintainAspectRatio_; }
    void SetMaintainAspectRatio(bool Value);
    bool Stretch() const { return stretch_; }
    void SetStretch(bool Value);

    // The picture the draw command gets; a data image loads it here.
    virtual TPicture* GetPicture() { return &picture_; }
    void SetPicture(const TPicture& Value);
    // The picture as it stands, without loading.
    TPicture* Picture() { return &picture_; }

    void SetTransparent(bool Value) override;
    bool HasColor() const override { return false; }
    bool HasFont() const override { return false; }
    void PropertiesToDrawCommand(TrgDrawCommand* DrawCommand) override;

    // Sizes the component to the picture (AutoSize), then refreshes.
    virtual void PictureChanged();

    // How often the component was refreshed: a designer repaints on it.
    int RefreshCount() const { return refreshCount_; }

protected:
    void Refresh();

private:
    bool center_ = true;
    bool maintainAspectRatio_ = false;
    TPicture picture_;
    bool stretch_ = false;
    int refreshCount_ = 0;
};

class TrgImage : public TrgCustomImage {
public:
    explicit TrgImage(TComponent* AOwner);
    void SetAutoSize(bool Value) override;
    // Reads the picture from a file through the picture library; false
    // (and an empty picture) when it cannot be read.
    bool LoadPictureFromFile(const QString& FileName);
};

class TrgDBImage : public TrgCustomImage {
public:
    explicit TrgDBImage(TComponent* AOwner);

    bool AutoDisplay() const { return autoDisplay_; }
    void SetAutoDisplay(bool Value);
    TrgPictureEvent OnGetPicture;

    // The picture of the current record.
    void LoadPicture();
    TPicture* GetPicture() override;
    // A data image never resizes itself.
    void PictureChanged() override { Refresh(); }

    bool IsDataAware() const override { return true; }
    QString GetDescription() const override;
    void SetDataField(const QString& Value) override;
    void PipelineNotification(TrgDataPipeline* Pipeline, int Operation) override;

private:
    bool autoDisplay_ = true;
};

// Makes the image component classes known to the component stream by name.
void rgRegisterImageComponentClasses();
