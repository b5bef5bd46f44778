// The table of the locate tests: six people with names, towns, amounts
// and memos, a tag on the name; over the base fixture of the tests that
// include it.
#pragma once

#include "table_fixture.h"

#include "datagrid/dk_data_source.h"
#include "datagrid/dk_locate.h"
#include "datagrid/dk_table.h"
#include "platform/core/win1252.h"

#include <iterator>
#include <memory>
#include <string>

namespace lxtest_locate {

struct Person {
    const char* name;
    const char* city;
    double amount;
    const char* memo;
};

const Person kPeople[] = {
    {"Müller", "Berlin", 12.5, "erste Notiz"},
    {"meier", "Hamburg", 7, "Zweite Notiz über Müller"},
    {"Meier", "", 100.25, ""},
    {"Schmidt", "Köln", 0, "nichts"},
    {"Müllerin", "Bremen", 3.75, "über Meier"},
    {"ACKER", "Ulm", 1, ""},
};

template <class Base>
class LocateFixture : public Base {
protected:
    void SetUp() override
    {
        Base::SetUp();
        this->MakeTable("LOC.DBF", {{"Name", 'C', 20, 0}, {"Stadt", 'C', 40, 0}, {"Betrag", 'N', 10, 2},
                              {"Notiz", 'M', 10, 0}},
                  int(std::size(kPeople)), [](int i) {
                      const Person& p = kPeople[i - 1];
                      Base::Text("Name", Win1252(p.name));
                      Base::Text("Stadt", Win1252(p.city));
                      double d = p.amount;
                      dbe_Replace("Betrag", DBE_REPL_DOUBLE, &d);
                      dbe_Replace("Notiz", DBE_REPL_MEMO, Win1252(p.memo).c_str());
                  });
        ASSERT_TRUE(this->MakeTags("LOC.DBF", {{"Name", "Name"}}));
        table = std::make_unique<TdkTable>();
        table->SetTableType(ttDXFOX);
        this->Open(*table, "LOC.DBF");
        source = std::make_unique<TdkDataSource>();
        source->SetDataSet(table.get());
    }
    static std::string Win1252(const char* utf8)
    {
        return Win1252EncodeOrThrow(QString::fromUtf8(utf8)).toStdString();
    }
    QString Name() const { return table->FieldByName("Name")->AsString(); }
    void TearDown() override
    {
        source.reset();
        table.reset();
        Base::TearDown();
    }
    bool Locate(bool fromFirst, const char* field, const QString& value, TdkLocateMatchType type, bool cs = false)
    {
        return dkLocateRecord(fromFirst, table.get(), field, value, type, cs);
    }

    std::unique_ptr<TdkTable> table;
    std::unique_ptr<TdkDataSource> source;
};

}  // namespace lxtest_locate
