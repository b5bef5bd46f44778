#include "imaging/pic_box.h"

#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QScrollBar>

#include "imaging/image_paths.h"
#include "platform/core/run_temp_folder.h"
#include "platform/data/dataset.h"
#include "platform/picture/picture_io.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/forms.h"
#include "shared/utility_graphics.h"
#include "storage/tdbe.h"

namespace {

// The turn a record's FLAGS ask for, clockwise: the fourth character "1"
// 90, "2" 180, "3" 270 degrees; 0 for any other.
int FlagsAngle(const QString& flags)
{
    const QChar code = flags.size() >= 4 ? flags.at(3) : QChar(u' ');
    return code == u'1' ? 90 : code == u'2' ? 180 : code == u'3' ? 270 : 0;
}

}  // namespace

TQKDBPicBox::TQKDBPicBox(TComponent* AOwner) : TListBox(AOwner)
{
    PicLibraryInit();
    SetStyle(lbOwnerDrawFixed);
    SetItemHeight(60);
    SetMultiSelect(false);
    // Every cell has the same size: the list lays out large albums at once.
    List()->setUniformItemSizes(true);
    List()->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
}

int TQKDBPicBox::ClientWidth() const
{
    return List()->maximumViewportSize().width();
}

int TQKDBPicBox::ClientHeight() const
{
    // Qt's list starts a new column when a cell would reach the viewport's
    // last pixel row, so that row is not counted.
    return List()->maximumViewportSize().height() - List()->horizontalScrollBar()->sizeHint().height() - 1;
}

TQKDBPicBox::~TQKDBPicBox()
{
    BeginDestroy();
    DropCache();
}

void TQKDBPicBox::Loaded()
{
    TListBox::Loaded();
    loaded_ = true;
    UpdateCells();
}

void TQKDBPicBox::SetActive(bool v)
{
    active_ = v;
    if (v)
        Scan();
}

void TQKDBPicBox::SetBackPic(const TBitmap* v)
{
    backPic_.Assign(v);
    Invalidate();
}

void TQKDBPicBox::SetBorderSpace(int v)
{
    borderSpace_ = std::clamp(v, 1, 20);
    Invalidate();
}

void TQKDBPicBox::SetBorderWidth(int v)
{
    borderWidth_ = std::clamp(v, 0, 20);
    Invalidate();
}

void TQKDBPicBox::SetCaptionFlag(bool v)
{
    caption_ = v;
    Invalidate();
}

int TQKDBPicBox::PicCount() const
{
    return Items() ? Count() : -1;
}

void TQKDBPicBox::SetPicHeight(int v)
{
    picHeight_ = std::max(32, v);
    UpdateCells();
    Invalidate();
}

void TQKDBPicBox::SetPicWidth(int v)
{
    picWidth_ = std::max(32, v);
    UpdateCells();
    Invalidate();
}

void TQKDBPicBox::SetPicNoCacheSize(int v)
{
    picNoCacheSize_ = std::clamp(v, 1, 1000000);
    TrimCache();
}

void TQKDBPicBox::TrimCache()
{
    while (int(cache_.size()) > picNoCacheSize_) {
        const int oldest = lru_.back();
        lru_.pop_back();
        cache_.erase(oldest);
    }
}

void TQKDBPicBox::SetPicType(TPicType v)
{
    const bool changed = !(v == picType_);
    picType_ = v;
    if (changed)
        Scan();
}

void TQKDBPicBox::SetRows(int v)
{
    rows_ = std::max(1, v);
    UpdateCells();
    Invalidate();
}

void TQKDBPicBox::SetScaled(bool v)
{
    scaled_ = v;
    UpdateCells();
    Invalidate();
}

void TQKDBPicBox::SetSubDirs(bool v)
{
    const bool changed = v != subDirs_;
    subDirs_ = v;
    if (changed)
        Scan();
}

void TQKDBPicBox::SetBlobRotate(bool v)
{
    blobRotate_ = v;
    DropCache();
    Invalidate();
}

bool TQKDBPicBox::SelectFileName(const QString& Name)
{
    const QString wanted = Name.toUpper();
    for (int i = 0; i < Count(); ++i)
        if (Items()->Get(i).toUpper() == wanted) {
            SetItemIndex(i);
            return true;
        }
    return false;
}

void TQKDBPicBox::Resize()
{
    // The client area never gets smaller than one picture.
    if (!inResize_) {
        inResize_ = true;
        if (ClientWidth() < picWidth_)
            SetWidth(picWidth_ + (Width() - ClientWidth()));
        if (ClientHeight() < picHeight_)
            SetHeight(picHeight_ + (Height() - ClientHeight()));
        inResize_ = false;
    }
    TListBox::Resize();
    UpdateCells();
}

