// Opening the settings dialog over a file with 200 groups: building, loading and showing it.
#include "config/ConfigPath.h"
#include "ui/common/Prompt.h"
#include "ui/settings/SettingsDialog.h"

#include <QApplication>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

std::string MakeConfig(int groups) {
    std::string tmpl = (std::filesystem::temp_directory_path() / "hostaq-bench-XXXXXX").string();
    const std::string folder = ::mkdtemp(tmpl.data());
    const std::string path = folder + "/hostaq.ini";
    std::ofstream out(path, std::ios::binary);
    out << "[Options]\nSendMail=0\n[Connection]\nDirectConnect=0\n";
    for (int i = 1; i <= groups; ++i)
        out << "[Group " << i << "]\nType=0\nUserID=user" << i << "\nPassword=00\nNumOfHosts=2\nHost1=a" << i
            << ".example\nHost2=b" << i
            << ".example\nEnable=1\nLastUpdate=20080101101500\nUpdateResult=1\n\n";
    return path;
}

void BM_OpenSettingsWith200Groups(benchmark::State& state) {
    const std::string path = MakeConfig(200);
    hostaq::SetConfigPath(path);
    for (auto _ : state) {
        hostaq::THostaqFormSetting dialog;
        dialog.show();
        QCoreApplication::processEvents();
        benchmark::DoNotOptimize(dialog.isVisible());
        state.PauseTiming();
        dialog.hide();
        state.ResumeTiming();
    }
    hostaq::SetConfigPath("");
    std::filesystem::remove_all(std::filesystem::path(path).parent_path());
}
BENCHMARK(BM_OpenSettingsWith200Groups)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    hostaq::TPrompt::SetTestMode(true);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
