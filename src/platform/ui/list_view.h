#pragma once
// TListView: a list of captioned items with pictures, shown as large icons
// with the caption below, small icons with the caption beside, a list, or
// a one-column report. The pictures come from two image lists (large and
// small); an item names its picture by index. Click and double click reach
// OnClick and OnDblClick; a change of the selected item reaches OnChange.

#include "platform/ui/control.h"

#include <QPixmap>

#include <vector>

class QListWidget;

enum TViewStyle { vsIcon, vsSmallIcon, vsList, vsReport };

class TListView : public TWinControl {
public:
    explicit TListView(TComponent* AOwner);
    ~TListView() override;

    TViewStyle ViewStyle() const { return style_; }
    void SetViewStyle(TViewStyle v);
    // The pictures of the icon view and of the other views.
    void SetLargeImages(std::vector<QPixmap> images);
    void SetSmallImages(std::vector<QPixmap> images);
    const std::vector<QPixmap>& LargeImages() const { return large_; }

    // Adds an item and gives its index.
    int AddItem(const QString& caption, int imageIndex);
    void ClearItems();
    int ItemCount() const;
    QString ItemCaption(int index) const;
    int ItemImageIndex(int index) const;
    void SetItemImageIndex(int index, int imageIndex);
    // The selected item; -1 when none. Setting it from code fires nothing.
    int Selected() const;
    void SetSelected(int index);

    TNotifyEvent OnChange;
    QListWidget* List() const;

private:
    void ItemPicture(int index);
    void UpdateLayout();
    TViewStyle style_ = vsIcon;
    std::vector<QPixmap> large_, small_;
    std::vector<int> imageIndex_;
    bool setting_ = false;
};
