#include "platform/stream/graphics_streaming.h"

#include "platform/core/exceptions.h"
#include "platform/stream/component_reader.h"
#include "platform/stream/stream_format.h"
#include "platform/ui/graphics.h"

#include "platform/picture/picture_limits.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>

namespace {

const char* const kBitmapClass = "TBitmap";

// The graphic's class name, then a 32-bit size and the BMP file.
QByteArray PictureData(const TPicture& picture)
{
    QByteArray bmp;
    QBuffer buffer(&bmp);
    buffer.open(QIODevice::WriteOnly);
    picture.Graphic()->ToImage().save(&buffer, "BMP");
    QByteArray data;
    TByteEncoder enc(data);
    enc.ShortString(kBitmapClass);
    enc.LE(bmp.size(), 4);
    data.append(bmp);
    return data;
}

void ReadPictureData(TPicture& picture, const QByteArray& data)
{
    TByteCursor cur(data);
    const QString className = QString::fromLatin1(cur.ShortBytes());
    if (className.isEmpty()) {
        picture.SetGraphic(nullptr);
        return;
    }
    // Bitmaps and JPEG images carry a size before their file; both decode
    // into a bitmap.
    if (className != QLatin1String(kBitmapClass) && className != QLatin1String("TJPEGImage"))
        throw EReadError(QStringLiteral("Das Grafikformat %1 wird nicht unterstützt").arg(className));
    QByteArray file = cur.Bytes(cur.Length32());
    QBuffer buffer(&file);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    // The header's size is checked before any pixel buffer is made.
    const QSize size = reader.size();
    if (size.isValid() && !PictureSizeAllowed(size.width(), size.height()))
        throw EReadError(QStringLiteral("Die Grafik ist zu groß (%1 x %2 Bildpunkte)").arg(size.width()).arg(size.height()));
    const QImage image = reader.read();
    if (image.isNull())
        throw EReadError(QStringLiteral("Die Grafik kann nicht gelesen werden"));
    TBitmap bitmap;
    bitmap.SetImage(image);
    picture.SetGraphic(&bitmap);
}

}  // namespace

const TEnumInfo* ColorIdents()
{
    static const TEnumInfo* idents = RegisterIdentMap(
        QStringLiteral("TColor"),
        {{"clBlack", clBlack}, {"clMaroon", clMaroon}, {"clGreen", clGreen}, {"clOlive", clOlive},
         {"clNavy", clNavy}, {"clPurple", clPurple}, {"clTeal", clTeal}, {"clGray", clGray},
         {"clSilver", clSilver}, {"clRed", clRed}, {"clLime", clLime}, {"clYellow", clYellow},
         {"clBlue", clBlue}, {"clFuchsia", clFuchsia}, {"clAqua", clAqua}, {"clWhite", clWhite},
         {"clScrollBar", clScrollBar}, {"clBackground", clBackground},
         {"clActiveCaption", clActiveCaption}, {"clInactiveCaption", clInactiveCaption},
         {"clMenu", clMenu}, {"clWindow", clWindow}, {"clWindowFrame", clWindowFrame},
         {"clMenuText", clMenuText}, {"clWindowText", clWindowText}, {"clCaptionText", clCaptionText},
         {"clActiveBorder", clActiveBorder}, {"clInactiveBorder", clInactiveBorder},
         {"clAppWorkSpace", clAppWorkSpace}, {"clHighlight", clHighlight},
         {"clHighlightText", clHighlightText}, {"clBtnFace", clBtnFace}, {"clBtnShadow", clBtnShadow},
         {"clGrayText", clGrayText}, {"clBtnText", clBtnText},
         {"clInactiveCaptionText", clInactiveCaptionText}, {"clBtnHighlight", clBtnHighlight},
         {"cl3DDkShadow", cl3DDkShadow}, {"cl3DLight", cl3DLight}, {"clInfoText", clInfoText},
         {"clInfoBk", clInfoBk}, {"clNone", clNone}, {"clDefault", clDefault}});
    return idents;
}

void DescribeGraphicsClasses()
{
    static bool described = false;
    if (described)
        return;
    described = true;

    const TEnumInfo* colors = ColorIdents();
    const TEnumInfo* fontStyles =
        RegisterEnum(QStringLiteral("TFontStyle"), {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"});
    const TEnumInfo* pitches = RegisterEnum(QStringLiteral("TFontPitch"), {"fpDefault", "fpVariable", "fpFixed"});
    const TEnumInfo* penStyles = RegisterEnum(
        QStringLiteral("TPenStyle"), {"psSolid", "psDash", "psDot", "psDashDot", "psDashDotDot", "psClear", "psInsideFrame"});
    const TEnumInfo* penModes = RegisterEnum(QStringLiteral("TPenMode"), {"pmCopy", "pmNot", "pmXor", "pmNotXor"});
    const TEnumInfo* brushStyles =
        RegisterEnum(QStringLiteral("TBrushStyle"), {"bsSolid", "bsClear", "bsHorizontal", "bsVertical",
                                                     "bsFDiagonal", "bsBDiagonal", "bsCross", "bsDiagCross"});

    DescribeClass<TFont, TPersistent>(QStringLiteral("TFont"))
        .Mapped("Color", colors, [](const TFont& f) { return f.Color(); }, [](TFont& f, TColor c) { f.SetColor(c); })
        .Integer("Height", [](const TFont& f) { return f.Height(); }, [](TFont& f, int h) { f.SetHeight(h); })
        .String("Name", [](const TFont& f) { return f.Name(); }, [](TFont& f, const QString& n) { f.SetName(n); })
        .Enum("Pitch", pitches, &TFont::Pitch)
        .Default(fpDefault)
        .Set("Style", fontStyles, [](const TFont& f) { return f.Style(); }, [](TFont& f, TFontStyles s) { f.SetStyle(s); })
        // Streams of other systems name a character set; text is Unicode here.
        .DefineProperties([](TFont&, TFiler& filer) {
            filer.DefineProperty(QStringLiteral("Charset"), [](TReader& r) { r.SkipValue(); }, nullptr, false);
        });

    DescribeClass<TPen, TPersistent>(QStringLiteral("TPen"))
        .Mapped("Color", colors, &TPen::Color)
        .Default(clBlack)
        .Enum("Mode", penModes, &TPen::Mode)
        .Default(pmCopy)
        .Enum("Style", penStyles, &TPen::Style)
        .Default(psSolid)
        .Integer("Width", &TPen::Width)
        .Default(1);

    DescribeClass<TBrush, TPersistent>(QStringLiteral("TBrush"))
        .Mapped("Color", colors, &TBrush::Color)
        .Default(clWhite)
        .Enum("Style", brushStyles, &TBrush::Style)
        .Default(bsSolid);

    DescribeClass<TPicture, TPersistent>(QStringLiteral("TPicture"))
        .DefineProperties([](TPicture& picture, TFiler& filer) {
            filer.DefineBinaryProperty(
                QStringLiteral("Data"), [&picture](const QByteArray& data) { ReadPictureData(picture, data); },
                [&picture] { return PictureData(picture); },
                picture.Graphic() && !picture.Graphic()->Empty());
        });
}
