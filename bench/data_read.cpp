// data_read.cpp -- throughput of script line reading (memory, gzip, bzip2) and of reading one archive entry.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "data/archive.h"
#include "data/archive_writer.h"
#include "data/gzip_stream.h"
#include "data/bzip2_stream.h"
#include "data/memory_stream.h"
#include "data/script_file.h"
#include "data/script_parser.h"

namespace {

using namespace qv3rn;

// A scene-script-like text: nested blocks, indented keyword lines with numbers, comments and blank lines.
std::string generatedScript(std::size_t size) {
    std::string text;
    unsigned seed = 12345;
    while (text.size() < size) {
        seed = seed * 1103515245u + 12345u;
        text += "Node {\n\tName \"node" + std::to_string(seed % 10000) + "\"\n";
        text += "\tPosition " + std::to_string(seed % 100) + ".25 -3.5 " + std::to_string(seed % 7) + ".0 ; metres\n";
        text += "\tRotation {\n\t\tKey 0.0 0.0\n\t\tKey 1.5 3.14159\n\t}\n\n\tMass 2.5\n\tMassVariance 0.5\n}\n";
    }
    return text;
}

std::size_t readAllLines(std::istream& in) {
    ScriptParser parser;
    std::size_t characters = 0;
    while (in.good()) characters += parser.readLine(in).size();
    return characters;
}

void ReadLinesFromMemory(benchmark::State& state) {
    const std::string script = generatedScript(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        MemoryStream in(script.data(), script.size());
        benchmark::DoNotOptimize(readAllLines(in));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * script.size()));
}
BENCHMARK(ReadLinesFromMemory)->Arg(4 << 20)->Unit(benchmark::kMillisecond);

void ReadLinesFromCompressedFile(benchmark::State& state) {
    const std::string script = generatedScript(1 << 20);
    const std::string path = (std::filesystem::temp_directory_path() /
                              (state.range(0) ? "qv3rn_bench_script.bscene" : "qv3rn_bench_script.gscene"))
                                 .string();
    if (state.range(0)) {
        Bzip2Stream out(path, std::ios::out | std::ios::binary);
        out << script;
    } else {
        GzipStream out(path, std::ios::out | std::ios::binary);
        out << script;
    }
    for (auto _ : state) {
        auto in = openScriptFile(path);
        benchmark::DoNotOptimize(readAllLines(*in));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * script.size()));
    state.SetLabel(state.range(0) ? "bzip2" : "gzip");
    std::filesystem::remove(path);
}
BENCHMARK(ReadLinesFromCompressedFile)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// One 1 MB entry, deflated, with (1) or without (0) the password scheme.
void ReadArchiveEntry(benchmark::State& state) {
    const std::string script = generatedScript(1 << 20);
    const std::string path = (std::filesystem::temp_directory_path() / "qv3rn_bench_archive.dat").string();
    const std::string password = state.range(0) ? demoArchivePassword : "";
    {
        ArchiveWriter writer;
        if (!writer.create(path, password) ||
            !writer.addData("data/obj/big.msh", std::vector<std::uint8_t>(script.begin(), script.end())) ||
            !writer.commit()) {
            state.SkipWithError("cannot write the archive");
            return;
        }
    }
    Archive archive;
    archive.open(path, demoArchivePassword);
    std::vector<std::uint8_t> data;
    for (auto _ : state) {
        if (!archive.readFile("data\\obj\\big.msh", data)) state.SkipWithError("cannot read the entry");
        benchmark::DoNotOptimize(data.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * script.size()));
    state.SetLabel(state.range(0) ? "encrypted" : "plain");
    archive.close();
    std::filesystem::remove(path);
}
BENCHMARK(ReadArchiveEntry)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

}  // namespace
