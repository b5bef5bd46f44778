#pragma once
// TQKDBPicBox: an owner-drawn, multi-column list box with one thumbnail per
// record of an album table. Each item's text is the record number; the
// thumbnail is read from a memo field through TDbe, written to a temporary
// bitmap file, turned by the record's rotation flag and drawn fitted into
// its cell. With PicsCaching the thumbnails are kept at cell size, at most
// PicNoCacheSize of them (the longest unused go first), so scrolling over a
// large album keeps the memory the box uses bounded. The cache stands beside
// the items rather than in their object slots: changing a slot of Qt's list
// looks the item up among all items, which a large album cannot afford.

#include <QString>

#include <functional>
#include <list>
#include <memory>
#include <unordered_map>

#include "platform/ui/graphics.h"
#include "platform/ui/std_ctrls.h"

class TDbe;

enum TPicAttr { ptBMP, ptICO, ptEXE, ptDLL, ptICL };
using TPicType = TSet<TPicAttr>;
using TChangePicCount = std::function<void(TObject* Sender, int Count)>;
using TQKDBPicBoxEvent =
    std::function<void(TObject* Sender, int ViewIndex, QString& FileName, QString& FileCaption)>;

class TQKDBPicBox : public TListBox {
public:
    explicit TQKDBPicBox(TComponent* AOwner);
    ~TQKDBPicBox() override;

    QString About_Quillkit() const { return "23.08.98"; }
    void SetAbout_Quillkit(const QString&) {}
    bool Active() const { return active_; }
    void SetActive(bool v);
    TBitmap* BackPic() { return &backPic_; }
    void SetBackPic(const TBitmap* v);
    int BorderSpace() const { return borderSpace_; }
    void SetBorderSpace(int v);
    int BorderWidth() const { return borderWidth_; }
    void SetBorderWidth(int v);
    // The record number under each thumbnail (the published Caption flag;
    // the control's caption text is TControl's).
    bool CaptionFlag() const { return caption_; }
    void SetCaptionFlag(bool v);
    int PicCount() const;
    int PicHeight() const { return picHeight_; }
    void SetPicHeight(int v);
    int PicNoCacheSize() const { return picNoCacheSize_; }
    void SetPicNoCacheSize(int v);
    TPicType PicType() const { return picType_; }
    void SetPicType(TPicType v);
    int PicWidth() const { return picWidth_; }
    void SetPicWidth(int v);
    int Rows() const { return rows_; }
    void SetRows(int v);
    bool Scaled() const { return scaled_; }
    void SetScaled(bool v);
    bool SubDirs() const { return subDirs_; }
    void SetSubDirs(bool v);
    TDbe* Dbe = nullptr;
    QString BlobFeld;
    QString BlobTempDir;  // folder of the thumbnail's temporary file ("blob-<unique>.bmp", removed after use)
    bool BlobRotate() const { return blobRotate_; }
    void SetBlobRotate(bool v);
    bool PicsCaching = false;
    long BlobCount = 0;
    TChangePicCount OnChangePicCount;
    TQKDBPicBoxEvent OnRequestFileName;  // published, never raised
    TNotifyEvent OnStartScan;
    TNotifyEvent OnStopScan;

    void Loaded() override;
    // The area the cells are laid out in: inside the frame, above the
    // horizontal scroll bar, which always shows, less the last pixel row.
    int ClientWidth() const override;
    int ClientHeight() const override;
    void Rescan() { Scan(); }
    bool SelectFileName(const QString& Name);
    void DrawItem(int Index, TRect Rect, TOwnerDrawState State) override;

    // The layout step: cell size, columns, rows and item height.
    void UpdateCells();
    int CellWidth() const { return cellWidth_; }
    int CellHeight() const { return cellHeight_; }
    // Thumbnails held in the cache, and how many were read from the album
    // since the box was made (the cache's hits read none).
    int CachedCount() const { return int(cache_.size()); }
    // The cached thumbnail of an item (null when it has none).
    TBitmap* CachedOf(int index) const;
    long LoadCount() const { return loads_; }

    // How loading one record's picture ended.
    enum TLoadResult { lrEmpty, lrLoaded, lrFailed };
    TLoadResult LoadRecordPicture(uint32_t recNo, TBitmap& picture);

protected:
    void Resize() override;

private:
    void Scan();
    void DropCache();
    void TrimCache();
    TBitmap* CachedThumbnail(int index);
    void DrawCross(TCanvas* c, const TRect& r);
    bool active_ = true;
    TBitmap backPic_;
    int borderSpace_ = 10, borderWidth_ = 2;
    bool caption_ = false;
    int picHeight_ = 70, picWidth_ = 100;
    int picNoCacheSize_ = 1000;
    TPicType picType_{ptBMP, ptICO};
    int rows_ = 1;
    bool scaled_ = false, subDirs_ = false, blobRotate_ = false;
    bool loaded_ = false;
    int cellWidth_ = 100, cellHeight_ = 70;
    int lastScanCount_ = -1;
    bool inCells_ = false, inResize_ = false;
    long loads_ = 0;
    // The cache: thumbnails by item index, most recently used first.
    std::list<int> lru_;
    std::unordered_map<int, std::pair<std::unique_ptr<TBitmap>, std::list<int>::iterator>> cache_;
};
