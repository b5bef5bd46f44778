#pragma once
// Rich text on a band: TrgRichText prints the rich text stored in the
// report, TrgDBRichText the rich text (or plain text) of a pipeline field.
// The text is held in the engine's rich edit, which lays it out at the
// layout resolution. With Stretch the component takes the characters that
// fit the rest of the page and continues with the next character on the
// following page; each draw command carries the whole text and the
// character range [StartCharPos, EndCharPos) to paint.

#include <QByteArray>
#include <QString>

#include <memory>

#include "report/engine/rg_stretchable.h"

class TFiler;
class TrgRichEdit;

class TrgCustomRichText : public TrgStretchable {
public:
    explicit TrgCustomRichText(TComponent* AOwner);
    ~TrgCustomRichText() override;

    // The whole rich text; empty when the rich edit holds no text.
    QString GetRichText();
    // Loads the text (rich text when it starts with "{\rtf", else plain).
    void SetRichText(const QString& Value);
    // The rich text as bytes, brought up to date first.
    virtual const QByteArray& GetRichTextStream() { return stream_; }
    virtual void RefreshRichText() {}

    TrgRichEdit& RichEdit() { return *richEdit_; }
    // The character range of the current page; -1 before the first.
    int StartCharPos() const { return startChar_; }
    int EndCharPos() const { return endChar_; }

    void GenerateContent() override;
    void PropertiesToDrawCommand(TrgDrawCommand* DrawCommand) override;
    void ResetForPrint() override;
    void ResetValueState() override;
    bool HasFont() const override { return false; }

protected:
    void SaveCacheFields(TrgCacheRecord& Record) override;
    void RestoreCacheFields(const TrgCacheRecord& Record) override;
    void ClearText();
    QByteArray stream_;

private:
    std::unique_ptr<TrgRichEdit> richEdit_;
    int startChar_ = -1;
    int endChar_ = -1;
    // Where the next page starts; 0 when the text is done.
    int nextStart_ = 0;
    // Pages in a row on which not one line fitted.
    int emptyPages_ = 0;
    int32_t cacheOffset_ = 0;
};

class TrgRichText : public TrgCustomRichText {
public:
    explicit TrgRichText(TComponent* AOwner);
    // The rich edit's text saved as rich text.
    const QByteArray& GetRichTextStream() override;
    void RefreshRichText() override;
};

class TrgDBRichText : public TrgCustomRichText {
public:
    explicit TrgDBRichText(TComponent* AOwner);

    bool AutoDisplay() const { return autoDisplay_; }
    void SetAutoDisplay(bool Value);
    TrgGetTextEvent OnGetRichText;

    // OnGetRichText's text, else the field's.
    const QByteArray& GetRichTextStream() override;
    // The field's text; "Error loading rich text." when it cannot be read.
    void RefreshRichText() override;
    bool IsDataAware() const override { return true; }
    void SetDataField(const QString& Value) override;
    void PipelineNotification(TrgDataPipeline* Pipeline, int Operation) override;

private:
    bool autoDisplay_ = true;
};

// Makes the rich text classes known to the component stream by name.
void rgRegisterRichTextClasses();