void TQKDBPicBox::UpdateCells()
{
    if (inCells_)
        return;
    inCells_ = true;
    const int oldW = cellWidth_, oldH = cellHeight_;
    const int cw = ClientWidth(), ch = ClientHeight();
    if (scaled_) {
        cellWidth_ = std::max(1, Columns() < 1 ? cw : cw / Columns());
        cellHeight_ = std::max(1, ch / rows_);
    } else {
        cellWidth_ = picWidth_;
        cellHeight_ = picHeight_;
        const int cols = (cw + 2) / picWidth_;
        const int rows = (ch + 2) / picHeight_;
        if (cols != Columns() || std::max(1, rows) != rows_) {
            SetColumns(cols);
            rows_ = std::max(1, rows);
        }
        List()->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    }
    // Rows is at least 1, so the item height never divides by zero.
    SetItemHeight(std::max(1, ch / rows_));
    if (cellWidth_ != oldW || cellHeight_ != oldH)
        DropCache();
    inCells_ = false;
}

void TQKDBPicBox::DropCache()
{
    cache_.clear();
    lru_.clear();
}

void TQKDBPicBox::Scan()
{
    Application->ProcessMessages();
    if (!active_ || !loaded_)
        return;
    if (Count() > 0) {
        DropCache();
        Items()->Clear();
    }
    Application->ProcessMessages();
    if (OnChangePicCount)
        OnChangePicCount(this, Count());
    if (picType_.Empty())
        return;
    Application->ProcessMessages();
    if (OnStartScan)
        OnStartScan(this);
    Application->ProcessMessages();
    QStringList numbers;
    if (Dbe && Dbe->DataSet() && Dbe->DataSet()->Active()) {
        const uint32_t saved = Dbe->RecNo();
        TDataSet* ds = Dbe->DataSet();
        ds->DisableControls();
        try {
            Dbe->GoTop();
            while (!Dbe->Eof()) {
                numbers << QString::number(Dbe->RecNo());
                Dbe->Skip(1);
            }
        } catch (...) {
            ds->EnableControls();
            Dbe->Go(saved);
            throw;
        }
        ds->EnableControls();
        Dbe->Go(saved);
    }
    List()->addItems(numbers);
    if (OnChangePicCount)
        OnChangePicCount(this, Count());
    if (OnStopScan)
        OnStopScan(this);
    lastScanCount_ = Count();
    UpdateCells();
    Invalidate();
}

TQKDBPicBox::TLoadResult TQKDBPicBox::LoadRecordPicture(uint32_t recNo, TBitmap& picture)
{
    if (!Dbe || !Dbe->DataSet() || !Dbe->DataSet()->Active())
        return lrFailed;
    TLoadResult result = lrEmpty;
    const uint32_t saved = Dbe->RecNo();
    try {
        if (!Dbe->Go(recNo))
            return lrFailed;
        if (!Dbe->Empty(BlobFeld)) {
            result = lrFailed;
            ++loads_;
            // A file of its own in the temporary folder ("blob-<unique>.bmp"),
            // made exclusively and removed after this record. The engine
            // writes the memo into it and the box reads it back, both
            // refusing a link put at its name meanwhile, so a folder that
            // others may write in never makes the box write or show another
            // file; the picture is turned in memory, not written again.
            const TRunTempFile blob("blob.bmp", BlobTempDir.isEmpty() ? QString() : PictureLocalPath(BlobTempDir));
            const bool written = blob.IsValid() && Dbe->BlobToFile(BlobFeld, blob.WinPath());
            if (!written)
                Application->MessageBox(
                    "Fehler beim Schreiben des Vorschaubildes aus Datenbank, wahrscheinlich ist die Datenbank "
                    "defekt....",
                    "Fehler", MB_OK | MB_ICONERROR);
            TPicImage img;
            TPicError err;
            if (written && PicReadBytes(blob.ReadAll(), blob.Path(), 0, 0, img, err)) {
                const int angle = blobRotate_ ? FlagsAngle(Dbe->GetString("FLAGS")) : 0;
                if (angle != 0)
                    img = PicRotate(img, angle);
                picture.SetImage(img.Pixels);
                result = lrLoaded;
            }
        }
    } catch (const std::exception&) {
        result = lrFailed;
    }
    try {
        Dbe->Go(saved);
    } catch (const std::exception&) {
        result = lrFailed;
    }
    return result;
}

void TQKDBPicBox::DrawCross(TCanvas* c, const TRect& r)
{
    c->Pen.Color = RGB(255, 0, 0);
    c->Pen.Width = 2;
    c->Pen.Style = psSolid;
    c->MoveTo(r.Left, r.Top);
    c->LineTo(r.Right, r.Bottom);
    c->MoveTo(r.Left, r.Bottom);
    c->LineTo(r.Right, r.Top);
}

