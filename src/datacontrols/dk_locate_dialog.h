#pragma once
// TdkLocateDialog offers the locate engine to a form: silently (FindValue,
// with its own field and value) or through the locate window TdkLocateDlg,
// where the user picks the field by its label, types the value, chooses
// the match type and steps through the matches with First and Next. The
// component keeps the last choices, so a later FindValue repeats the last
// search.

#include "datagrid/dk_locate.h"
#include "platform/data/data_source.h"
#include "platform/ui/forms.h"

#include <functional>
#include <memory>

class TButton;
class TCheckBox;
class TComboBox;
class TEdit;
class TGroupBox;
class TPanel;
class TRadioButton;
class TdkLocateDialog;

enum TdkFieldSortType { fsSortByFieldNo, fsSortByFieldName };
enum TdkDefaultButtonType { dbFindFirst, dbFindNext };
enum TdkFieldSelection { fsAllFields, fsVisibleFields };

class TdkLocateDlg : public TForm {
public:
    TdkLocateDlg(TComponent* AOwner, TdkLocateDialog* Owner, TDataSet* DataSet);

    TGroupBox* FieldValueGroup;
    TEdit* SearchValue;
    TGroupBox* SearchTypeGroup;
    TCheckBox* CaseSensitiveCheckBox;
    TPanel* Panel1;
    TRadioButton* ExactMatchBtn;
    TRadioButton* PartialMatchStartBtn;
    TRadioButton* PartialMatchAnyBtn;
    TGroupBox* FieldsGroup;
    TComboBox* FieldNameComboBox;
    TButton* FirstButton;
    TButton* NextButton;
    TButton* CancelButton;

    void FormShow();
    void FindFirst();
    void FindNextBtnClick();
    bool DoFind(bool FromFirst);
    // The name of the field shown under that label: the first data field,
    // else the first calculated or lookup field; empty when none.
    QString FieldNameOfLabel(const QString& Label) const;
    TdkLocateMatchType ChosenMatchType() const;
    void SetChosenMatchType(TdkLocateMatchType MatchType);
    void ApplyLocateTexts();
    void BitBtn1KeyUp(Word& Key);

private:
    TdkLocateDialog* dialog_;
    TDataSet* dataSet_;
    TButton* defaultButton_ = nullptr;
};

using TdkOnInitLocateDlgEvent = std::function<void(TdkLocateDlg* Dialog)>;

class TdkLocateDialog : public TComponent {
public:
    explicit TdkLocateDialog(TComponent* AOwner);
    ~TdkLocateDialog() override;

    QString Caption = QStringLiteral("Locate Field Value");
    TDataSource* DataSource() const { return link_->DataSource(); }
    void SetDataSource(TDataSource* source) { link_->SetDataSource(source); }
    QString SearchField;
    QString FieldValue;
    TdkLocateMatchType MatchType = mtPartialMatchStart;
    bool CaseSensitive = false;
    TdkFieldSortType SortFields = fsSortByFieldName;
    TdkDefaultButtonType DefaultButton = dbFindNext;
    TdkFieldSelection FieldSelection = fsAllFields;
    bool ShowMessages = true;
    TdkOnInitLocateDlgEvent OnInitDialog;
    // The locate window while it is shown.
    TdkLocateDlg* Form = nullptr;

    virtual void DoInitDialog();
    virtual bool Execute();
    bool FindValue();

private:
    std::unique_ptr<TDataLink> link_;
};
