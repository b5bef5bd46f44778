// Report templates: saving a report built in code and loading it back in
// both forms prints the same pages; where the stream is found in the stored
// bytes; every error with its text and the old layout kept; the error
// dialog's answers; event handlers bound by name; the component registry.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtEndian>

#include <random>

#include "engine_fixtures.h"
#include "platform/core/file_utils.h"
#include "platform/stream/component_reader.h"
#include "platform/stream/stream_text.h"
#include "platform/ui/prompt_script.h"
#include "report/engine/rg_calc.h"
#include "report/engine/rg_component_registry.h"
#include "report/engine/rg_engine_forms.h"
#include "report/engine/rg_form_hooks.h"
#include "report/engine/rg_data_text.h"
#include "report/engine/rg_groups.h"
#include "report/engine/rg_image.h"
#include "report/engine/rg_shapes.h"
#include "report/engine/rg_subreport.h"
#include "report/engine/rg_template.h"
#include "report/engine/rg_template_dialogs.h"
#include "report/output/rg_strings.h"

namespace {

// A form that publishes the detail band's handler by name: it shows the
// record's name in the label "lblName", whichever label object the layout
// holds at the time.
class TMethodForm : public TComponent, public TrgMethodOwner {
public:
    TMethodForm() : TComponent(nullptr)
    {
        Name = QStringLiteral("frmListe");
        methods.Publish<TNotifyEvent>(QStringLiteral("rgReport1DetailBand1BeforePrint"), [this](TObject*) {
            ++calls;
            if (auto* label = dynamic_cast<TrgLabel*>(FindComponent(QStringLiteral("lblName"))))
                label->SetCaption(rows ? rows->GetFieldAsString(QStringLiteral("Name")) : QString());
        });
        // Published under an event type no band event has.
        methods.Publish<TrgGetTextEvent>(QStringLiteral("lblNameGetText"), [](TObject*, QString& Text) { Text += '!'; });
    }
    const TrgMethodTable& PublishedMethods() const override { return methods; }

    TrgMethodTable methods;
    TrgDataPipeline* rows = nullptr;
    int calls = 0;
};

// Records what the hooks of a load and a save were given.
class TSpyTemplate : public TrgReportTemplate {
public:
    using TrgReportTemplate::TrgReportTemplate;
    std::vector<bool> loads, saves;
    std::vector<QByteArray> converted;

protected:
    void ConvertTextStream(QByteArray& Text) override
    {
        const QByteArray before = Text;
        TrgReportTemplate::ConvertTextStream(Text);
        if (Text != before)
            converted.push_back(Text);
    }
    void AfterLoad(bool Success) override
    {
        loads.push_back(Success);
        TrgReportTemplate::AfterLoad(Success);
    }
    void AfterSave(bool Success) override
    {
        saves.push_back(Success);
        TrgReportTemplate::AfterSave(Success);
    }
};

// A table of templates: a name field and a BLOB field "Layout".
class TTemplateTable : public TListPipeline {
public:
    explicit TTemplateTable(TComponent* Owner)
        : TListPipeline(Owner, QStringList{QStringLiteral("Name"), QStringLiteral("Layout")}, {})
    {
    }
    TrgDataType LayoutType = dtBLOB;
    bool FailRead = false;
    std::vector<std::pair<QString, QByteArray>> Records;

