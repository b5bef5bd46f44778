// The report engine's include graph, read from its sources: the core (the
// report, its producer, the component registry and everything they include,
// directly or not) never reaches design-time code or a concrete form. Those
// are installed at start-up, and the core calls them only through its hooks
// and the form registry, so no include circle ties the two together.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>

#include <map>
#include <set>

namespace {

// Each module ("report/engine/rg_bands": a header with its source file) with
// the report modules its two files include.
std::map<QString, std::set<QString>> ReportIncludeGraph(const QString& SourceDir)
{
    std::map<QString, std::set<QString>> graph;
    const QRegularExpression include(QStringLiteral(R"re(^\s*#\s*include\s+"(report/[^"]+)\.(?:h|cpp)")re"));
    for (const char* folder : {"report/engine", "report/output"}) {
        const QDir dir(SourceDir + QStringLiteral("/src/") + QString::fromLatin1(folder));
        for (const QFileInfo& file : dir.entryInfoList({"*.h", "*.cpp"}, QDir::Files)) {
            const QString module = QString::fromLatin1(folder) + u'/' + file.completeBaseName();
            QFile source(file.filePath());
            EXPECT_TRUE(source.open(QIODevice::ReadOnly)) << file.filePath().toStdString();
            std::set<QString>& edges = graph[module];
            for (const QByteArray& line : source.readAll().split('\n')) {
                const QRegularExpressionMatch match = include.match(QString::fromUtf8(line));
                if (match.hasMatch() && match.captured(1) != module)
                    edges.insert(match.captured(1));
            }
        }
    }
    return graph;
}

std::set<QString> Reachable(const std::map<QString, std::set<QString>>& Graph, const QStringList& Roots)
{
    std::set<QString> seen;
    QStringList todo = Roots;
    while (!todo.isEmpty()) {
        const QString module = todo.takeLast();
        if (!seen.insert(module).second)
            continue;
        if (auto it = Graph.find(module); it != Graph.end())
            for (const QString& next : it->second)
                todo << next;
    }
    return seen;
}

TEST(IncludeGraph, TheCoreNeverReachesDesignTimeCodeOrAConcreteForm)
{
    const auto graph = ReportIncludeGraph(QStringLiteral(LUMADEX_SOURCE_DIR));
    ASSERT_GT(graph.size(), 40u) << "the sources were not found under " << LUMADEX_SOURCE_DIR;
    const std::set<QString> core = Reachable(graph, {"report/engine/rg_report", "report/engine/rg_producer",
                                                     "report/engine/rg_template", "report/engine/rg_subreport",
                                                     "report/engine/rg_barcode_components",
                                                     "report/engine/rg_component_registry"});
    // The start-up module that names the concrete forms, the design-time
    // modules and the engine's concrete forms.
    const QStringList outside{"report/engine/rg_engine_forms",      "report/engine/rg_design_bands",
                              "report/engine/rg_design_components", "report/engine/rg_design_menus",
                              "report/engine/rg_template_dialogs",  "report/engine/rg_barcode_dialog",
                              "report/output/rg_preview_form",      "report/output/rg_print_dialog",
                              "report/output/rg_cancel_dialog"};
    for (const QString& module : outside) {
        EXPECT_TRUE(graph.count(module)) << module.toStdString();
        EXPECT_FALSE(core.count(module)) << "the core reaches " << module.toStdString();
    }
    // The hooks the designer installs are the core's own.
    EXPECT_TRUE(core.count("report/engine/rg_design_hooks"));
    EXPECT_TRUE(core.count("report/engine/rg_form_hooks"));
}

// The modules that include each other in a circle with the report: only the
// report model itself (the report, its engine, bands, groups, the component
// base classes and the template the report loads), which reach one another
// at run time. The printable components beyond those (data texts, running
// totals, calculated texts, memos, regions) stand on the core; it names
// none of them, and their classes are registered at start-up.
TEST(IncludeGraph, OnlyTheReportModelIncludesItselfInACircle)
{
    const auto graph = ReportIncludeGraph(QStringLiteral(LUMADEX_SOURCE_DIR));
    ASSERT_GT(graph.size(), 40u) << "the sources were not found under " << LUMADEX_SOURCE_DIR;
    const QString report = QStringLiteral("report/engine/rg_report");
    std::set<QString> circle;
    for (const QString& module : Reachable(graph, {report}))
        if (Reachable(graph, {module}).count(report))
            circle.insert(module);
    const std::set<QString> model{"report/engine/rg_bands",     "report/engine/rg_component",
                                  "report/engine/rg_engine",    "report/engine/rg_groups",
                                  "report/engine/rg_report",    "report/engine/rg_stretchable",
                                  "report/engine/rg_template",  "report/engine/rg_text_components"};
    for (const QString& module : circle)
        EXPECT_TRUE(model.count(module)) << module.toStdString() << " includes the report in a circle";
}

}  // namespace
