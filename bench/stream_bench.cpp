// Stream round trip of a report of 500 components: the report, 10 bands and
// 489 text components, each with a font, a caption, a few numbers, an
// enumeration, a set and a defined property, as a report layout holds them.

#include "platform/stream/class_registry.h"
#include "platform/stream/component_reader.h"
#include "platform/stream/component_writer.h"
#include "platform/stream/graphics_streaming.h"
#include "platform/stream/stream_text.h"
#include "platform/ui/graphics.h"

#include <benchmark/benchmark.h>

#include "bench_main.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace {

enum TAlign { alLeft, alRight, alCenter };

class TBenchPart : public TComponent {
public:
    explicit TBenchPart(TComponent* owner) : TComponent(owner) {}
    ~TBenchPart() override
    {
        BeginDestroy();
        SetContainer(nullptr);
        for (TBenchPart* p : Parts)
            p->Container = nullptr;
    }
    void SetContainer(TBenchPart* c)
    {
        if (Container)
            std::erase(Container->Parts, this);
        Container = c;
        if (c)
            c->Parts.push_back(this);
    }
    QString Caption;
    TAlign Alignment = alLeft;
    bool WordWrap = false;
    bool Transparent = false;
    int mmLeft = 0, mmTop = 0, mmWidth = 0, mmHeight = 0;
    TFont Font;
    TStringList Lines;
    TBenchPart* Container = nullptr;
    std::vector<TBenchPart*> Parts;
};

void Describe()
{
    DescribeGraphicsClasses();
    const TEnumInfo* aligns = RegisterEnum("TAlign", {"alLeft", "alRight", "alCenter"});
    DescribeClass<TBenchPart, TComponent>("TBenchPart")
        .String("Caption", &TBenchPart::Caption).Default(QString())
        .Enum("Alignment", aligns, &TBenchPart::Alignment).Default(alLeft)
        .Boolean("WordWrap", &TBenchPart::WordWrap).Default(false)
        .Boolean("Transparent", &TBenchPart::Transparent).Default(false)
        .Object("Font", [](TBenchPart& p) { return &p.Font; })
        .Strings("Lines", [](TBenchPart& p) { return &p.Lines; })
        .DefineProperties([](TBenchPart& p, TFiler& f) {
            for (auto [name, field] : {std::pair{"mmHeight", &TBenchPart::mmHeight}, {"mmLeft", &TBenchPart::mmLeft},
                                       {"mmTop", &TBenchPart::mmTop}, {"mmWidth", &TBenchPart::mmWidth}})
                f.DefineProperty(name, [&p, field](TReader& r) { p.*field = r.ReadInteger(); },
                                 [&p, field](TWriter& w) { w.WriteInteger(p.*field); }, true);
        })
        .Children([](TBenchPart& p, const TGetChildProc& proc, TComponent*) {
            for (TBenchPart* child : std::vector<TBenchPart*>(p.Parts))
                proc(child);
        })
        .ParentSetter([](TBenchPart& p, TComponent* parent) { p.SetContainer(dynamic_cast<TBenchPart*>(parent)); });
    RegisterClass(ClassInfoFor<TBenchPart>());
}

struct Report {
    TComponent form{nullptr};
    TBenchPart* root = nullptr;
    Report()
    {
        Describe();
        root = new TBenchPart(&form);
        root->Name = "Report";
        for (int b = 0; b < 10; ++b) {
            auto* band = new TBenchPart(&form);
            band->Name = QStringLiteral("Band%1").arg(b);
            band->SetContainer(root);
            band->mmHeight = 12700;
            for (int c = 0; c < (b == 9 ? 48 : 49); ++c) {  // 500 components in all
                auto* part = new TBenchPart(&form);
                part->Name = QStringLiteral("Label%1_%2").arg(b).arg(c);
                part->SetContainer(band);
                part->Caption = QStringLiteral("Feld %1 der Gruppe %2").arg(c).arg(b);
                part->Alignment = TAlign(c % 3);
                part->WordWrap = c % 2 == 0;
                part->Font.SetName("Arial");
                part->Font.SetStyle(c % 4 == 0 ? TFontStyles{fsBold} : TFontStyles{});
                part->mmLeft = 1000 * c;
                part->mmTop = 500;
                part->mmWidth = 25400;
                part->mmHeight = 4233;
                if (c % 10 == 0) {
                    part->Lines.Add("erste Zeile");
                    part->Lines.Add("zweite Zeile");
                }
            }
        }
    }
};

Report& TheReport()
{
    static Report report;
    return report;
}

void BM_WriteBinary(benchmark::State& state)
{
    Report& r = TheReport();
    for (auto _ : state)
        benchmark::DoNotOptimize(ComponentToBytes(r.root, &r.form));
    state.counters["bytes"] = double(ComponentToBytes(r.root, &r.form).size());
}
BENCHMARK(BM_WriteBinary)->Unit(benchmark::kMillisecond);

void BM_ReadBinary(benchmark::State& state)
{
    Report& r = TheReport();
    const QByteArray bytes = ComponentToBytes(r.root, &r.form) + QByteArray(1, '\0');
    for (auto _ : state) {
        TComponent target(nullptr);
        TReader reader(bytes);
        reader.ReadComponents(&target, nullptr, nullptr);
        benchmark::DoNotOptimize(target.ComponentCount());
    }
}
BENCHMARK(BM_ReadBinary)->Unit(benchmark::kMillisecond);

void BM_RoundTripBinary(benchmark::State& state)
{
    Report& r = TheReport();
    for (auto _ : state) {
        TComponent target(nullptr);
        TReader reader(ComponentToBytes(r.root, &r.form) + QByteArray(1, '\0'));
        reader.ReadComponents(&target, nullptr, nullptr);
        benchmark::DoNotOptimize(target.ComponentCount());
    }
}
BENCHMARK(BM_RoundTripBinary)->Unit(benchmark::kMillisecond);

void BM_RoundTripText(benchmark::State& state)
{
    Report& r = TheReport();
    for (auto _ : state) {
        const QByteArray text = ObjectBinaryToText(ComponentToBytes(r.root, &r.form));
        TComponent target(nullptr);
        TReader reader(ObjectTextToBinary(text) + QByteArray(1, '\0'));
        reader.ReadComponents(&target, nullptr, nullptr);
        benchmark::DoNotOptimize(target.ComponentCount());
    }
    state.counters["text_bytes"] = double(ObjectBinaryToText(ComponentToBytes(r.root, &r.form)).size());
}
BENCHMARK(BM_RoundTripText)->Unit(benchmark::kMillisecond);

void BM_BinaryToText(benchmark::State& state)
{
    Report& r = TheReport();
    const QByteArray bytes = ComponentToBytes(r.root, &r.form);
    for (auto _ : state)
        benchmark::DoNotOptimize(ObjectBinaryToText(bytes));
}
BENCHMARK(BM_BinaryToText)->Unit(benchmark::kMillisecond);

void BM_TextToBinary(benchmark::State& state)
{
    Report& r = TheReport();
    const QByteArray text = ObjectBinaryToText(ComponentToBytes(r.root, &r.form));
    for (auto _ : state)
        benchmark::DoNotOptimize(ObjectTextToBinary(text));
}
BENCHMARK(BM_TextToBinary)->Unit(benchmark::kMillisecond);

}  // namespace

LUMADEX_BENCH_MAIN()