    TrgDataType GetFieldDataType(const QString& Field) override
    {
        return Field == QLatin1String("Layout") ? LayoutType : dtString;
    }
    bool Locate(const QString&, const QVariant& Value, TrgLocateOptions Options) override
    {
        EXPECT_TRUE(Options & loCaseInsensitive);
        for (size_t i = 0; i < Records.size(); ++i)
            if (Records[i].first.compare(Value.toString(), Qt::CaseInsensitive) == 0) {
                current_ = int(i);
                return true;
            }
        return false;
    }
    void GetFieldAsStream(const QString&, TStream& Stream) override
    {
        if (FailRead)
            throw EReadError(QStringLiteral("Lesefehler"));
        const QByteArray& blob = Records.at(size_t(current_)).second;
        Stream.Write(blob.constData(), blob.size());
    }
    void Edit() override { inserting_ = false; }
    void Insert() override
    {
        inserting_ = true;
        name_.clear();
    }
    void SetFieldValue(const QString&, const QVariant& Value) override { name_ = Value.toString(); }
    void SetFieldFromStream(const QString&, TStream& Stream) override
    {
        Stream.SetPosition(0);
        blob_ = Stream.ReadAll();
    }
    void Post() override
    {
        if (inserting_)
            Records.push_back({name_, blob_});
        else
            Records.at(size_t(current_)).second = blob_;
    }

private:
    int current_ = -1;
    bool inserting_ = false;
    QString name_;
    QByteArray blob_;
};

QByteArray ReadBytes(const QString& Path)
{
    QFile file(Path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << Path.toStdString();
    return file.readAll();
}

void WriteBytes(const QString& Path, const QByteArray& Bytes)
{
    QFile file(Path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(Bytes);
}

class TemplateTest : public TEngineTest {
protected:
    void SetUp() override
    {
        TEngineTest::SetUp();
        rgInstallEngineForms();
        rgRegisterBuiltInComponentClasses();
        static const bool described = (DescribeClass<TCapturingReport, TrgReport>(QStringLiteral("TCapturingReport")), true);
        (void)described;
        RegisterClass(ClassInfoFor<TCapturingReport>());
        static const bool spyDescribed = (DescribeClass<TSpyTemplate, TrgReportTemplate>(QStringLiteral("TSpyTemplate")), true);
        (void)spyDescribed;
        ASSERT_TRUE(dir.isValid());
        report = NewReport();
        rows = std::make_unique<TListPipeline>(&methodForm, QStringList{QStringLiteral("Name")}, Rows(7));
        rows->Name = QStringLiteral("plBilder");
        methodForm.rows = rows.get();
    }
    void TearDown() override
    {
        // The report and what a load gave the form go before the form.
        report.reset();
        rows.reset();
        methodForm.DestroyComponents();
        TEngineTest::TearDown();
    }
    static std::vector<QStringList> Rows(int Count)
    {
        std::vector<QStringList> rows;
        for (int i = 1; i <= Count; ++i)
            rows.push_back({QStringLiteral("Bild %1").arg(i)});
        return rows;
    }
    std::unique_ptr<TCapturingReport> NewReport()
    {
        auto fresh = std::make_unique<TCapturingReport>(&methodForm);
        fresh->Name = QStringLiteral("rgReport1");
        SetTestPage(*fresh->PrinterSetup());
        fresh->Engine()->Clock = [] { return TDateTime(46000.5); };
        return fresh;
    }
    // Header and footer labels, a shape in the header, a detail band whose
    // label gets the record's name through the form's published handler.
    void BuildListLayout()
    {
        header = AddBand<TrgHeaderBand>(6000);
        header->Name = QStringLiteral("rgReport1HeaderBand1");
        AddLabel(header, QStringLiteral("Bilderliste"), 0, 0)->Name = QStringLiteral("lblTitel");
        auto* shape = new TrgShape(&methodForm);
        shape->Name = QStringLiteral("shpRahmen");
        shape->SetBand(header);
        shape->SetmmBounds(40000, 0, 20000, 5000);
        detail = AddBand<TrgDetailBand>(8000);
        detail->Name = QStringLiteral("rgReport1DetailBand1");
        TrgLabel* name = AddLabel(detail, QString(), 2000, 1000);
        name->Name = QStringLiteral("lblName");
        const TNotifyEvent* handler =
            methodForm.PublishedMethods().Find<TNotifyEvent>(QStringLiteral("rgReport1DetailBand1BeforePrint"));
        detail->BeforePrint = TrgBoundMethod<TNotifyEvent>{QStringLiteral("rgReport1DetailBand1BeforePrint"), *handler};
        // The record's name once more, from the field, and a small picture.
        auto* field = new TrgDBText(&methodForm);
        field->Name = QStringLiteral("dbtName");
        field->SetBand(detail);
        field->SetAutoSize(false);
        field->SetDataPipeline(rows.get());
        field->SetDataField(QStringLiteral("Name"));
        field->SetmmBounds(34000, 1000, 20000, 4000);
        QImage picture(24, 12, QImage::Format_RGB32);
        picture.fill(Qt::darkCyan);
        const QString pictureFile = dir.filePath(QStringLiteral("bild.png"));
        ASSERT_TRUE(picture.save(pictureFile));
        auto* image = new TrgImage(&methodForm);
        image->Name = QStringLiteral("imgBild");
        image->SetBand(detail);
        image->SetStretch(true);
        image->SetmmBounds(56000, 500, 12000, 6000);
        ASSERT_TRUE(image->LoadPictureFromFile(pictureFile));
        footer = AddBand<TrgFooterBand>(5000);
        footer->Name = QStringLiteral("rgReport1FooterBand1");
        AddLabel(footer, QStringLiteral("Ende der Seite"), 0, 0)->Name = QStringLiteral("lblFuss");
        report->SetDataPipeline(rows.get());
    }
    // Components of the layout are owned by the form, as a loaded layout's are.
    TrgLabel* AddLabel(TrgBand* Band, const QString& Caption, int Left, int Top)
    {
        auto* label = new TrgLabel(&methodForm);
        label->SetAutoSize(false);
        label->SetBand(Band);
        label->SetCaption(Caption);
        label->SetmmBounds(Left, Top, 30000, 4000);
        return label;
    }
    QString Saved(const QString& FileName, TrgFormatType Format, int Offset = 0)
    {
        TrgReportTemplate* tpl = rgReportTemplate(report.get());
        tpl->SetFileName(dir.filePath(FileName));
        tpl->Format = Format;
        tpl->Offset = Offset;
        tpl->SaveToFile();
        return tpl->FileName();
    }
    void Load(const QString& FileName, int Offset = 0)
    {
        TrgReportTemplate* tpl = rgReportTemplate(report.get());
        tpl->SetFileName(FileName);
        tpl->Offset = Offset;
        tpl->LoadFromFile();
    }
    // Errors end a load without asking anyone.
    static void NoErrorDialog()
    {
        rgRegisterFormClass(rgAbstractFormName<TrgCustomTemplateErrorDialog>(),
                            {QStringLiteral("none"), [](TComponent*) -> TrgForm* { return nullptr; }});
    }
    int LabelCount() const
    {
        int count = 0;
        for (int i = 0; i < methodForm.ComponentCount(); ++i)
            count += dynamic_cast<TrgLabel*>(methodForm.Components(i)) != nullptr;
        return count;
    }

    TMethodForm methodForm;
    std::unique_ptr<TListPipeline> rows;
    QTemporaryDir dir;
};

TEST_F(TemplateTest, SavedInBothFormsAndLoadedBackPrintsTheSamePages)
{
    BuildListLayout();
    const std::vector<QString> built = PrintAll();
    ASSERT_GE(built.size(), 2u);
    ASSERT_EQ(built.front().count(QStringLiteral("\"Bild 1\"")), 2);
    ASSERT_TRUE(built.front().contains(QStringLiteral("TrgDrawImage")));
    const QString binary = Saved(QStringLiteral("liste.rtm"), ftBinary);
    const QString text = Saved(QStringLiteral("LISTE.TXT.RTM"), ftASCII);
    // The stored forms, judged by their bytes.
    EXPECT_TRUE(ReadBytes(binary).startsWith("TPF0"));
    EXPECT_TRUE(ReadBytes(binary).endsWith(QByteArray(1, '\0')));
    const QByteArray textBytes = ReadBytes(text);
    EXPECT_TRUE(textBytes.startsWith("object rgReport1: TCapturingReport"));
    EXPECT_TRUE(textBytes.contains("BeforePrint = rgReport1DetailBand1BeforePrint"));
    EXPECT_TRUE(textBytes.contains("DataPipeline = plBilder"));
    EXPECT_TRUE(textBytes.contains("Version = '3.52'"));
    // The template's own settings as saved last: the text form.
    EXPECT_TRUE(textBytes.contains("Template.Format = ftASCII"));
    EXPECT_TRUE(textBytes.contains("Template.FileName = '"));

    for (const QString& file : {binary, text}) {
        SCOPED_TRACE(file.toStdString());
        // Into a new report on the form ...
        report = NewReport();
        Load(file);
        EXPECT_EQ(PrintAll(), built);
        // The template describes what this load found, not what was saved.
        EXPECT_EQ(rgReportTemplate(report.get())->Format, file == text ? ftASCII : ftBinary);
        EXPECT_EQ(rgReportTemplate(report.get())->FileName(), file);
        // ... and again into the same report: the layout is replaced, not
        // added to, and keeps the names the template gives.
        Load(file);
        EXPECT_EQ(PrintAll(), built);
        EXPECT_EQ(LabelCount(), 3);
        EXPECT_EQ(report->GetBandCount(), 3);
        ASSERT_NE(methodForm.FindComponent(QStringLiteral("lblName")), nullptr);
        EXPECT_EQ(dynamic_cast<TrgLabel*>(methodForm.FindComponent(QStringLiteral("lblName")))->Band(),
                  report->FindBand(4));
        auto* image = dynamic_cast<TrgImage*>(methodForm.FindComponent(QStringLiteral("imgBild")));
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(image->Picture()->Width(), 24);
        EXPECT_EQ(image->Picture()->Height(), 12);
    }
}

// A list of towns grouped by town, each group's footer summing its amounts.
class GroupTemplateTest : public TemplateTest {
protected:
    void SetUp() override
    {
        TemplateTest::SetUp();
        towns = std::make_unique<TListPipeline>(&methodForm, QStringList{QStringLiteral("Ort"), QStringLiteral("Betrag")},
                                                std::vector<QStringList>{{"Bonn", "2"}, {"Bonn", "3"}, {"Köln", "5"},
                                                                         {"Köln", "1"}, {"Ulm", "7"}});
        towns->Name = QStringLiteral("plOrte");
    }
    void TearDown() override
    {
        report.reset();
        towns.reset();
        TemplateTest::TearDown();
    }
    template <class T> T* AddField(TrgBand* Band, const QString& Name, const QString& Field, int Left)
    {
        auto* text = new T(&methodForm);
        text->Name = Name;
        text->SetBand(Band);
        text->SetAutoSize(false);
        text->SetmmBounds(Left, 0, 20000, 3000);
        text->SetDataPipeline(towns.get());
        text->SetDataField(Field);
        return text;
    }
    TrgGroup* BuildGroupLayout()
    {
        detail = AddBand<TrgDetailBand>(3000);
        detail->Name = QStringLiteral("rgReport1DetailBand1");
        AddField<TrgDBText>(detail, QStringLiteral("dbtOrt"), QStringLiteral("Ort"), 0);
        AddField<TrgDBText>(detail, QStringLiteral("dbtBetrag"), QStringLiteral("Betrag"), 30000);
        auto* group = new TrgGroup(&methodForm);
        group->Name = QStringLiteral("grpOrt");
        group->SetBreakName(QStringLiteral("Ort"));
        group->SetDataPipeline(towns.get());
        report->AddGroup(group);
        auto* groupFooter = new TrgGroupFooterBand(&methodForm);
        groupFooter->Name = QStringLiteral("rgReport1GroupFooterBand1");
        groupFooter->SetGroup(group);
        groupFooter->SetmmHeight(3000);
        AddField<TrgDBCalc>(groupFooter, QStringLiteral("calSumme"), QStringLiteral("Betrag"), 30000)->ResetGroup = group;
        report->SetDataPipeline(towns.get());
        report->PrinterSetup()->SetDefinedValue(4, 200000);  // one tall page
        return group;
    }
    // The texts of a page's draw commands, in page order.
    static QStringList Texts(const QString& Page)
    {
        QStringList texts;
        static const QRegularExpression quoted(QStringLiteral("\"([^\"]*)\""));
        for (auto it = quoted.globalMatch(Page); it.hasNext();)
            texts << it.next().captured(1);
        return texts;
    }

    std::unique_ptr<TListPipeline> towns;
};

TEST_F(GroupTemplateTest, ASumResetPerGroupKeepsItsGroupInBothFormsAndOneWithoutRunsOn)
{
    BuildGroupLayout();
    const std::vector<QString> built = PrintAll();
    ASSERT_EQ(built.size(), 1u);
    const QStringList perGroup{"Bonn", "2", "Bonn", "3", "5", "Köln", "5", "Köln", "1", "6", "Ulm", "7", "7"};
    ASSERT_EQ(Texts(built[0]), perGroup);
    const QString binary = Saved(QStringLiteral("gruppen.rtm"), ftBinary);
    const QString text = Saved(QStringLiteral("gruppen.txt.rtm"), ftASCII);
    const QByteArray textBytes = ReadBytes(text);
    EXPECT_TRUE(textBytes.contains("        ResetGroup = grpOrt\r\n")) << textBytes.toStdString();
    for (const QString& file : {binary, text}) {
        SCOPED_TRACE(file.toStdString());
        report = NewReport();
        Load(file);
        EXPECT_EQ(PrintAll(), built);
        auto* sum = dynamic_cast<TrgDBCalc*>(methodForm.FindComponent(QStringLiteral("calSumme")));
        ASSERT_NE(sum, nullptr);
        EXPECT_EQ(sum->ResetGroup, methodForm.FindComponent(QStringLiteral("grpOrt")));
    }

    // Without its reset group the sum runs on over the whole list.
    const QString running = dir.filePath(QStringLiteral("fortlaufend.rtm"));
    WriteBytes(running, QByteArray(textBytes).replace("        ResetGroup = grpOrt\r\n", ""));
    report = NewReport();
    Load(running);
    const std::vector<QString> pages = PrintAll();
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(Texts(pages[0]), (QStringList{"Bonn", "2", "Bonn", "3", "5", "Köln", "5", "Köln", "1", "11", "Ulm", "7", "18"}));
}

TEST_F(GroupTemplateTest, AGroupKeepsItsTagAndItsEventsInBothForms)
{
    TrgGroup* group = BuildGroupLayout();
    int breaks = 0;
    const TNotifyEvent counter = [&breaks](TObject*) { ++breaks; };
    methodForm.methods.Publish<TNotifyEvent>(QStringLiteral("grpOrtBeforeGroupBreak"), counter);
    methodForm.methods.Publish<TNotifyEvent>(QStringLiteral("grpOrtAfterGroupBreak"), counter);
    group->Tag = 7;
    group->BeforeGroupBreak = TrgBoundMethod<TNotifyEvent>{QStringLiteral("grpOrtBeforeGroupBreak"), counter};
    group->AfterGroupBreak = TrgBoundMethod<TNotifyEvent>{QStringLiteral("grpOrtAfterGroupBreak"), counter};
    PrintAll();
    const int printedBreaks = breaks;
    ASSERT_GT(printedBreaks, 0);
    const QString binary = Saved(QStringLiteral("ereignisse.rtm"), ftBinary);
    const QString text = Saved(QStringLiteral("ereignisse.txt.rtm"), ftASCII);
    const QByteArray textBytes = ReadBytes(text);
    for (const char* line : {"    Tag = 7\r\n", "    BeforeGroupBreak = grpOrtBeforeGroupBreak\r\n",
                             "    AfterGroupBreak = grpOrtAfterGroupBreak\r\n"})
        EXPECT_TRUE(textBytes.contains(line)) << line << textBytes.toStdString();
    for (const QString& file : {binary, text}) {
        SCOPED_TRACE(file.toStdString());
        report = NewReport();
        Load(file);
        auto* loaded = dynamic_cast<TrgGroup*>(methodForm.FindComponent(QStringLiteral("grpOrt")));
        ASSERT_NE(loaded, nullptr);
        EXPECT_EQ(loaded->Tag, 7);
        EXPECT_EQ(rgBoundMethodName(loaded->BeforeGroupBreak), QStringLiteral("grpOrtBeforeGroupBreak"));
        EXPECT_EQ(rgBoundMethodName(loaded->AfterGroupBreak), QStringLiteral("grpOrtAfterGroupBreak"));
        breaks = 0;
        PrintAll();
        EXPECT_EQ(breaks, printedBreaks);
    }
}

TEST_F(GroupTemplateTest, ThresholdsAreShownInTheReportsUnitsAndStoredInThousandthsOfAMillimetre)
{
    TrgGroup* group = BuildGroupLayout();
    report->SetUnits(utMillimeters);
    group->SetNewPageThreshold(30);
    group->SetNewColumnThreshold(12.5f);
    EXPECT_EQ(group->mmNewPageThreshold, 30000);
    EXPECT_EQ(group->mmNewColumnThreshold, 12500);
    report->SetUnits(utInches);
    EXPECT_NEAR(group->NewPageThreshold(), 30 / 25.4, 0.001);
    const QByteArray text = ReadBytes(Saved(QStringLiteral("schwellen.rtm"), ftASCII));
    EXPECT_TRUE(text.contains("    mmNewColumnThreshold = 12500\r\n")) << text.toStdString();
    EXPECT_TRUE(text.contains("    mmNewPageThreshold = 30000\r\n"));
    EXPECT_FALSE(text.contains(" NewPageThreshold = ")) << "the unit form is not stored";
}

TEST_F(GroupTemplateTest, AnOlderTemplateKeepsItsGroupsBreakFieldAndSettings)
{
    BuildGroupLayout();
    QByteArray text = ReadBytes(Saved(QStringLiteral("neu.rtm"), ftASCII));
    // How a template of version 1.26 held its group: the break field as
    // "FieldName", one reprint flag, the threshold in screen pixels and the
    // group's place on the design surface.
    ASSERT_TRUE(text.contains("Version = '3.52'"));
    ASSERT_TRUE(text.contains("    BreakName = 'Ort'\r\n"));
    text.replace("Version = '3.52'", "Version = '1.26'");
    text.replace("    BreakName = 'Ort'\r\n", "    FieldName = 'Ort'\r\n    Left = 8\r\n    NewPage = True\r\n"
                                              "    NewPageThreshold = 96\r\n    ReprintOnSubsequent = False\r\n"
                                              "    Top = 16\r\n");
    const QString old = dir.filePath(QStringLiteral("alt.rtm"));
    WriteBytes(old, text);
    report = NewReport();
    Load(old);
    ASSERT_EQ(report->GetGroupCount(), 1);
    const TrgGroup* group = report->GetGroupAt(0);
    EXPECT_EQ(group->BreakName(), QStringLiteral("Ort"));
    EXPECT_TRUE(group->NewPage);
    EXPECT_TRUE(group->NewColumn) << "older groups began a new column with a new page";
    EXPECT_FALSE(group->ReprintOnSubsequentPage);
    EXPECT_FALSE(group->ReprintOnSubsequentColumn);
    const int threshold = rgToMMThousandths(utScreenPixels, rgVertical, nullptr, 96);
    EXPECT_EQ(group->mmNewPageThreshold, threshold);
    EXPECT_EQ(group->mmNewColumnThreshold, threshold);
    EXPECT_EQ(group->DataPipeline(), towns.get());
}

TEST_F(GroupTemplateTest, ADeletedResetGroupLeavesItsSumRunningOn)
{
    TrgGroup* group = BuildGroupLayout();
    auto* sum = dynamic_cast<TrgDBCalc*>(methodForm.FindComponent(QStringLiteral("calSumme")));
    ASSERT_EQ(sum->ResetGroup, group);
    delete group;
    EXPECT_EQ(sum->ResetGroup, nullptr) << "no reference to a group that is gone";
}

TEST_F(GroupTemplateTest, ACopiedReportPrintsTheSamePagesWithBandsAndGroupsOfItsOwn)
{
    TrgGroup* group = BuildGroupLayout();
    report->SetLanguage(lgGerman);
    report->SetDevice(dvArchive);
    report->SetTextFileName(QStringLiteral("liste.txt"));
    report->SetModalPreview(false);
    report->SavePrinterSetup = true;
    report->SetPageLimit(5);
    int pagesStarted = 0;
    report->OnStartPage = [&pagesStarted](TObject*) { ++pagesStarted; };
    int printsEnded = 0;
    report->AfterPrint = [&printsEnded](TObject*) { ++printsEnded; };
    const std::vector<QString> built = PrintAll();

    std::unique_ptr<TCapturingReport> original = std::move(report);
    report = NewReport();
    report->CopySettings(original.get());
    EXPECT_EQ(report->Language(), lgGerman);
    EXPECT_EQ(report->LanguageIndex(), original->LanguageIndex());
    EXPECT_EQ(report->Device(), dvArchive);
    EXPECT_EQ(report->TextFileName(), QStringLiteral("liste.txt"));
    EXPECT_EQ(report->PageLimit(), 5);
    EXPECT_EQ(report->DataPipeline(), towns.get());
    EXPECT_TRUE(report->ModalPreview()) << "ModalPreview is not copied";
    EXPECT_FALSE(report->SavePrinterSetup) << "SavePrinterSetup is not copied";
    ASSERT_TRUE(report->AfterPrint);
    report->AfterPrint(report.get());
    EXPECT_EQ(printsEnded, 1);

    ASSERT_EQ(report->GetGroupCount(), 1);
    ASSERT_EQ(report->GetBandCount(), original->GetBandCount());
    TrgGroup* copiedGroup = report->GetGroupAt(0);
    EXPECT_NE(copiedGroup, group);
    EXPECT_EQ(copiedGroup->BreakName(), QStringLiteral("Ort"));
    ASSERT_NE(copiedGroup->FooterBand(), nullptr);
    EXPECT_NE(copiedGroup->FooterBand(), group->FooterBand());
    const auto* sum = dynamic_cast<const TrgDBCalc*>(copiedGroup->FooterBand()->GetComponentAt(0));
    ASSERT_NE(sum, nullptr);
    EXPECT_EQ(sum->ResetGroup, copiedGroup) << "the copy resets with the copied group";
    for (int i = 0; i < report->GetBandCount(); ++i)
        EXPECT_NE(report->GetBandAt(i), original->GetBandAt(i));

    pagesStarted = 0;
    EXPECT_EQ(PrintAll(), built);
    EXPECT_GT(pagesStarted, 0) << "the copy fires the source's events";
    // The source keeps its own layout and prints as before.
    report.swap(original);
    EXPECT_EQ(PrintAll(), built);
}

TEST_F(TemplateTest, ASubreportIsSavedWithItsChildReportAndPrintsTheSameAfterLoading)
{
    BuildListLayout();
    // A summary holding a subreport whose child lists the children's names.
    TListPipeline kinder(&methodForm, QStringList{QStringLiteral("Name")},
                         {{QStringLiteral("Kind A")}, {QStringLiteral("Kind B")}, {QStringLiteral("Kind C")}});
    kinder.Name = QStringLiteral("plKinder");
    auto* summary = AddBand<TrgSummaryBand>(6000);
    summary->Name = QStringLiteral("rgReport1SummaryBand1");
    summary->SetPrintHeight(phDynamic);
    auto* sub = new TrgSubReport(&methodForm);
    sub->Name = QStringLiteral("subKinder");
    sub->SetBand(summary);
    sub->SetmmBounds(5000, 1000, 50000, 5000);
    TrgChildReport* child = sub->Report();
    while (child->GetBandCount() > 0)
        delete child->GetBandAt(0);
    child->Name = QStringLiteral("rgChildKinder");
    child->SetDataPipeline(&kinder);
    auto* childDetail = new TrgDetailBand(&methodForm);
    childDetail->Name = QStringLiteral("rgChildKinderDetailBand1");
    child->AddBand(childDetail);
    childDetail->SetmmHeight(4000);
    auto* childName = new TrgDBText(&methodForm);
    childName->Name = QStringLiteral("dbtKind");
    childName->SetBand(childDetail);
    childName->SetAutoSize(false);
    childName->SetDataPipeline(&kinder);
    childName->SetDataField(QStringLiteral("Name"));
    childName->SetmmBounds(0, 0, 30000, 4000);

    const std::vector<QString> built = PrintAll();
    const QString last = built.back();
    ASSERT_TRUE(last.contains(QStringLiteral("\"Kind A\"")) && last.contains(QStringLiteral("\"Kind C\"")))
        << last.toStdString();
    const QString binary = Saved(QStringLiteral("kinder.rtm"), ftBinary);
    const QString text = Saved(QStringLiteral("kinder.txt.rtm"), ftASCII);
    // The child report stands nested in the subreport's object.
    const QString textForm = QString::fromLatin1(ReadBytes(text));
    const qsizetype subAt = textForm.indexOf(QStringLiteral("object subKinder: TrgSubReport"));
    const qsizetype childAt = textForm.indexOf(QStringLiteral("object rgChildKinder: TrgChildReport"));
    const qsizetype bandAt = textForm.indexOf(QStringLiteral("object rgChildKinderDetailBand1: TrgDetailBand"));
    ASSERT_GE(subAt, 0) << textForm.toStdString();
    EXPECT_LT(subAt, childAt);
    EXPECT_LT(childAt, bandAt);

    for (const QString& file : {binary, text}) {
        SCOPED_TRACE(file.toStdString());
        report = NewReport();
        Load(file);
        auto* loaded = dynamic_cast<TrgSubReport*>(methodForm.FindComponent(QStringLiteral("subKinder")));
        ASSERT_NE(loaded, nullptr);
        ASSERT_NE(loaded->Report(), nullptr);
        EXPECT_EQ(loaded->Report()->Name, QStringLiteral("rgChildKinder"));
        EXPECT_EQ(loaded->Report()->SubReport(), loaded);
        EXPECT_EQ(loaded->Report()->GetBandCount(), 1);
        EXPECT_EQ(loaded->Report()->DataPipeline(), &kinder);
        EXPECT_EQ(PrintAll(), built);
    }

    // A stream may name the behaviour, the default one too.
    const QByteArray plain = ReadBytes(text);
    ASSERT_FALSE(plain.contains("PrintBehavior"));
    const std::pair<const char*, TrgPrintBehaviorType> behaviors[] = {
        {"pbChild", pbChild}, {"pbSection", pbSection}, {"pbFixed", pbFixed}};
    for (const auto& [identifier, behavior] : behaviors) {
        SCOPED_TRACE(identifier);
        QByteArray named = plain;
        named.replace("object subKinder: TrgSubReport\r\n",
                      QByteArray("object subKinder: TrgSubReport\r\n      PrintBehavior = ") + identifier + "\r\n");
        const QString namedFile = dir.filePath(QStringLiteral("kinder_benannt.rtm"));
        WriteBytes(namedFile, named);
        report = NewReport();
        Load(namedFile);
        auto* namedSub = dynamic_cast<TrgSubReport*>(methodForm.FindComponent(QStringLiteral("subKinder")));
        ASSERT_NE(namedSub, nullptr);
        EXPECT_EQ(namedSub->PrintBehavior(), behavior);
        if (behavior == pbChild) {
            EXPECT_EQ(PrintAll(), built);
        }
    }
    report = NewReport();
    Load(text);

    // A template cut off inside the child report fails to load: what the
    // reader made of it goes again, and the loaded layout stays.
    NoErrorDialog();
    const QByteArray whole = ReadBytes(text);
    const QString cut = dir.filePath(QStringLiteral("kinder_halb.rtm"));
    WriteBytes(cut, whole.left(whole.indexOf("rgChildKinderDetailBand1") + 10));
    EXPECT_THROW(Load(cut), Exception);
    EXPECT_EQ(PrintAll(), built);
    // So does one whose child names a pipeline the form does not have.
    QByteArray unknownPipeline = whole;
    ASSERT_TRUE(unknownPipeline.contains("plKinder"));
    unknownPipeline.replace("plKinder", "plFehlt_");
    const QString unknown = dir.filePath(QStringLiteral("kinder_fremd.rtm"));
    WriteBytes(unknown, unknownPipeline);
    EXPECT_THROW(Load(unknown), Exception);
    EXPECT_EQ(PrintAll(), built);
    report.reset();
}

TEST_F(TemplateTest, AReportKeptInATemplateTakesItsLayoutWhenItIsLoaded)
{
    DescribeClass<TCapturingReport, TrgReport>(QStringLiteral("TCapturingReport"));
    BuildListLayout();
    const std::vector<QString> built = PrintAll();
    const QString file = Saved(QStringLiteral("vorlage.rtm"), ftASCII);
    // The form's stream names the template only.
    const auto formStream = [](const QString& TemplateFile) {
        return ObjectTextToBinary(QByteArray("object rgReport1: TCapturingReport\r\n"
                                             "  SaveAsTemplate = True\r\n"
                                             "  Template.FileName = '") +
                                  TemplateFile.toLatin1() + "'\r\nend\r\n");
    };
    report = NewReport();
    ComponentFromBytes(formStream(file), report.get());
    EXPECT_EQ(PrintAll(), built);
    // A template that cannot be read leaves what the form streamed.
    report = NewReport();
    EXPECT_NO_THROW(ComponentFromBytes(formStream(dir.filePath(QStringLiteral("fehlt.rtm"))), report.get()));
    EXPECT_EQ(report->GetBandCount(), 3) << "the default bands";

    // A subreport's child report kept in a template tells the main report.
    report = NewReport();
    QStringList told;
    report->OnReportNotify = [&told](TrgCustomReport* Child) { told << Child->Name; };
    ComponentFromBytes(ObjectTextToBinary(QByteArray("object rgReport1: TCapturingReport\r\n"
                                                     "  object rgReport1DetailBand1: TrgDetailBand\r\n"
                                                     "    object subKind: TrgSubReport\r\n"
                                                     "      object rgKind: TrgChildReport\r\n"
                                                     "        SaveAsTemplate = True\r\n"
                                                     "        Template.FileName = 'fehlt.rtm'\r\n"
                                                     "      end\r\n"
                                                     "    end\r\n"
                                                     "  end\r\n"
                                                     "end\r\n")),
                       report.get());
    EXPECT_EQ(told, QStringList{QStringLiteral("rgKind")});
}

TEST_F(TemplateTest, FractionsInTheTextFormUseAPointWhateverTheSeparator)
{
    BuildListLayout();
    QByteArray text = ReadBytes(Saved(QStringLiteral("t.rtm"), ftASCII));
    // The label's place in inches, the report's units, after its stored
    // lengths so that it is the value that counts.
    const qsizetype label = text.indexOf("object lblTitel: TrgLabel\r\n");
    ASSERT_GE(label, 0);
    const qsizetype end = text.indexOf("    end\r\n", label);
    ASSERT_GT(end, label);
    text.insert(end, "      Left = 1.5\r\n");
    const QString file = dir.filePath(QStringLiteral("bruch.rtm"));
    WriteBytes(file, text);
    ASSERT_EQ(FormatSettings().DecimalSeparator, QChar(u','));
    Load(file);
    auto* title = dynamic_cast<TrgLabel*>(methodForm.FindComponent(QStringLiteral("lblTitel")));
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->mmLeft(), 38100);
}

TEST_F(TemplateTest, TheStreamIsFoundByItsSignatureOffsetOrLeadingPosition)
{
    BuildListLayout();
    const std::vector<QString> built = PrintAll();
    const QByteArray text = ReadBytes(Saved(QStringLiteral("t.rtm"), ftASCII));
    const QByteArray binary = ReadBytes(Saved(QStringLiteral("b.rtm"), ftBinary));
    QByteArray positioned(16, 'x');
    qToLittleEndian<qint32>(16, positioned.data());
    struct Case {
        const char* name;
        QByteArray bytes;
        int storedOffset;
        TrgFormatType format;
        int offset;
    };
    const Case cases[] = {
        {"binary at 0, stale offset", binary, 100, ftBinary, 0},
        {"text at 0", text, 0, ftASCII, 0},
        {"text behind the position at 0", positioned + text, 0, ftASCII, 16},
        {"binary at the stored offset", QByteArray(7, '\x01') + binary, 7, ftBinary, 7},
        {"text at the stored offset, negative position at 0", QByteArray("\xff\xff\xff\xff---", 7) + text, 7, ftASCII, 7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString file = dir.filePath(QStringLiteral("case.rtm"));
        WriteBytes(file, c.bytes);
        report = NewReport();
        Load(file, c.storedOffset);
        EXPECT_EQ(rgReportTemplate(report.get())->Format, c.format);
        EXPECT_EQ(rgReportTemplate(report.get())->Offset, c.offset);
        EXPECT_EQ(PrintAll(), built);
    }
}

TEST_F(TemplateTest, BadTemplatesFailWithTheirTextAndKeepTheOldLayout)
{
    BuildListLayout();
    const std::vector<QString> built = PrintAll();
    const QByteArray binary = ReadBytes(Saved(QStringLiteral("gut.rtm"), ftBinary));
    const QByteArray text = ReadBytes(Saved(QStringLiteral("gut.txt"), ftASCII));
    QByteArray positionedNowhere(4, '\0');
    qToLittleEndian<qint32>(16, positionedNowhere.data());
    positionedNowhere += QByteArray(40, 'y');
    const QString invalid = QStringLiteral("Invalid Template Format");
    struct Case {
        const char* name;
        QByteArray bytes;
        QString message;  // empty: a read error of the stream
    };
    const Case cases[] = {
        {"empty", QByteArray(), invalid},
        {"three bytes", QByteArray("TPF"), invalid},
        {"another format", QByteArray("\x89PNG\r\n\x1a\n0000000000000000", 24), invalid},
        {"position at 0 pointing at nothing", positionedNowhere, invalid},
        {"binary cut in half", binary.left(binary.size() / 2), {}},
        {"binary without its closing byte", binary.chopped(1), {}},
        {"text cut in half", text.left(text.size() / 2), {}},
        {"text of a component only", QByteArray("object X: TrgLabel\r\nend\r\n"), invalid},
    };
    NoErrorDialog();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString file = dir.filePath(QStringLiteral("schlecht.rtm"));
        WriteBytes(file, c.bytes);
        auto* spy = new TSpyTemplate(report.get());
        spy->SetFileName(file);
        bool threw = false;
        try {
            spy->LoadFromFile();
        } catch (const Exception& e) {
            threw = true;
            if (!c.message.isEmpty()) {
                EXPECT_EQ(e.Message, c.message);
            }
        }
        EXPECT_TRUE(threw);
        EXPECT_EQ(spy->loads, std::vector<bool>{false});
        EXPECT_EQ(PrintAll(), built);
        EXPECT_EQ(report->State() & rgStateTemplateLoading, 0);
        delete spy;
    }
    EXPECT_EQ(LabelCount(), 3);
}

TEST_F(TemplateTest, LengthsBeyondAHundredMetresAreRefusedWithTheReadErrorAndTheOldLayoutStays)
{
    BuildListLayout();
    const std::vector<QString> built = PrintAll();
    const QByteArray text = ReadBytes(Saved(QStringLiteral("gut.txt"), ftASCII));
    struct Case {
        const char* name;
        QByteArray from, to;  // a line of the good template and its replacement
        const char* refused;  // what the error names
    };
    const Case cases[] = {
        {"band height", "    mmHeight = 8000\r\n", "    mmHeight = 2147483647\r\n", "mmHeight = 2147483647"},
        {"component position", "      mmLeft = 2000\r\n", "      mmLeft = -2147483648\r\n", "mmLeft = -2147483648"},
        {"paper height", "mmPaperHeight = 60000", "mmPaperHeight = 100000001", "mmPaperHeight = 100000001"},
        // A length in the report's units, which the stream may hold too:
        // the label's last property.
        {"label height in inches", "      BandType = 4\r\n    end\r\n",
         "      BandType = 4\r\n      Height = 1E30\r\n    end\r\n", "mmHeight = 2147483647"},
    };
    NoErrorDialog();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(text.contains(c.from));
        const QByteArray bad = QByteArray(text).replace(c.from, c.to);
        const QString file = dir.filePath(QStringLiteral("riesig.rtm"));
        WriteBytes(file, bad);
        try {
            Load(file);
            ADD_FAILURE() << "the template was read";
        } catch (const EReadError& e) {
            EXPECT_TRUE(e.Message.contains(QString::fromLatin1(c.refused))) << e.Message.toStdString();
        }
        EXPECT_EQ(PrintAll(), built) << "the old layout stays";
    }

    // At the limit a template is read and its pages are made without any
    // sum of lengths overflowing (which the sanitizer twin would report).
    const QByteArray edge = QByteArray(text)
                                .replace("      mmLeft = 2000\r\n", "      mmLeft = 100000000\r\n")
                                .replace("      mmTop = 1000\r\n", "      mmTop = -100000000\r\n")
                                .replace("      mmWidth = 30000\r\n", "      mmWidth = 100000000\r\n");
    const QString file = dir.filePath(QStringLiteral("grenze.rtm"));
    WriteBytes(file, edge);
    Load(file);
    EXPECT_EQ(PrintAll().size(), built.size());
}

TEST_F(TemplateTest, AMissingFileRaisesBeforeAnythingHappens)
{
    BuildListLayout();
    const std::vector<QString> built = PrintAll();
    auto* spy = new TSpyTemplate(report.get());
    int ends = 0;
    spy->OnLoadEnd = [&ends](TObject*) { ++ends; };
    const QString file = dir.filePath(QStringLiteral("fehlt.rtm"));
    spy->SetFileName(file);
    try {
        spy->LoadFromFile();
        ADD_FAILURE() << "no error";
    } catch (const ETemplateLoadError& e) {
        EXPECT_EQ(e.Message, QStringLiteral("File not found: ") + file);
    }
    EXPECT_TRUE(spy->loads.empty());
    EXPECT_EQ(ends, 0);
    EXPECT_EQ(PrintAll(), built);
    // In the report's language.
    report->SetLanguage(lgGerman);
    try {
        spy->LoadFromFile();
        ADD_FAILURE() << "no error";
    } catch (const ETemplateLoadError& e) {
        EXPECT_EQ(e.Message, QStringLiteral("Datei nicht gefunden: ") + file);
    }
}

TEST_F(TemplateTest, ReadErrorsAskTheDialogAndItsAnswersDecide)
{
    BuildListLayout();
    const std::vector<QString> built = PrintAll();
    QByteArray text = ReadBytes(Saved(QStringLiteral("t.rtm"), ftASCII));
    // Two errors: a class nobody registered and a handler the form lacks.
    text.replace("lblFuss: TrgLabel", "lblFuss: TrgKeinLabel");
    text.replace("= rgReport1DetailBand1BeforePrint", "= GibtEsNicht");
    const QString file = dir.filePath(QStringLiteral("fehler.rtm"));
    WriteBytes(file, text);
    QStringList messages;
    auto answer = [&messages](TModalResult Result) {
        return [&messages, Result](TCustomForm& Form) {
            auto& dialog = dynamic_cast<TrgCustomTemplateErrorDialog&>(Form);
            messages << dialog.GetMessage();
            Form.ModalResult = Result;
        };
    };
    {
        // Cancel: the load fails, the old layout prints as before.
        TPromptScript script;
        script.Modal(answer(mrCancel));
        EXPECT_ANY_THROW(Load(file));
        EXPECT_EQ(PrintAll(), built);
    }
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].endsWith(QStringLiteral("\rIgnore the error and continue?"))) << messages[0].toStdString();
    {
        // Ignore each: both errors are asked about; the handler is left
        // unset and the unknown component out.
        TPromptScript script;
        script.Modal(answer(mrIgnore)).Modal(answer(mrIgnore));
        Load(file);
    }
    EXPECT_EQ(messages.size(), 3);
    EXPECT_EQ(LabelCount(), 2);
    EXPECT_FALSE(report->FindBand(4)->BeforePrint);
    {
        // Ignore All lasts the rest of one load ...
        TPromptScript script;
        script.Modal(answer(mrAll));
        Load(file);
        EXPECT_TRUE(rgReportTemplate(report.get())->IgnoreAll());
    }
    {
        // ... and the next load asks again.
        TPromptScript script;
        script.Modal(answer(mrCancel));
        EXPECT_ANY_THROW(Load(file));
    }
    EXPECT_EQ(messages.size(), 5);
}

