// Reading and writing a full application settings file, against rewriting the file once per
// key as a write-in-place profile API would (1,443 rewrites for the slider definitions).
#include <benchmark/benchmark.h>

#include <QFile>
#include <QTemporaryDir>

#include "files/app_settings.h"
#include "files/slider_settings_file.h"

namespace quorvane {
namespace {

struct Fixture {
  QTemporaryDir dir;
  QString path = dir.filePath("Brellin.ini");
  TPageSet defs;
  AppSettings settings;

  Fixture() {
    defs.Initialize();
    for (auto& c : defs) c.caption += QStringLiteral(" Filter Cutoff");
    settings.favorite_files.fill(QStringLiteral("/home/user/patches/some file.qrt"));
    settings.patch_dir = settings.slider_settings_dir = QStringLiteral("/home/user/patches/");
    if (!SaveAppSettings(path, settings, defs, QStringLiteral("F0 41 10 F7")))
      throw std::runtime_error("cannot write the benchmark file");
  }
};

bool PlainWrite(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

void BM_LoadAppSettings(benchmark::State& state) {
  Fixture fx;
  for (auto _ : state) {
    TPageSet defs;
    QString dump;
    benchmark::DoNotOptimize(LoadAppSettings(fx.path, QSize(1920, 1080), defs, dump));
  }
}
BENCHMARK(BM_LoadAppSettings)->Unit(benchmark::kMillisecond);

// The exit write as shipped: one atomic save with fsync of the file and the folder.
void BM_SaveAppSettingsAtomic(benchmark::State& state) {
  Fixture fx;
  for (auto _ : state) benchmark::DoNotOptimize(SaveAppSettings(fx.path, fx.settings, fx.defs, {}));
}
BENCHMARK(BM_SaveAppSettingsAtomic)->Unit(benchmark::kMillisecond);

// The same without the fsyncs, to compare like with like against the per-key rewrite below.
void BM_SaveAppSettingsOnce(benchmark::State& state) {
  Fixture fx;
  for (auto _ : state)
    benchmark::DoNotOptimize(SaveAppSettings(fx.path, fx.settings, fx.defs, {}, PlainWrite));
}
BENCHMARK(BM_SaveAppSettingsOnce)->Unit(benchmark::kMillisecond);

// Each of the 1,443 slider keys read-modify-written to the file on its own.
void BM_SaveSliderKeysOncePerKey(benchmark::State& state) {
  Fixture fx;
  SettingsTextFile layout;
  WriteSliderSettings(layout, fx.defs, {});
  struct Key {
    QString section, key, value;
  };
  std::vector<Key> keys;
  QString section;
  for (const QByteArray& line : layout.ToBytes().split('\n')) {
    if (line.startsWith('[')) {
      section = QString::fromUtf8(line.mid(1, line.size() - 2));
    } else if (const qsizetype eq = line.indexOf('='); eq > 0) {
      keys.push_back(
          {section, QString::fromUtf8(line.left(eq)), QString::fromUtf8(line.mid(eq + 1))});
    }
  }
  if (keys.size() != 1443) state.SkipWithError("expected 1,443 keys");
  for (auto _ : state) {
    for (const Key& k : keys) {
      SettingsTextFile f(fx.path);
      f.Load();
      f.SetWriter(PlainWrite);
      f.WriteString(k.section, k.key, k.value);
      benchmark::DoNotOptimize(f.Save());
    }
  }
}
BENCHMARK(BM_SaveSliderKeysOncePerKey)->Unit(benchmark::kMillisecond);

// Worst case for the reader: a file at the size cap made only of short distinct keys.
void BM_LoadLargestAllowedFile(benchmark::State& state) {
  QTemporaryDir dir;
  const QString path = dir.filePath("big.ini");
  QByteArray bytes = "[S]\n";
  for (int i = 0; bytes.size() < SettingsTextFile::kMaxFileSize - 32; ++i)
    bytes += "k" + QByteArray::number(i) + "=1\n";
  PlainWrite(path, bytes);
  for (auto _ : state) {
    SettingsTextFile f(path);
    benchmark::DoNotOptimize(f.Load());
    benchmark::DoNotOptimize(f.ReadInteger("S", "k100", 0));
  }
}
BENCHMARK(BM_LoadLargestAllowedFile)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quorvane

BENCHMARK_MAIN();
