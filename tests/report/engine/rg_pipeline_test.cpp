// The pipeline base with its own field definitions: the field list, field
// positions, data types a pipeline refuses, and the answers for names it
// does not hold.

#include "report/engine/rg_pipeline.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

// A pipeline of defined fields without records (every data read answers
// the empty range), refusing graphics.
class DefinedFieldsPipeline : public TrgCustomDataPipeline {
public:
    DefinedFieldsPipeline() : TrgCustomDataPipeline(nullptr) {}
    bool IsDataSetBOF() override { return true; }
    bool IsDataSetEOF() override { return true; }
    void CloseDataSet() override {}
    bool IsActive() override { return false; }
    void GotoFirstRecord() override {}
    void GotoLastRecord() override {}
    void OpenDataSet() override {}
    void MoveRecords(int) override {}
    void FreeBookmark(TrgBookmark) override {}
    TrgBookmark GetBookmark() override { return 0; }
    QString GetDataSetName() override { return {}; }
    double GetFieldAsDouble(const QString&) override { return 0; }
    TBlobField* GetFieldAsObject(const QString&) override { return nullptr; }
    QString GetFieldAsString(const QString&) override { return {}; }
    bool GetFieldIsCalculated(const QString&) override { return false; }
    QVariant GetFieldValue(const QString&) override { return QString(); }
    bool IsDataTypeSupported(TrgDataType type) override { return type != dtGraphic; }
};

class DefinedFields : public ::testing::Test {
protected:
    TrgField* Add(const char* name, TrgDataType type = dtString, int length = 10)
    {
        auto* field = new TrgField(nullptr);
        field->FieldName = QString::fromLatin1(name);
        pipeline.AddField(field);
        field->SetDataType(type);
        field->FieldLength = length;
        return field;
    }
    QString Order() const
    {
        QStringList names;
        for (int i = 0; i < pipeline.GetFieldCount(); ++i)
            names << pipeline.GetField(i)->FieldName;
        return names.join(u' ');
    }

    DefinedFieldsPipeline pipeline;
};

TEST_F(DefinedFields, AnswerFromTheirDefinitions)
{
    TrgField* price = Add("Preis", dtDouble, 8);
    price->Alignment = taRightJustify;
    price->DisplayWidth = 12;
    Add("Name");

    TStringList names;
    EXPECT_TRUE(pipeline.GetFieldNames(&names));
    EXPECT_EQ(names.Count(), 2);
    EXPECT_EQ(pipeline.IndexOfFieldName(QStringLiteral("NAME")), 1);

    struct Case {
        const char* name;
        TrgDataType type;
        int size, width;
        TAlignment alignment;
    };
    for (const Case& c : {Case{"Preis", dtDouble, 8, 12, taRightJustify},
                          Case{"Name", dtString, 10, 10, taLeftJustify},
                          Case{"preis", dtNotKnown, 0, 0, taLeftJustify},  // names compare exactly
                          Case{"Fehlt", dtNotKnown, 0, 0, taLeftJustify}}) {
        const QString name = QString::fromLatin1(c.name);
        EXPECT_EQ(pipeline.GetFieldDataType(name), c.type) << c.name;
        EXPECT_EQ(pipeline.GetFieldSize(name), c.size) << c.name;
        EXPECT_EQ(pipeline.GetFieldDisplayWidth(name), c.width) << c.name;
        EXPECT_EQ(pipeline.GetFieldAlignment(name), c.alignment) << c.name;
    }
    EXPECT_TRUE(pipeline.FindField(QStringLiteral("Name")));
    EXPECT_EQ(pipeline.CurrentField(), pipeline.GetField(1));
}

TEST_F(DefinedFields, PositionsMoveFieldsInTheList)
{
    TrgField* a = Add("A");
    Add("B");
    TrgField* c = Add("C");
    struct Case {
        TrgField* field;
        int target;
        const char* order;
    };
    for (const Case& step : {Case{c, 0, "C A B"}, Case{c, 99, "A B C"}, Case{a, -5, "A B C"},
                             Case{a, 1, "B A C"}}) {
        step.field->SetPosition(step.target);
        EXPECT_EQ(Order(), step.order) << "target " << step.target;
    }
    EXPECT_EQ(a->Position(), 1);

    // While loading, the number is only kept.
    a->SetLoading(true);
    a->SetPosition(2);
    a->SetLoading(false);
    EXPECT_EQ(a->StreamedPosition(), 2);
    EXPECT_EQ(Order(), "B A C");

    TrgField loose(nullptr);
    EXPECT_EQ(loose.Position(), -1);
}

TEST_F(DefinedFields, ARefusedDataTypeRaisesAndKeepsTheOldOne)
{
    TrgField* picture = Add("Bild", dtBLOB);
    try {
        picture->SetDataType(dtGraphic);
        FAIL() << "no error";
    } catch (const EInvalidPropertyError& e) {
        EXPECT_EQ(e.Message, "DataType not supported by DefinedFieldsPipeline");
    }
    EXPECT_EQ(picture->DataType(), dtBLOB);
    TrgField loose(nullptr);
    loose.SetDataType(dtGraphic);  // no pipeline to refuse it
    EXPECT_EQ(loose.DataType(), dtGraphic);
}

TEST_F(DefinedFields, FieldsMoveBetweenPipelinesAndLeaveWhenDestroyed)
{
    TrgField* a = Add("A");
    Add("B");
    DefinedFieldsPipeline other;
    a->SetDataPipeline(&other);
    EXPECT_EQ(Order(), "B");
    EXPECT_EQ(other.GetFieldCount(), 1);
    EXPECT_EQ(a->DataPipeline(), &other);
    pipeline.FindField(QStringLiteral("B"));
    delete pipeline.GetField(0);
    EXPECT_EQ(pipeline.GetFieldCount(), 0);
    EXPECT_EQ(pipeline.CurrentField(), nullptr);
    TStringList names;
    EXPECT_FALSE(pipeline.GetFieldNames(&names));
}

TEST(PipelineRanges, CountOfZeroEndsRightAfterFirstAndEmptyHasNoRecords)
{
    DefinedFieldsPipeline empty;
    empty.Open();
    empty.First();
    EXPECT_EQ(empty.PipelineState(), tsNoRecords | tsBOF);
    EXPECT_TRUE(empty.IsEOF());
    EXPECT_TRUE(empty.IsBOF());
}

}  // namespace
