#include "report/engine/rg_image.h"
#include "report/engine/rg_describe.h"

#include "platform/data/field.h"
#include "platform/picture/picture_io.h"
#include "platform/stream/class_registry.h"
#include "platform/stream/graphics_streaming.h"
#include "report/engine/rg_pipeline.h"
#include "report/engine/rg_text_components.h"
#include "report/output/rg_draw_commands.h"

namespace {

bool SizeAllowed(const TPicInfo& Info)
{
    return Info.Width > 0 && Info.Height > 0 && int64_t(Info.Width) * Info.Height <= kMaxReportPicturePixels;
}

void SetPictureImage(TPicture& Picture, const QImage& Image)
{
    if (Image.isNull()) {
        Picture.SetGraphic(nullptr);
        return;
    }
    TBitmap bitmap;
    bitmap.SetImage(Image.hasAlphaChannel() ? Image.convertToFormat(QImage::Format_ARGB32)
                                            : Image.convertToFormat(QImage::Format_RGB32));
    Picture.SetGraphic(&bitmap);
}

}  // namespace

bool rgLoadReportPicture(const QByteArray& Bytes, TPicture& Picture)
{
    TPicInfo info;
    TPicError error;
    TPicImage image;
    // The header is read first: a picture too large is refused before any
    // pixel buffer is made.
    const bool read = !Bytes.isEmpty() && PicPingBytes(Bytes, QString(), info, error) && SizeAllowed(info) &&
                      PicReadBytes(Bytes, QString(), 0, 0, image, error);
    SetPictureImage(Picture, read ? image.Pixels : QImage());
    return read && !image.IsNull();
}

bool rgLoadReportPictureFile(const QString& FileName, TPicture& Picture)
{
    TPicInfo info;
    TPicError error;
    TPicImage image;
    const bool read = PicPing(FileName, info, error) && SizeAllowed(info) && PicRead(FileName, 0, 0, image, error);
    SetPictureImage(Picture, read ? image.Pixels : QImage());
    return read && !image.IsNull();
}

// ---- TrgCustomImage ----------------------------------------------------------

TrgCustomImage::TrgCustomImage(TComponent* AOwner) : TrgCustomComponent(AOwner)
{
    SetPixelBounds(0, 0, 50, 50);
    drawCommandFactory_ = [] { return new TrgDrawImage(nullptr); };
    picture_.OnChange = [this](TObject*) { PictureChanged(); };
}

TrgCustomImage::~TrgCustomImage() { picture_.OnChange = nullptr; }

void TrgCustomImage::SetCenter(bool Value)
{
    if (center_ == Value)
        return;
    center_ = Value;
    PictureChanged();
}

void TrgCustomImage::SetMaintainAspectRatio(bool Value)
{
    if (maintainAspectRatio_ == Value)
        return;
    maintainAspectRatio_ = Value;
    PictureChanged();
}

void TrgCustomImage::SetStretch(bool Value)
{
    stretch_ = Value;
    PictureChanged();
}

void TrgCustomImage::SetPicture(const TPicture& Value)
{
    picture_.Assign(&Value);
    PictureChanged();
}

void TrgCustomImage::SetTransparent(bool Value)
{
    TrgCustomComponent::SetTransparent(Value);
    PictureChanged();
}

void TrgCustomImage::Refresh()
{
    ++refreshCount_;
    Invalidate();
}

void TrgCustomImage::PictureChanged()
{
    if (Loading())
        return;
    if (AutoSize() && picture_.Width() > 0 && picture_.Height() > 0)
        SetPixelBounds(GetPixelLeft(), GetPixelTop(), picture_.Width(), picture_.Height());
    Refresh();
}

void TrgCustomImage::PropertiesToDrawCommand(TrgDrawCommand* DrawCommand)
{
    TrgCustomComponent::PropertiesToDrawCommand(DrawCommand);
    auto* image = dynamic_cast<TrgDrawImage*>(DrawCommand);
    if (!image)
        return;
    image->Left = DrawRect().Left;
    image->Top = DrawRect().Top;
    image->Height = DrawRect().Bottom - DrawRect().Top;
    image->Width = DrawRect().Right - DrawRect().Left;
    image->Stretch = stretch_;
    image->Center = center_;
    image->MaintainAspectRatio = maintainAspectRatio_;
    image->Picture.Assign(GetPicture());
    image->Transparent = Transparent();
}

// ---- TrgImage ----------------------------------------------------------------

TrgImage::TrgImage(TComponent* AOwner) : TrgCustomImage(AOwner) {}

void TrgImage::SetAutoSize(bool Value)
{
    TrgCustomImage::SetAutoSize(Value);
    if (Value)
        PictureChanged();
}

