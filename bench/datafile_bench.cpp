// Reading and writing a whole 256 KiB User ROM as Intel HEX and S-records.
#include "datafile/data_file_reader.hpp"
#include "plx71/datafile/data_file_writer.hpp"
#include "plx71/testing/default_device.hpp"
#include "plx71/testing/recording_ui.hpp"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>
#include <string>

namespace {

using namespace plx71;

const std::vector<std::uint8_t>& randomArea()
{
    static const std::vector<std::uint8_t> data = [] {
        std::mt19937 gen(71);
        std::vector<std::uint8_t> v(0x40000);
        for (auto& b : v)
            b = static_cast<std::uint8_t>(gen());
        v.back() = 0xFF; // no protect question
        return v;
    }();
    return data;
}

SaveRequest wholeArea()
{
    SaveRequest r;
    r.data = randomArea();
    r.areaStart = 0xC0000;
    r.areaEnd = 0xFFFFF;
    return r;
}

std::filesystem::path benchFile(const char* name)
{
    return std::filesystem::temp_directory_path()
        / ("plx71-bench-" + std::to_string(std::random_device{}()) + "-" + name);
}

void formatOnly(benchmark::State& state, DataFormat format)
{
    const SaveRequest req = wholeArea();
    for (auto _ : state) {
        std::string text = format == DataFormat::IntelHex ? formatIntelHex(req) : formatSRecords(req);
        benchmark::DoNotOptimize(text.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * 0x40000);
}

void parseOnly(benchmark::State& state, DataFormat format)
{
    const SaveRequest req = wholeArea();
    const std::string text = format == DataFormat::IntelHex ? formatIntelHex(req) : formatSRecords(req);
    const DeviceRecord device = test::defaultDevice();
    std::vector<std::uint8_t> image = blankImage(Area::UserRom);
    for (auto _ : state) {
        if (readDataText(device, Area::UserRom, image, text, format))
            state.SkipWithError("read failed");
        benchmark::DoNotOptimize(image.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * 0x40000);
}

void saveFile(benchmark::State& state, const char* name)
{
    const SaveRequest req = wholeArea();
    const auto path = benchFile(name);
    RecordingUi ui;
    for (auto _ : state) {
        if (!saveDataFile(ui, path, req))
            state.SkipWithError("save failed");
    }
    std::filesystem::remove(path);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * 0x40000);
}

void readFile(benchmark::State& state, const char* name)
{
    const auto path = benchFile(name);
    RecordingUi ui;
    if (!saveDataFile(ui, path, wholeArea())) {
        state.SkipWithError("cannot write the input file");
        return;
    }
    const DeviceRecord device = test::defaultDevice();
    std::vector<std::uint8_t> image = blankImage(Area::UserRom);
    for (auto _ : state) {
        if (readDataFile(device, Area::UserRom, image, path))
            state.SkipWithError("read failed");
        benchmark::DoNotOptimize(image.data());
    }
    std::filesystem::remove(path);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * 0x40000);
}

void BM_FormatIntelHex(benchmark::State& s)
{
    formatOnly(s, DataFormat::IntelHex);
}
void BM_FormatSRecords(benchmark::State& s)
{
    formatOnly(s, DataFormat::SRecord);
}
void BM_ParseIntelHex(benchmark::State& s)
{
    parseOnly(s, DataFormat::IntelHex);
}
void BM_ParseSRecords(benchmark::State& s)
{
    parseOnly(s, DataFormat::SRecord);
}
void BM_SaveIntelHexFile(benchmark::State& s)
{
    saveFile(s, "save.hex");
}
void BM_SaveSRecordFile(benchmark::State& s)
{
    saveFile(s, "save.mot");
}
void BM_ReadIntelHexFile(benchmark::State& s)
{
    readFile(s, "read.hex");
}
void BM_ReadSRecordFile(benchmark::State& s)
{
    readFile(s, "read.mot");
}

BENCHMARK(BM_FormatIntelHex)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FormatSRecords)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseIntelHex)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseSRecords)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveIntelHexFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveSRecordFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadIntelHexFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadSRecordFile)->Unit(benchmark::kMillisecond);

} // namespace