TEST_F(TemplateTest, HandlersAreBoundByNameToTheFormsMethodsOfTheirType)
{
    BuildListLayout();
    const std::vector<QString> built = PrintAll();
    const QString file = Saved(QStringLiteral("h.rtm"), ftASCII);
    report = NewReport();
    Load(file);
    methodForm.calls = 0;
    EXPECT_EQ(PrintAll(), built);
    EXPECT_GE(methodForm.calls, 7);
    TrgBand* band = report->FindBand(4);
    EXPECT_EQ(rgBoundMethodName(band->BeforePrint), QStringLiteral("rgReport1DetailBand1BeforePrint"));
    // A method of the wrong event type is an error like a missing one.
    QByteArray text = ReadBytes(file);
    text.replace("= rgReport1DetailBand1BeforePrint", "= lblNameGetText");
    WriteBytes(file, text);
    NoErrorDialog();
    EXPECT_ANY_THROW(Load(file));
    EXPECT_EQ(rgBoundMethodName(report->FindBand(4)->BeforePrint), QStringLiteral("rgReport1DetailBand1BeforePrint"));
}

TEST_F(TemplateTest, AnOlderLabelsSaveHandlerBecomesTheReportsSaveTextHandler)
{
    BuildListLayout();
    methodForm.methods.Publish<TrgSaveTextEvent>(QStringLiteral("lblTitelSave"),
                                                 [](TObject*, QString& Text) { Text += QStringLiteral("!"); });
    QByteArray text = ReadBytes(Saved(QStringLiteral("t.rtm"), ftASCII));
    ASSERT_TRUE(text.contains("object lblTitel: TrgLabel\r\n"));
    text.replace("object lblTitel: TrgLabel\r\n", "object lblTitel: TrgLabel\r\n      OnSave = lblTitelSave\r\n");
    text.replace("Version = '3.52'", "Version = '3.0'");
    const QString file = dir.filePath(QStringLiteral("alt_save.rtm"));
    WriteBytes(file, text);
    report = NewReport();
    Load(file);
    EXPECT_EQ(rgBoundMethodName(report->OnSaveText), QStringLiteral("lblTitelSave"));
    ASSERT_TRUE(report->OnSaveText);
    QString saved = QStringLiteral("Bilderliste");
    report->OnSaveText(nullptr, saved);
    EXPECT_EQ(saved, QStringLiteral("Bilderliste!"));
    // Saved again, the report names the handler itself.
    const QByteArray again = ReadBytes(Saved(QStringLiteral("neu.rtm"), ftASCII));
    EXPECT_TRUE(again.contains("  OnSaveText = lblTitelSave\r\n")) << again.toStdString();
    EXPECT_FALSE(again.contains("OnSave = ")) << again.toStdString();
}

