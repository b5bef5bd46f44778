#include "platform/ui/list_view.h"

#include <QGuiApplication>
#include <QIcon>
#include <QListWidget>
#include <QSignalBlocker>

TListView::TListView(TComponent* AOwner) : TWinControl(AOwner)
{
    auto* l = new QListWidget();
    l->setSelectionMode(QAbstractItemView::SingleSelection);
    l->setMovement(QListView::Static);
    SetHandle(l);
    SetTabStop(true);
    SetColor(clWindow);
    BridgeWidget(l->viewport());
    SetBounds(0, 0, 250, 150);
    QObject::connect(l, &QListWidget::itemClicked, l, [this] { Dispatch([this] { Click(); }); });
    QObject::connect(l, &QListWidget::currentRowChanged, l, [this] {
        if (!setting_ && OnChange && CanDispatch())
            Dispatch([this] { OnChange(this); });
    });
    UpdateLayout();
}

TListView::~TListView() { BeginDestroy(); }

QListWidget* TListView::List() const { return static_cast<QListWidget*>(Handle()); }

void TListView::SetViewStyle(TViewStyle v)
{
    style_ = v;
    UpdateLayout();
    for (int i = 0; i < ItemCount(); ++i)
        ItemPicture(i);
}

void TListView::SetLargeImages(std::vector<QPixmap> images)
{
    large_ = std::move(images);
    SetViewStyle(style_);
}

void TListView::SetSmallImages(std::vector<QPixmap> images)
{
    small_ = std::move(images);
    SetViewStyle(style_);
}

void TListView::UpdateLayout()
{
    QListWidget* l = List();
    const bool icons = style_ == vsIcon;
    l->setViewMode(icons ? QListView::IconMode : QListView::ListMode);
    // Large icons and small icons flow from left to right and wrap; the list
    // flows in columns; the report is one column, its rows top to bottom.
    l->setFlow(style_ == vsList || style_ == vsReport ? QListView::TopToBottom : QListView::LeftToRight);
    l->setWrapping(style_ != vsReport);
    l->setResizeMode(QListView::Adjust);
    l->setWordWrap(icons);
    l->setIconSize(icons ? QSize(32, 32) : QSize(16, 16));
    l->setGridSize(icons ? QSize(110, 72) : QSize());
    l->setSpacing(icons ? 2 : 1);
    l->doItemsLayout();
}

void TListView::ItemPicture(int index)
{
    const std::vector<QPixmap>& images = style_ == vsIcon || small_.empty() ? large_ : small_;
    const int bild = imageIndex_[size_t(index)];
    QListWidgetItem* item = List()->item(index);
    if (bild >= 0 && size_t(bild) < images.size())
        item->setIcon(QIcon(images[size_t(bild)]));
    else
        item->setIcon(QIcon());
}

int TListView::AddItem(const QString& caption, int imageIndex)
{
    auto* item = new QListWidgetItem(caption);
    item->setTextAlignment(style_ == vsIcon ? Qt::AlignHCenter | Qt::AlignTop : Qt::AlignLeft | Qt::AlignVCenter);
    {
        QSignalBlocker block(List());
        List()->addItem(item);
    }
    imageIndex_.push_back(imageIndex);
    ItemPicture(ItemCount() - 1);
    return ItemCount() - 1;
}

void TListView::ClearItems()
{
    QSignalBlocker block(List());
    List()->clear();
    imageIndex_.clear();
}

int TListView::ItemCount() const { return List()->count(); }

QString TListView::ItemCaption(int index) const
{
    QListWidgetItem* item = List()->item(index);
    return item ? item->text() : QString();
}

int TListView::ItemImageIndex(int index) const
{
    return index >= 0 && index < ItemCount() ? imageIndex_[size_t(index)] : -1;
}

void TListView::SetItemImageIndex(int index, int imageIndex)
{
    if (index < 0 || index >= ItemCount())
        return;
    imageIndex_[size_t(index)] = imageIndex;
    ItemPicture(index);
}

int TListView::Selected() const
{
    const QList<QListWidgetItem*> sel = List()->selectedItems();
    return sel.isEmpty() ? -1 : List()->row(sel.first());
}

void TListView::SetSelected(int index)
{
    setting_ = true;
    QSignalBlocker block(List());
    if (index < 0 || index >= ItemCount()) {
        List()->clearSelection();
        List()->setCurrentRow(-1);
    } else {
        List()->setCurrentRow(index);
        List()->item(index)->setSelected(true);
    }
    setting_ = false;
}
