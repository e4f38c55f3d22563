// Cost of name lookups in the settings list, and of writing settings into a fresh list (the save
// path: each write is a name lookup, then an append or an in-place replacement).
#include "settings/VHashedStringList.h"

#include <QString>
#include <QStringList>

#include <benchmark/benchmark.h>

namespace {

// Keys shaped like the stored projects' keys.
QString KeyOf(int i)
{
    return QStringLiteral("CopyProjects[%1].SourceFiles[%2]").arg(i / 10 + 1).arg(i % 10 + 1);
}

void BM_NameLookup(benchmark::State &state)
{
    const int lines = int(state.range(0));
    TVHashedStringList list(256);
    list.BeginUpdate();
    for (int i = 0; i < lines; ++i)
        list.Add(KeyOf(i) + QStringLiteral("=*.html"));
    list.EndUpdate();
    QStringList probes;
    for (int i = 0; i < 1024; ++i)
        probes.append(KeyOf(int((i * 7919LL) % lines)).toLower()); // letter case ignored
    (void)list.IndexOfName(probes[0]);                             // builds the index once
    size_t next = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(list.IndexOfName(probes[qsizetype(next)]));
        next = (next + 1) & 1023;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_NameLookup)->Arg(1000)->Arg(100000);

void BM_WriteIntoFreshList(benchmark::State &state)
{
    const int lines = int(state.range(0));
    QStringList keys;
    for (int i = 0; i < lines; ++i)
        keys.append(KeyOf(i));
    for (auto _ : state) {
        TVHashedStringList list(256);
        TStringList &general = list;
        for (const QString &key : keys)
            general.SetValue(key, QStringLiteral("value"));
        benchmark::DoNotOptimize(list.Count());
    }
    state.SetItemsProcessed(state.iterations() * lines);
}
BENCHMARK(BM_WriteIntoFreshList)->Arg(1000)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