TEST_F(TemplateTest, OldTextTemplatesAreConvertedBeforeTheyAreRead)
{
    BuildListLayout();
    const std::vector<QString> built = PrintAll();
    // Older versions stored lengths in the report's units as integers.
    QByteArray current = ReadBytes(Saved(QStringLiteral("t.rtm"), ftASCII));
    ASSERT_TRUE(current.contains("object lblTitel: TrgLabel\r\n"));
    current.replace("object lblTitel: TrgLabel\r\n", "object lblTitel: TrgLabel\r\n      Top = 0\r\n");
    struct Case {
        const char* version;
        bool converted;
    };
    const Case cases[] = {{"3.52", false}, {"3.0", false}, {"2.5", true}, {"1.27", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.version);
        const QString file = dir.filePath(QStringLiteral("alt.rtm"));
        WriteBytes(file, QByteArray(current).replace("Version = '3.52'", QByteArray("Version = '") + c.version + "'"));
        auto* spy = new TSpyTemplate(report.get());
        spy->SetFileName(file);
        spy->LoadFromFile();
        ASSERT_EQ(spy->converted.size(), c.converted ? 1u : 0u);
        if (c.converted) {
            EXPECT_TRUE(spy->converted[0].contains("      Top = 0.0\r\n"));
        } else {
            EXPECT_EQ(PrintAll(), built);
        }
        delete spy;
    }
}