TBitmap* TQKDBPicBox::CachedOf(int index) const
{
    auto it = cache_.find(index);
    return it == cache_.end() ? nullptr : it->second.first.get();
}

TBitmap* TQKDBPicBox::CachedThumbnail(int index)
{
    auto it = cache_.find(index);
    if (it != cache_.end()) {
        lru_.splice(lru_.begin(), lru_, it->second.second);
        return it->second.first.get();
    }
    auto result = std::make_unique<TBitmap>(cellWidth_, cellHeight_);
    result->Canvas()->Brush.Assign(&Canvas()->Brush);
    result->Canvas()->FillRect(Rect(0, 0, cellWidth_, cellHeight_));
    TBitmap picture;
    const TLoadResult loaded = LoadRecordPicture(Items()->Get(index).toUInt(), picture);
    try {
        if (loaded == lrFailed) {
            TBitmap cross(32, 32);
            cross.Canvas()->Brush.Color = Canvas()->Brush.Color;
            cross.Canvas()->FillRect(Rect(0, 0, 32, 32));
            DrawCross(cross.Canvas(), Rect(0, 0, 32, 32));
            qktDrawGraphicFitted(&cross, Rect(0, 0, cellWidth_, cellHeight_), result.get());
        } else {
            qktDrawGraphicFitted(&picture, Rect(0, 0, cellWidth_, cellHeight_), result.get());
        }
    } catch (const std::exception&) {
        DrawCross(result->Canvas(), Rect(0, 0, 32, 32));
    }
    result->Image();  // ends the painter: a cached thumbnail keeps only its pixels
    TBitmap* raw = result.get();
    lru_.push_front(index);
    cache_[index] = {std::move(result), lru_.begin()};
    TrimCache();
    return raw;
}

void TQKDBPicBox::DrawItem(int Index, TRect ItemRect, TOwnerDrawState State)
{
    if (!loaded_ || lastScanCount_ < 0 || Index < 0 || Index >= Count())
        return;
    TCanvas* list = Canvas();
    const int w = ItemRect.Width(), h = ItemRect.Height();
    if (w <= 0 || h <= 0)
        return;
    TBitmap cell(w, h);
    TCanvas* c = cell.Canvas();
    c->Pen.Assign(&list->Pen);
    c->Brush.Assign(&list->Brush);
    c->Font.Assign(Font());
    TRect r = Rect(0, 0, w, h);
    c->FillRect(r);
    if (!backPic_.Empty())
        c->StretchDraw(r, &backPic_);
    if (borderWidth_ > 0) {
        for (int i = 0; i < borderWidth_; ++i) {
            c->Pen.Width = 1;
            c->Pen.Color = RGB(255, 255, 255);
            c->MoveTo(r.Left + i, r.Bottom - 1 - i);
            c->LineTo(r.Left + i, r.Top + i);
            c->LineTo(r.Right - 1 - i, r.Top + i);
            c->Pen.Color = RGB(128, 128, 128);
            c->LineTo(r.Right - 1 - i, r.Bottom - 1 - i);
            c->LineTo(r.Left + i, r.Bottom - 1 - i);
        }
        InflateRect(r, -borderWidth_, -borderWidth_);
    }
    InflateRect(r, -borderSpace_, -borderSpace_);
    // Item position check, as the list lays the cells out.
    const int itemHeight = std::max(1, ItemHeight());
    int position = ItemRect.Top / itemHeight;
    if (Columns() > 0 && ClientWidth() / Columns() > 0)
        position += (ItemRect.Left / (ClientWidth() / Columns())) * (ClientHeight() / itemHeight);
    else if (Columns() > 0)
        position = -1;
    if (position < 0)
        return;
    try {
        if (PicsCaching) {
            qktFitRectKeepAspect(CachedThumbnail(Index), r, c);
        } else {
            TBitmap picture;
            const TLoadResult loaded = LoadRecordPicture(Items()->Get(Index).toUInt(), picture);
            if (loaded == lrFailed)
                DrawCross(c, r);
            else
                qktFitRectKeepAspect(&picture, r, c);
        }
    } catch (const std::exception&) {
        DrawCross(c, r);
    }
    if (caption_) {
        if (State.Contains(odSelected))
            c->Font.SetColor(clHighlightText);
        c->Brush.Style = bsClear;
        const QString text = Items()->Get(Index);
        c->TextOut((w - c->TextWidth(text)) / 2, h - c->TextHeight(text) - borderWidth_, text);
    }
    list->Draw(ItemRect.Left, ItemRect.Top, &cell);
}
