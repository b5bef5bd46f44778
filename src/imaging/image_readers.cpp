#include "imaging/image_readers.h"
#include "imaging/scan_settings_dialog.h"

#include "imaging/scan_source_dialog.h"

#include "platform/ui/dialogs.h"
#include "platform/ui/forms.h"
#include "platform/ui/graphics.h"

namespace {

bool Checked(int16_t result)
{
    if (result >= 1)
        return true;
    Application->MessageBox(ImgErrorText(result), "Fehler", MB_OK | MB_ICONERROR);
    return false;
}

}  // namespace

bool ReaderFileInfo(const QString& fileName, TImgFileInfo& info)
{
    return Checked(ImgFileInfoRead(fileName, info));
}

bool ReaderReadFile(const QString& fileName, int resolution, bool dither, TBitmap* bitmap)
{
    QImage img;
    const bool ok = Checked(ImgReadFile(fileName, resolution, dither, img));
    if (bitmap)
        bitmap->SetImage(img);
    return ok;
}

bool ReaderTwainScan(bool showSourceWindow, int resolution, bool dither, TBitmap* bitmap)
{
    QImage img;
    const bool ok = Checked(ImgTwainScan(showSourceWindow, resolution, dither, img, ShowScanSettings));
    if (bitmap)
        bitmap->SetImage(img);
    return ok;
}

bool ReaderTwainSelectSource()
{
    return Checked(ImgTwainSelectSource(ChooseScanSource));
}
