#pragma once
// Text components: TrgCustomText prints one text (display format, word and
// character wrap, sizing to the text, the text-file export settings, the
// OnGetText event and the groups that break on it); TrgLabel prints its
// caption.

#include <vector>

#include "report/engine/rg_component.h"

class TrgGroup;

class TFiler;
class TrgCustomText : public TrgCustomComponent {
public:
    explicit TrgCustomText(TComponent* AOwner);
    ~TrgCustomText() override;

    bool CharWrap() const { return charWrap_; }
    void SetCharWrap(bool Value);
    QString DisplayFormat() const { return displayFormat_; }
    virtual void SetDisplayFormat(const QString& Value);
    bool Save() const { return save_; }
    void SetSave(bool Value);
    // The component's place in its band's save list; -1 without a band.
    int GetSaveOrder() const;
    void SetSaveOrder(int Value);
    int SaveLength() const { return saveLength_; }
    void SetSaveLength(int Value);
    TrgGetTextEvent OnGetText;
    TrgFormatEvent OnFormat;
    QString OldOnSave;

    // The groups that break on this component are told when it is renamed
    // and when it goes.
    void AddGroup(TrgGroup* Group);
    void RemoveGroup(TrgGroup* Group);
    virtual void Rename(const QString& NewName);

    // The text before OnGetText; a label's is its caption.
    virtual QString ComputeText() { return StoredText(); }
    QString GetText() override;
    // Sizes the component to its text (AutoSize), or its height to the text
    // (neither AutoSize nor WordWrap), measured in screen pixels.
    void AdjustSize() override;
    QString GetDescription() const override { return Name + QStringLiteral(": ") + Caption(); }
    void PropertiesToDrawCommand(TrgDrawCommand* DrawCommand) override;
    void SetFont(const TFont* Value) override;
    void ConvertFromVersion(int Version) override;
    void SetBand(TrgBand* Value) override;
    // The save order read from a stream; applied by the band after loading.
    int LoadedSaveOrder() const { return loadedSaveOrder_; }

    void DefineTextProperties(TFiler& Filer);

private:
    std::vector<TrgGroup*> groups_;
    bool charWrap_ = false;
    QString displayFormat_;
    int loadedSaveOrder_ = -1;
    bool save_ = false;
    int saveLength_ = 0;
};

class TrgLabel : public TrgCustomText {
public:
    explicit TrgLabel(TComponent* AOwner);
    // A label whose caption is its name follows a rename.
    void Rename(const QString& NewName) override;
};

// Makes the text component classes known to the component stream by name.
void rgRegisterTextComponentClasses();
