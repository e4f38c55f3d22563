// Loading and saving a settings file of 1,000 projects with 5 pattern rows each, through the
// settings store's file format and the projects' stored form, as the program does at start and
// on every save.

#include "projects/CopyProjectUnit.h"
#include "settings/uAppSettings.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

constexpr int ProjectCount = 1000;
constexpr int RowsPerProject = 5;

void FillProjects(TCopyProjectList &list)
{
    for (int i = 0; i < ProjectCount; ++i) {
        auto p = std::make_unique<TCopyProject>();
        p->SetProjectName(QStringLiteral("Project %1").arg(i));
        p->SetGroupName(QStringLiteral("Group %1").arg(i % 20));
        p->SetSourceFolder(QStringLiteral("/home/user/src/project%1").arg(i));
        for (int r = 0; r < RowsPerProject; ++r)
            p->AddSourceRow(QStringLiteral("**/*.ext%1").arg(r), r % 2 == 0, r % 3 == 0);
        p->SetExcludeFiles(QStringLiteral("*.tmp;*.bak;build/*"));
        p->SetOutputFolder(QStringLiteral("{OutDir}/{ProjectName}/{Date}"));
        p->SetOverwrite(ofOlder);
        p->SetChecked(i % 2 == 0);
        p->SetVisible(i % 5 != 0);
        list.AddProject(std::move(p));
    }
}

// The save path: a fresh store filled with every project, written to the file.
void SaveSettings(const TCopyProjectList &list, const QString &file)
{
    TAppSettings settings;
    settings.Strings().SetValue(QStringLiteral("OutDir"), QStringLiteral("/tmp/out"));
    list.SaveToList(settings.Strings(), QStringLiteral("CopyProjects"));
    settings.SaveToFile(file);
}

// The load path: the file read into a store and the projects read from its lines.
int LoadSettings(const QString &file)
{
    TAppSettings settings;
    settings.LoadFromFile(file);
    TCopyProjectList list;
    list.LoadFromList(settings.Strings(), QStringLiteral("CopyProjects"), false);
    return list.Count();
}

void BM_SaveSettings(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("rv.ini"));
    TCopyProjectList list;
    FillProjects(list);
    for (auto _ : state)
        SaveSettings(list, file);
    state.counters["file_bytes"] = double(QFileInfo(file).size());
}
BENCHMARK(BM_SaveSettings)->Unit(benchmark::kMillisecond);

void BM_LoadSettings(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("rv.ini"));
    {
        TCopyProjectList list;
        FillProjects(list);
        SaveSettings(list, file);
    }
    for (auto _ : state) {
        const int loaded = LoadSettings(file);
        if (loaded != ProjectCount)
            state.SkipWithError("the file did not load every project");
        benchmark::DoNotOptimize(loaded);
    }
    state.counters["file_bytes"] = double(QFileInfo(file).size());
}
BENCHMARK(BM_LoadSettings)->Unit(benchmark::kMillisecond);

// The same file with every stored count (the project count and each project's row count) set
// to 2147483647: loading must cost about what the honest file costs.
void BM_LoadSettingsHugeCounts(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("rv.ini"));
    {
        TCopyProjectList list;
        FillProjects(list);
        TAppSettings settings;
        list.SaveToList(settings.Strings(), QStringLiteral("CopyProjects"));
        TStringList &lines = settings.Strings();
        for (int i = 0; i < lines.Count(); ++i) {
            const QString name = lines.Names(i);
            if (name.endsWith(QLatin1Char('N')))
                lines.SetStrings(i, name + QStringLiteral("=2147483647"));
        }
        settings.SaveToFile(file);
    }
    for (auto _ : state) {
        const int loaded = LoadSettings(file);
        if (loaded != ProjectCount)
            state.SkipWithError("the file did not load every project");
        benchmark::DoNotOptimize(loaded);
    }
}
BENCHMARK(BM_LoadSettingsHugeCounts)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
