#pragma once
// Memos: multi-line text word-wrapped on the layout measure with the memo's
// font, leading, tab stops and character wrap. TrgMemo prints the lines
// typed into the report, TrgDBMemo the text of a pipeline field. A memo
// with Stretch grows with its text and continues on the following pages
// from the character where the page ended; without it, it prints the lines
// that fit its design height.

#include <QString>

#include "platform/core/string_list.h"
#include "report/engine/rg_stretchable.h"

class TFiler;


class TrgCustomMemo : public TrgStretchable {
public:
    explicit TrgCustomMemo(TComponent* AOwner);

    bool CharWrap() const { return charWrap_; }
    // Ignored while the report prints.
    void SetCharWrap(bool Value);
    int mmLeading() const { return mmLeading_; }
    void SetmmLeading(int Value);
    float Leading() const;
    void SetLeading(float Value);
    // Tab stops in the report's units; stored in thousandths.
    TStringList* TabStopPositions();
    void SetTabStopPositions(const TStringList& Value);
    const TStringList* mmTabStopPositions() const { return &tabStops_; }
    // Decimal points in the stored stops become the locale's separator.
    void FixTabStopSeparators();
    void FixDecimalSeparators() override { FixTabStopSeparators(); }

    virtual TStringList* GetLines() { return &lines_; }
    virtual void SetLines(const TStringList& Value);
    virtual void RefreshText() {}
    // The text that is wrapped; empty when there is none.
    virtual QString GetMemoText();
    const TStringList* GetWrappedLines() const { return &wrapped_; }
    // The first character still to print; -1 when the text is done.
    int CharPosition() const { return charPosition_; }

    void GenerateContent() override;
    void PropertiesToDrawCommand(TrgDrawCommand* DrawCommand) override;
    void ResetForPrint() override;
    void SetFont(const TFont* Value) override;
    void ConvertFromVersion(int Version) override;
    // "mmLeading"; an obsolete "Position" is read and dropped.
    void DefineMemoProperties(TFiler& Filer);

protected:
    void SaveCacheFields(TrgCacheRecord& Record) override;
    void RestoreCacheFields(const TrgCacheRecord& Record) override;
    TStringList lines_;

private:
    int charPosition_ = 0;
    bool charWrap_ = false;
    int mmLeading_ = 0;
    TStringList tabStops_;
    TStringList displayTabStops_;
    TStringList wrapped_;
    int32_t cacheOffset_ = 0;
};

class TrgMemo : public TrgCustomMemo {
public:
    explicit TrgMemo(TComponent* AOwner);
    void SetLines(const TStringList& Value) override;
};

class TrgDBMemo : public TrgCustomMemo {
public:
    explicit TrgDBMemo(TComponent* AOwner);

    bool AutoDisplay() const { return autoDisplay_; }
    void SetAutoDisplay(bool Value) { autoDisplay_ = Value; }
    TrgMemoEvent OnGetMemo;

    bool IsDataAware() const override { return true; }
    void SetDataField(const QString& Value) override;
    // The field's text, OnGetMemo's lines, or "Error loading memo." when
    // the field cannot be read.
    TStringList* GetLines() override;
    QString GetMemoText() override;
    void RefreshText() override;

private:
    bool autoDisplay_ = true;
};

// Makes the memo classes known to the component stream by name.
void rgRegisterMemoClasses();
