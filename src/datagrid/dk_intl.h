#pragma once
// TdkIntl: every user-visible English text of the data grid and the
// data-aware dialogs (locate, lookup search, record view, memo, filter,
// rich text) and a few library-wide display switches. One holder is made
// at program start as the library-wide default; a form's own holder copies
// itself into it when its Connected is set. dkCreateDialogButton builds the
// OK, Cancel and Help buttons of the library's dialogs.

#include "platform/ui/component.h"
#include "platform/ui/graphics.h"

#include <QString>

#include <memory>
#include <utility>
#include <vector>

class TButton;
class TCustomForm;

enum TdkCheckBoxInGridStyle { cbStyleAuto, cbStyleCheckmark, cbStyleXmark };

// A group of named texts in a fixed order. Each group knows its property
// names and English defaults; Text and SetText reach them by name.
class TdkIntlGroup : public TPersistent {
public:
    using TEntries = std::vector<std::pair<QString, QString>>;
    explicit TdkIntlGroup(TEntries defaults) : entries_(std::move(defaults)) {}
    // The text of a property; empty for a name the group does not have.
    QString Text(const QString& name) const;
    // False for a name the group does not have.
    bool SetText(const QString& name, const QString& text);
    int Count() const { return int(entries_.size()); }
    const QString& NameAt(int i) const { return entries_.at(size_t(i)).first; }
    void Assign(const TPersistent* Source) override;

private:
    TEntries entries_;
};

class TdkUserMessagesIntl : public TdkIntlGroup {
public:
    TdkUserMessagesIntl();
};
class TdkSearchDialogIntl : public TdkIntlGroup {
public:
    TdkSearchDialogIntl();
};
class TdkLocateDialogIntl : public TdkIntlGroup {
public:
    TdkLocateDialogIntl();
};
class TdkFilterDialogIntl : public TdkIntlGroup {
public:
    TdkFilterDialogIntl();
};
class TdkRichEditMenuLabels : public TdkIntlGroup {
public:
    TdkRichEditMenuLabels();
};
class TdkRichEditPopupMenuLabels : public TdkIntlGroup {
public:
    TdkRichEditPopupMenuLabels();
};
class TdkRichEditParagraphDlg : public TdkIntlGroup {
public:
    TdkRichEditParagraphDlg();
};
class TdkRichEditTabDlg : public TdkIntlGroup {
public:
    TdkRichEditTabDlg();
};
// The rich-text editor's texts with its four owned sub-groups.
class TdkDBRichEditIntl : public TdkIntlGroup {
public:
    TdkDBRichEditIntl();
    TdkRichEditMenuLabels* MenuLabels() const { return menu_.get(); }
    TdkRichEditPopupMenuLabels* PopupMenuLabels() const { return popup_.get(); }
    TdkRichEditParagraphDlg* ParagraphDialog() const { return paragraph_.get(); }
    TdkRichEditTabDlg* TabDialog() const { return tab_.get(); }
    void Assign(const TPersistent* Source) override;

private:
    std::unique_ptr<TdkRichEditMenuLabels> menu_;
    std::unique_ptr<TdkRichEditPopupMenuLabels> popup_;
    std::unique_ptr<TdkRichEditParagraphDlg> paragraph_;
    std::unique_ptr<TdkRichEditTabDlg> tab_;
};

class TdkIntl : public TComponent {
public:
    explicit TdkIntl(TComponent* AOwner);
    ~TdkIntl() override;

    TdkSearchDialogIntl* SearchDialog() const { return search_.get(); }
    TdkLocateDialogIntl* LocateDialog() const { return locate_.get(); }
    TdkUserMessagesIntl* UserMessages() const { return messages_.get(); }
    TdkFilterDialogIntl* FilterDialog() const { return filter_.get(); }
    TdkDBRichEditIntl* RichEdit() const { return richEdit_.get(); }

    bool OKCancelBitmapped = true;
    TFontStyles DialogFontStyle;
    QString BtnOKCaption = QStringLiteral("&OK");
    QString BtnCancelCaption = QStringLiteral("Cancel");
    // Always "3.02"; writing it changes nothing.
    QString VersionRiriDuzaz() const { return QStringLiteral("3.02"); }
    void SetVersionRiriDuzaz(const QString&) {}

    bool Connected() const { return connected_; }
    void SetConnected(bool flag);
    TdkCheckBoxInGridStyle CheckBoxInGridStyle() const { return checkStyle_; }
    void SetCheckBoxInGridStyle(TdkCheckBoxInGridStyle style);
    // The unpublished switches: the table's re-open keeps the column
    // layout; the lookup combo searches calculated and lookup fields
    // without case and shows the hourglass on query lookups.
    bool ReopenKeepColumns = true;
    bool LookupCaseInsensitive = true;

    void Loaded() override;
    // Copies every text and switch into the library-wide default (nothing
    // when this is the default itself).
    void ApplyToDefault();
    bool IsDefault() const;

private:
    std::unique_ptr<TdkSearchDialogIntl> search_;
    std::unique_ptr<TdkLocateDialogIntl> locate_;
    std::unique_ptr<TdkUserMessagesIntl> messages_;
    std::unique_ptr<TdkFilterDialogIntl> filter_;
    std::unique_ptr<TdkDBRichEditIntl> richEdit_;
    bool connected_ = false;
    TdkCheckBoxInGridStyle checkStyle_ = cbStyleAuto;
};

// The library-wide default; made on first use (the program's start-up
// makes it), none after it was freed until Dkintl_Initialization runs again.
TdkIntl* dkIntl();
// Makes the library-wide default when there is none.
void Dkintl_Initialization();
// A user message of the default by name (its English default without one).
QString dkUserMessage(const QString& name);

// Kind 1 OK, 2 Cancel, 3 Help: a button on the dialog with the default's
// captions; OK answers mrOk, Cancel mrCancel and Esc.
TButton* dkCreateDialogButton(TCustomForm* Dialog, int Kind);
