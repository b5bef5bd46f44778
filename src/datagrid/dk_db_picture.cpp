#include "datagrid/dk_db_picture.h"

#include "datagrid/dk_field_info.h"
#include "datagrid/dk_messages.h"
#include "platform/data/dataset.h"

bool TdkDBPicture::Bound() const
{
    return owner_ && owner_->PictureDataSet() && !owner_->PictureFieldName().isEmpty();
}

QString TdkDBPicture::PictureMask() const
{
    if (!Bound())
        return mask_;
    QString mask;
    bool autoFill = false, flag2 = false;
    dkGetFieldPictureMask(owner_->PictureDataSet(), owner_->PictureFieldName(), true, mask, autoFill, flag2);
    return mask;
}

void TdkDBPicture::SetPictureMask(const QString& mask)
{
    if (Bound()) {
        QString tableMask;
        dkGetTablePictureMask(owner_->PictureDataSet(), owner_->PictureFieldName(), tableMask);
        if (!tableMask.isEmpty()) {
            dkShowWarning(QStringLiteral("Picture mask already defined in Paradox table. "));
            return;
        }
    }
    mask_ = mask;
    if (Bound())
        dkSetFieldPictureMask(owner_->PictureDataSet(), owner_->PictureFieldName(), mask, false, false, true, false,
                              false);
}

bool TdkDBPicture::AutoFill() const
{
    if (Bound()) {
        QString mask;
        bool autoFill = false, flag2 = false;
        dkGetFieldPictureMask(owner_->PictureDataSet(), owner_->PictureFieldName(), true, mask, autoFill, flag2);
        if (!mask.isEmpty())
            return autoFill;
    }
    return autoFill_;
}

void TdkDBPicture::SetAutoFill(bool autoFill)
{
    autoFill_ = autoFill;
    if (Bound())
        dkSetFieldPictureMask(owner_->PictureDataSet(), owner_->PictureFieldName(), QString(), autoFill, false, false,
                              true, false);
}

bool TdkDBPicture::AllowInvalidExit() const { return Bound() ? false : allowInvalidExit_; }

void TdkDBPicture::SetAllowInvalidExit(bool allow)
{
    if (!Bound())
        allowInvalidExit_ = allow;
}

void TdkDBPicture::Assign(const TPersistent* Source)
{
    if (auto* other = dynamic_cast<const TdkDBPicture*>(Source)) {
        SetPictureMask(other->PictureMask());
        SetAutoFill(other->AutoFill());
    }
}

void TdkDBPicture::RefreshFromField()
{
    if (!Bound())
        return;
    QString mask;
    bool autoFill = false, flag2 = false;
    dkGetFieldPictureMask(owner_->PictureDataSet(), owner_->PictureFieldName(), true, mask, autoFill, flag2);
    mask_ = mask;
    autoFill_ = autoFill;
    allowInvalidExit_ = false;
}