TEST_F(TemplateTest, AFailedSaveKeepsTheOldFileAndSaysSo)
{
    BuildListLayout();
    const QString file = Saved(QStringLiteral("alt.rtm"), ftBinary);
    const QByteArray before = ReadBytes(file);
    auto* spy = new TSpyTemplate(report.get());
    spy->SetFileName(file);
    spy->Format = ftASCII;
    spy->OnSaveStream = [](TrgReportTemplate*, QByteArray&) { throw EWriteError(QStringLiteral("Platte voll")); };
    EXPECT_THROW(spy->SaveToFile(), EWriteError);
    EXPECT_EQ(ReadBytes(file), before);
    spy->OnSaveStream = nullptr;
    ASSERT_EQ(FileSetAttr(file, faReadOnly), 0);
    try {
        spy->SaveToFile();
        ADD_FAILURE() << "no error";
    } catch (const ETemplateSaveError& e) {
        EXPECT_EQ(e.Message, QStringLiteral("File is read-only."));
    }
    EXPECT_EQ(ReadBytes(file), before);
    FileSetAttr(file, 0);
    spy->SaveToFile();
    EXPECT_TRUE(ReadBytes(file).startsWith("object"));
    EXPECT_EQ(spy->saves, (std::vector<bool>{false, false, true}));
    EXPECT_EQ(report->State() & rgStateTemplateSaving, 0);
    // A prefix of Offset bytes stands before the stream.
    spy->Offset = 5;
    spy->SaveToFile();
    EXPECT_EQ(ReadBytes(file).left(11), QByteArray(5, '\0') + "object");
    delete spy;
}

