#pragma once
// The acquisition settings object of the image window. On this system a
// scanner or camera is reached through SANE: the settings object holds a
// session on the chosen source, whose options the attribute variables read
// and write - the source list, the two resolutions, the document feeder,
// the paper sensor and automatic feeding. A session stays open while a
// feeder delivers its pages and closes when the feeder is empty or a scan
// fails.

#include <QString>

#include <memory>

#include "platform/picture/picture_scanner.h"
#include "platform/ui/component.h"

class TImageWindow;
class TLLTwain;

// Attributes of the acquisition object.
inline constexpr int kTwainSourceList = 0x1040000;
inline constexpr int kTwainFeederEnabled = 0x1040004;
inline constexpr int kTwainFeederLoaded = 0x1040005;
inline constexpr int kTwainAutoFeed = 0x1040006;
inline constexpr int kTwainXResolution = 0x1040017;
inline constexpr int kTwainYResolution = 0x1040018;

// One attribute of the acquisition object.
class TLLVar : public TObject {
public:
    TLLVar(TLLTwain* object, int attribute) : object_(object), attribute_(attribute) {}
    int Attribute() const { return attribute_; }

protected:
    TLLTwain* object_;
    int attribute_;
};

class TLLBooleanVar : public TLLVar {
public:
    using TLLVar::TLLVar;
    virtual bool GetValue() const;
    // Written only when the source lets it be written.
    virtual void SetValue(bool v);
};

class TLLList : public TLLVar {
public:
    using TLLVar::TLLVar;
};

class TLLStringList : public TLLList {
public:
    using TLLList::TLLList;
    // The source list: the name of the chosen source (empty: none chosen,
    // the first found is used).
    virtual QString GetText() const;
    virtual void SetText(const QString& v);
};

class TLLDoubleList : public TLLList {
public:
    using TLLList::TLLList;
    virtual double GetValue() const;
    virtual void SetValue(double v);
};

class TLLTwain : public TObject {
public:
    explicit TLLTwain(TImageWindow* window);
    ~TLLTwain() override;

    TImageWindow* Window() const { return window_; }
    TLLStringList* GetListField() const { return sourceList_.get(); }
    TLLDoubleList* GetXResolution();
    TLLDoubleList* GetYResolution();
    TLLBooleanVar* GetFeederEnabled();
    TLLBooleanVar* GetFeederLoaded();
    TLLBooleanVar* GetAutoFeed();

    // The attribute values the variables read and write.
    bool Writable(int attribute);
    double ReadDouble(int attribute);
    void WriteDouble(int attribute, double v);
    bool ReadBool(int attribute);
    void WriteBool(int attribute, bool v);
    QString Source() const { return source_; }
    void SetSource(const QString& name);

    // Sets any option of the source by its SANE name (a device's own
    // settings beyond the ones above); false with the error when it cannot.
    bool SetDeviceOption(const QString& name, const QString& value, TPicError& err);

    // Scans one picture with these settings, opening the session first.
    // Esc pressed while the source sends its picture cancels the scan.
    TScanSession::TResult Acquire(TPicImage& out, TPicError& err);
    // Ends the session (the next scan opens the source again).
    void EndSession() { session_.Close(); }
    bool SessionOpen() const { return session_.IsOpen(); }

private:
    bool EnsureSession(TPicError& err);
    bool Apply(TPicError& err);
    TImageWindow* window_;
    std::unique_ptr<TLLStringList> sourceList_;
    std::unique_ptr<TLLDoubleList> xRes_, yRes_;
    std::unique_ptr<TLLBooleanVar> feederEnabled_, feederLoaded_, autoFeed_;
    TScanSession session_;
    QString source_;
    double xResolution_ = 0, yResolution_ = 0;  // 0: the source's own
    bool feeder_ = false, autoFeedOn_ = false;
};
