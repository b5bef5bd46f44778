#pragma once
// Report templates: a report's whole layout (the report with its bands,
// groups and components and all their published properties) kept outside
// the form that holds the report, in a file (".RTM") or in a BLOB field of a
// table reached through a data pipeline, in the binary component stream or
// its text form.
//
// Loading replaces the report's layout in place: the template is read into
// a new report beside the old one, and only when the whole read succeeded
// does the report take over the new layout; a failed load leaves it as it
// was. Event handlers are named in the stream and bound to the methods the
// owner form publishes (TrgMethodOwner). Errors met while reading go to the
// template error dialog (Ignore, Cancel, Ignore All).
//
//   TrgReportTemplate* tpl = rgReportTemplate(report);
//   tpl->SetFileName(QStringLiteral("C:\\Lumadex\\BilderListe.RTM"));
//   tpl->LoadFromFile();

#include <QByteArray>
#include <QString>

#include <functional>
#include <map>

#include "platform/ui/component.h"
#include "report/output/rg_types.h"

class TrgCustomReport;
class TrgDataPipeline;

// Where a template lives in a database.
class TrgTemplateDBSettings : public TPersistent {
public:
    TrgTemplateDBSettings() = default;
    TrgTemplateDBSettings(const TrgTemplateDBSettings&) = delete;
    TrgTemplateDBSettings& operator=(const TrgTemplateDBSettings&) = delete;

    TrgDataPipeline* DataPipeline() const { return dataPipeline_; }
    void SetDataPipeline(TrgDataPipeline* Value) { dataPipeline_ = Value; }
    QString Name() const { return name_; }
    // Fires OnNameChange.
    void SetName(const QString& Value);
    QString NameField;
    QString TemplateField;
    TNotifyEvent OnNameChange;

    void Assign(const TrgTemplateDBSettings& Source);

private:
    TrgDataPipeline* dataPipeline_ = nullptr;
    QString name_;
};

class TrgReportTemplate : public TComponent {
public:
    using TStreamEvent = std::function<void(TrgReportTemplate* Sender, QByteArray& Stream)>;

    // Owned by Report (and freed with it).
    explicit TrgReportTemplate(TrgCustomReport* Report);
    ~TrgReportTemplate() override;

    TrgCustomReport* Report() const { return report_; }
    TrgTemplateDBSettings* DatabaseSettings() { return &databaseSettings_; }
    QString FileName() const { return fileName_; }
    void SetFileName(const QString& Value);
    TrgFormatType Format = ftBinary;
    int Offset = 0;
    TrgSaveToType SaveTo = stFile;
    // The form that owns the components read: the report's owner.
    TComponent* ReadOwner() const;

    // FileName for stFile, else the database name.
    QString GetTemplateName() const;
    void SetTemplateName(const QString& Value);
    void Assign(const TrgReportTemplate& Source);

    // Set by the error dialog's "Ignore All"; cleared at the start of a load.
    bool IgnoreAll() const { return ignoreAll_; }

    TNotifyEvent OnLoadEnd, OnNew, OnSaveStart;
    TStreamEvent OnLoadStream, OnSaveStream;

    void Load();
    void LoadFromFile();
    void LoadFromDatabase();
    void Save();
    void SaveToFile();
    void SaveToDatabase();
    // Gives the report a blank layout.
    void New();
    // True when FileName exists and may not be written.
    bool IsReadOnly() const;

    // The report whose layout a load is reading; nullptr outside a load.
    TrgCustomReport* LoadedReport() const { return loadedReport_; }

protected:
    // Hooks, in the order a load or save calls them.
    virtual bool BeforeLoad();
    virtual void DoLoadStream(QByteArray& Stream);
    virtual void BeforeReadStream(QByteArray&) {}
    // Converts a text template of a version before 3.0.
    virtual void ConvertTextStream(QByteArray& Text);
    virtual void ComponentRead(TComponent* Component);
    virtual void AfterLoad(bool Success);
    virtual bool BeforeSave();
    virtual void DoSaveStream(QByteArray& Stream);
    virtual void AfterSave(bool Success);
    virtual void NameChanged() {}

private:
    void LoadBytes(bool FromDatabase);
    void SaveBytes(bool ToDatabase);
    QByteArray ReadStoredBytes(bool FromDatabase);
    // Finds the component stream and sets Format (and perhaps Offset);
    // EInvalidTemplateError when there is none.
    void LocateTemplate(const QByteArray& Bytes);
    void ReadTemplate(const QByteArray& Binary);
    void ReaderSetName(TComponent* Component, QString& Name);
    void ReaderFindMethod(const QString& MethodName, bool& Error);
    void ReaderError(const QString& Message, bool& Handled);
    // The report takes over the layout, settings and events of Source.
    void TakeOver(TrgCustomReport* Source);
    bool DatabaseSettingsComplete() const;
    QString Text(int Id) const;

    TrgCustomReport* report_;
    TrgTemplateDBSettings databaseSettings_;
    QString fileName_;
    bool ignoreAll_ = false;
    TrgCustomReport* loadedReport_ = nullptr;
    // The components read and the names the stream gave them, where a
    // name had to be changed because the old layout still held it.
    std::map<TComponent*, QString> wantedNames_;
    void RelinkShiftTargets();
};

// The report's template, created on first use.
TrgReportTemplate* rgReportTemplate(TrgCustomReport* Report);
// True while a template's stream is being read into a report.
bool rgTemplateReading();

// Publishes the report's Template property (file name, offset, where it is
// kept, its form and database settings) in the report's stream.
void rgPublishReportTemplate();

// Sets every property the class of From streams (published and defined,
// whether or not it would be written) on To, an object of the same class.
void rgCopyStreamedProperties(TPersistent& From, TPersistent& To);

// Template state bits of the report (TrgCommunicator::State).
inline constexpr uint16_t rgStateTemplateLoading = 0x0080;
inline constexpr uint16_t rgStateTemplateSaving = 0x0100;