bool TrgImage::LoadPictureFromFile(const QString& FileName) { return rgLoadReportPictureFile(FileName, *Picture()); }

// ---- TrgDBImage --------------------------------------------------------------

TrgDBImage::TrgDBImage(TComponent* AOwner) : TrgCustomImage(AOwner)
{
    SetEditKind(ekDataField, QStringLiteral("DataField"));
}

void TrgDBImage::SetAutoDisplay(bool Value)
{
    if (autoDisplay_ == Value)
        return;
    autoDisplay_ = Value;
    if (Value)
        LoadPicture();
}

QString TrgDBImage::GetDescription() const
{
    return DataField().isEmpty() ? Name : DataField() + QStringLiteral(": ") + Name;
}

void TrgDBImage::SetDataField(const QString& Value)
{
    TrgCustomImage::SetDataField(Value);
    LoadPicture();
}

void TrgDBImage::LoadPicture()
{
    if (!autoDisplay_)
        return;
    if (OnGetPicture) {
        OnGetPicture(this, Picture());
        return;
    }
    TrgDataPipeline* pipeline = DataPipeline();
    TrgDataType type = dtNotKnown;
    if (pipeline && !DataField().isEmpty())
        type = pipeline->GetFieldDataType(DataField());
    if (InDesignState() && !(State() & rgStateShowData) && !IsPrinting()) {
        Picture()->SetGraphic(nullptr);
        return;
    }
    if (pipeline && !DataField().isEmpty() && pipeline->IsActive() &&
        (pipeline->PipelineState() & tsNoRecords) == 0) {
        // A memo field holds the picture bytes in album tables, so it is
        // read like a BLOB field.
        if (type == dtBLOB || type == dtGraphic || type == dtMemo) {
            TBlobField* field = pipeline->GetFieldAsObject(DataField());
            rgLoadReportPicture(field ? field->AsBytes() : QByteArray(), *Picture());
        }
        Refresh();
        return;
    }
    Picture()->SetGraphic(nullptr);
}

TPicture* TrgDBImage::GetPicture()
{
    if (OnGetPicture)
        OnGetPicture(this, Picture());
    else
        LoadPicture();
    return Picture();
}

void TrgDBImage::PipelineNotification(TrgDataPipeline* Pipeline, int Operation)
{
    TrgCustomImage::PipelineNotification(Pipeline, Operation);
    if ((Operation == rgPipelineChanged || Operation == rgPipelineDestroying) && InDesignState() && !IsPrinting())
        LoadPicture();
}

// ---- stream form -------------------------------------------------------------

namespace {

using rgdescribe::Get;
using rgdescribe::Put;

void DescribeImageClasses()
{
    rgRegisterTextComponentClasses();
    using C = TrgCustomImage;
    DescribeClass<C, TrgCustomComponent>(QStringLiteral("TrgCustomImage"))
        .Boolean("Center", Get(&C::Center), Put(&C::SetCenter)).Default(true)
        .Boolean("MaintainAspectRatio", Get(&C::MaintainAspectRatio), Put(&C::SetMaintainAspectRatio)).Default(false)
        .Boolean("Stretch", Get(&C::Stretch), Put(&C::SetStretch)).Default(false)
        .Boolean("Transparent", Get(&C::Transparent), Put(&C::SetTransparent)).Default(false)
        .Boolean("ReprintOnOverFlow", Get(&C::ReprintOnOverFlow), Put(&C::SetReprintOnOverFlow)).Default(false)
        .Boolean("ShiftWithParent", Get(&C::ShiftWithParent), Put(&C::SetShiftWithParent)).Default(false)
        .Boolean("Visible", Get(&C::Visible), Put(&C::SetVisible)).Default(true);

    using I = TrgImage;
    DescribeClass<I, C>(QStringLiteral("TrgImage"))
        .Boolean("AutoSize", Get(&I::AutoSize), Put(&I::SetAutoSize)).Default(false)
        .Object("Picture", [](I& i) { return i.Picture(); });

    using D = TrgDBImage;
    DescribeClass<D, C>(QStringLiteral("TrgDBImage"))
        .Boolean("AutoDisplay", Get(&D::AutoDisplay), Put(&D::SetAutoDisplay)).Default(true)
        .String("DataField", Get(&D::DataField), [](D& d, const QString& v) { d.SetDataField(v); })
        .Boolean("ParentDataPipeline", Get(&D::ParentDataPipeline), Put(&D::SetParentDataPipeline)).Default(true);
}

}  // namespace

void rgRegisterImageComponentClasses()
{
    static const bool described = (DescribeImageClasses(), true);
    (void)described;
    RegisterClass(ClassInfoFor<TrgImage>());
    RegisterClass(ClassInfoFor<TrgDBImage>());
}