TEST_F(TemplateTest, NewGivesABlankLayout)
{
    BuildListLayout();
    TrgReportTemplate* tpl = rgReportTemplate(report.get());
    int news = 0;
    tpl->OnNew = [&news](TObject*) { ++news; };
    tpl->New();
    EXPECT_EQ(news, 1);
    EXPECT_EQ(LabelCount(), 0);
    EXPECT_EQ(report->FindBand(4) == nullptr ? 0 : report->FindBand(4)->GetComponentCount(), 0);
}

TEST_F(TemplateTest, TemplatesKeptInABlobFieldByName)
{
    BuildListLayout();
    const std::vector<QString> built = PrintAll();
    TTemplateTable table(nullptr);
    auto* spy = new TSpyTemplate(report.get());
    auto useTable = [&table](TrgReportTemplate* Template, const QString& Name) {
        TrgTemplateDBSettings* settings = Template->DatabaseSettings();
        settings->SetDataPipeline(&table);
        settings->SetName(Name);
        settings->NameField = QStringLiteral("Name");
        settings->TemplateField = QStringLiteral("Layout");
        Template->SaveTo = stDatabase;
    };
    useTable(spy, QStringLiteral("Bilderliste"));
    // Incomplete settings: nothing is saved.
    spy->DatabaseSettings()->NameField.clear();
    spy->Save();
    EXPECT_TRUE(table.Records.empty());
    EXPECT_TRUE(spy->saves.empty());
    // The first save inserts, the second (the name in other case) updates.
    useTable(spy, QStringLiteral("Bilderliste"));
    spy->Save();
    ASSERT_EQ(table.Records.size(), 1u);
    EXPECT_TRUE(table.Records[0].second.startsWith("TPF0"));
    spy->DatabaseSettings()->SetName(QStringLiteral("BILDERLISTE"));
    spy->Format = ftASCII;
    spy->Save();
    ASSERT_EQ(table.Records.size(), 1u);
    EXPECT_EQ(table.Records[0].first, QStringLiteral("Bilderliste"));
    EXPECT_TRUE(table.Records[0].second.startsWith("object"));
    EXPECT_EQ(spy->saves, (std::vector<bool>{true, true}));

    // Loaded back into a new report by name.
    report = NewReport();
    TrgReportTemplate* tpl = rgReportTemplate(report.get());
    useTable(tpl, QStringLiteral("bilderliste"));
    tpl->Load();
    EXPECT_EQ(PrintAll(), built);

    // Every way the database can fail, with its text; the layout stays.
    struct Case {
        const char* name;
        QString templateName;
        TrgDataType layoutType;
        bool failRead;
        QString message;
    };
    const Case cases[] = {
        {"no such record", QStringLiteral("Fehlt"), dtBLOB, false, QStringLiteral("Record not found: Fehlt")},
        {"not a blob", QStringLiteral("Bilderliste"), dtString, false, QStringLiteral("Field is not a blob field: Layout")},
        {"read fails", QStringLiteral("Bilderliste"), dtBLOB, true, QStringLiteral("Error reading template from database.")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        useTable(tpl, c.templateName);
        table.LayoutType = c.layoutType;
        table.FailRead = c.failRead;
        try {
            tpl->Load();
            ADD_FAILURE() << "no error";
        } catch (const ETemplateLoadError& e) {
            EXPECT_EQ(e.Message, c.message);
        }
        EXPECT_EQ(PrintAll(), built);
    }
    table.LayoutType = dtString;
    table.FailRead = false;
    useTable(tpl, QStringLiteral("Bilderliste"));
    try {
        tpl->Save();
        ADD_FAILURE() << "no error";
    } catch (const ETemplateSaveError& e) {
        EXPECT_EQ(e.Message, QStringLiteral("Cannot store a template to a field this type."));
    }
    EXPECT_TRUE(table.Records[0].second.startsWith("object"));
}

TEST_F(TemplateTest, ALoadWhilePagesAreMadeDoesNothing)
{
    BuildListLayout();
    const std::vector<QString> built = PrintAll();
    // Were it read, this file would fail the load.
    const QString other = dir.filePath(QStringLiteral("anders.rtm"));
    WriteBytes(other, "kein Layout");
    int tried = 0;
    header->BeforePrint = [&](TObject*) {
        ++tried;
        Load(other);
    };
    EXPECT_EQ(PrintAll(), built);
    EXPECT_GT(tried, 0);
    EXPECT_EQ(rgReportTemplate(report.get())->FileName(), other);
}

// Random damage to stored templates never crashes the program and never
// leaves a half-read layout: either the load succeeds or the old layout
// still prints as before.
TEST_F(TemplateTest, DamagedTemplatesNeverBreakTheReport)
{
    BuildListLayout();
    const std::vector<QString> built = PrintAll();
    const QByteArray sources[] = {ReadBytes(Saved(QStringLiteral("b.rtm"), ftBinary)),
                                  ReadBytes(Saved(QStringLiteral("t.rtm"), ftASCII))};
    NoErrorDialog();
    std::mt19937 random(4711);
    const QString file = dir.filePath(QStringLiteral("kaputt.rtm"));
    int failed = 0;
    for (int round = 0; round < 300; ++round) {
        QByteArray bytes = sources[round % 2];
        const int damage = 1 + int(random() % 6);
        for (int d = 0; d < damage && !bytes.isEmpty(); ++d) {
            const int at = int(random() % uint32_t(bytes.size()));
            switch (random() % 3) {
            case 0: bytes[at] = char(random()); break;
            case 1: bytes.remove(at, 1 + int(random() % 8)); break;
            default: bytes.truncate(at); break;
            }
        }
        WriteBytes(file, bytes);
        bool ok = true;
        try {
            Load(file);
        } catch (const Exception&) {
            ok = false;
            ++failed;
        }
        if (!ok) {
            ASSERT_EQ(PrintAll(), built) << "round " << round;
        } else {
            PrintAll();
        }
        // Put the intact layout back for the next round.
        WriteBytes(file, sources[0]);
        Load(file);
    }
    EXPECT_GT(failed, 0);
}

// ---- the component registry ----------------------------------------------------

// The classes of a palette page in palette order.
QStringList PalettePage(const QString& Category)
{
    const TrgRegComponentClassList& list = rgGetRegisteredComponents();
    std::vector<const TrgRegComponent*> entries;
    for (int i = 0; i < list.Count(); ++i)
        if (list.Entry(i).Category == Category)
            entries.push_back(&list.Entry(i));
    std::stable_sort(entries.begin(), entries.end(),
                     [](const TrgRegComponent* a, const TrgRegComponent* b) { return a->Position < b->Position; });
    QStringList names;
    for (const TrgRegComponent* entry : entries)
        names << entry->ComponentClass->ClassName + QLatin1Char('@') + QString::number(entry->Position) +
                     QLatin1Char('=') + rgLoadString(43000 + entry->CaptionId);
    return names;
}

TEST(ComponentRegistry, BuiltInClassesStandInTheirPalettePlaces)
{
    rgRegisterBuiltInComponentClasses();
    // Every class of the palette that the engine has, with its caption.
    EXPECT_EQ(PalettePage(QStringLiteral("Standard Components")),
              (QStringList{"TrgLabel@0=Label", "TrgMemo@1=Memo", "TrgRichText@2=RichText", "TrgCalc@3=Calc",
                           "TrgImage@4=Image", "TrgShape@5=Shape", "TrgLine@6=Line", "TrgBarCode@7=BarCode"}));
    EXPECT_EQ(PalettePage(QStringLiteral("Data Components")),
              (QStringList{"TrgDBText@0=DBText", "TrgDBMemo@1=DBMemo", "TrgDBRichText@2=DBRichText",
                           "TrgDBCalc@3=DBCalc", "TrgDBImage@4=DBImage", "TrgDBBarCode@5=DBBarCode"}));
    EXPECT_EQ(PalettePage(QStringLiteral("Advanced Components")), (QStringList{"TrgRegion@0=Region", "TrgSubReport@1=SubReport"}));
    // Registering the palette again changes nothing.
    const int count = rgGetRegisteredComponents().Count();
    rgRegisterBuiltInComponentClasses();
    EXPECT_EQ(rgGetRegisteredComponents().Count(), count);
}

TEST(ComponentRegistry, UnregisteredClassesNoLongerReadFromTemplates)
{
    rgRegisterBuiltInComponentClasses();
    const QByteArray text = "object L: TrgLine\r\n  mmHeight = 1000\r\nend\r\n";
    std::unique_ptr<TComponent> read(ComponentFromBytes(ObjectTextToBinary(text)));
    EXPECT_NE(dynamic_cast<TrgLine*>(read.get()), nullptr);
    rgUnRegisterComponentClass(ClassInfoFor<TrgLine>());
    EXPECT_LT(rgGetRegisteredComponents().IndexOf(QStringLiteral("TrgLine")), 0);
    EXPECT_THROW(ComponentFromBytes(ObjectTextToBinary(text)), EStreamError);
    rgRegisterBuiltInComponentClasses();
    EXPECT_TRUE(PalettePage(QStringLiteral("Standard Components")).contains(QStringLiteral("TrgLine@6=Line")));
}

// The core registers the concrete forms only through the installed hook: none
// before the engine's forms are installed, then each for its abstract class;
// a substitute registered afterwards replaces the engine's own.
TEST(ComponentRegistry, ConcreteFormsComeThroughTheInstalledRegistration)
{
    const std::pair<const char*, const char*> forms[] = {
        {"TrgCustomPreviewer", "TrgPrintPreview"},
        {"TrgCustomPrintDialog", "TrgPrintDialog"},
        {"TrgCustomCancelDialog", "TrgCancelDialog"},
        {"TrgCustomTemplateErrorDialog", "TrgTemplateErrorDialog"},
        {"TrgCustomTemplateDialog", "TrgTemplateDialog"},
        {"TrgCustomBarCodeDialog", "TrgBarCodeDialog"},
    };
    rgClearFormClasses();
    rgFormHooks().RegisterForms = nullptr;
    rgRegisterBuiltInComponentClasses();
    for (const auto& [abstract, concrete] : forms)
        EXPECT_EQ(rgGetFormClass(QString::fromLatin1(abstract)), nullptr) << abstract;

    rgInstallEngineForms();
    rgRegisterBuiltInComponentClasses();
    for (const auto& [abstract, concrete] : forms) {
        const TrgFormClass* formClass = rgGetFormClass(QString::fromLatin1(abstract));
        ASSERT_NE(formClass, nullptr) << abstract;
        EXPECT_EQ(formClass->ClassName, QString::fromLatin1(concrete)) << abstract;
    }

    rgRegisterFormClass(QStringLiteral("TrgCustomCancelDialog"), {QStringLiteral("TErsatzDialog"), nullptr});
    EXPECT_EQ(rgGetFormClass(QStringLiteral("TrgCustomCancelDialog"))->ClassName, QStringLiteral("TErsatzDialog"));
    rgRegisterEngineForms();
}

// ---- the template error dialog ---------------------------------------------------

TEST(TemplateErrorDialog, ShowsTheMessageAndItsButtonsInTheLanguage)
{
    rgInstallEngineForms();
    rgRegisterBuiltInComponentClasses();
    std::unique_ptr<TrgCustomTemplateErrorDialog> dialog(rgCreateForm<TrgCustomTemplateErrorDialog>(nullptr));
    ASSERT_NE(dialog, nullptr);
    auto* concrete = dynamic_cast<TrgTemplateErrorDialog*>(dialog.get());
    ASSERT_NE(concrete, nullptr);
    dialog->SetMessage(QStringLiteral("Eigenschaft fehlt\rIgnore the error and continue?"));
    EXPECT_EQ(concrete->lblMessage->Caption(), dialog->GetMessage());
    EXPECT_TRUE(concrete->lblMessage->WordWrap());
    struct Case {
        TrgLanguageType language;
        const char *caption, *ignore, *cancel, *ignoreAll;
    };
    const Case cases[] = {
        {lgEnglish, "Error Reading Template", "&Ignore", "Cancel", "Ignore &All"},
        {lgGerman, "Fehler beim Lesen der Vorlage", nullptr, nullptr, nullptr},
    };
    for (const Case& c : cases) {
        dialog->SetLanguageIndex(rgLanguageResourceBase(c.language));
        EXPECT_EQ(dialog->Caption(), QString::fromUtf8(c.caption));
        const int base = rgLanguageResourceBase(c.language);
        EXPECT_EQ(concrete->btnIgnore->Caption(), rgLoadString(base + 416));
        EXPECT_EQ(concrete->btnCancel->Caption(), rgLoadString(base + 5));
        EXPECT_EQ(concrete->btnIgnoreAll->Caption(), rgLoadString(base + 417));
        if (c.ignore) {
            EXPECT_EQ(concrete->btnIgnore->Caption(), QString::fromUtf8(c.ignore));
            EXPECT_EQ(concrete->btnCancel->Caption(), QString::fromUtf8(c.cancel));
            EXPECT_EQ(concrete->btnIgnoreAll->Caption(), QString::fromUtf8(c.ignoreAll));
        }
    }
    EXPECT_EQ(concrete->btnIgnore->ModalResult, mrIgnore);
    EXPECT_EQ(concrete->btnCancel->ModalResult, mrCancel);
    EXPECT_EQ(concrete->btnIgnoreAll->ModalResult, mrAll);
    const QString shots = QCoreApplication::applicationDirPath() + QStringLiteral("/screenshots");
    QDir().mkpath(shots);
    EXPECT_TRUE(dialog->Handle()->grab().save(shots + QStringLiteral("/rg_template_error_dialog.png")));
}

}  // namespace
