// codec_bench [--summary KIND]... KIND:FILE...: for every file, our encoder's size and speed at
// each level next to a classic lh5 archiver and gzip -9, and the decoding speed of our decoder
// next to liblhasa's on the very same stream. Prints a table; the only failure
// it reports is a stream that does not decode to its file. Files of a kind
// named with --summary only count towards that kind's totals.
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "bench_decoders.h"
#include "bench_reference.h"
#include "lh5_encoder.h"

namespace {

// Processor time of this process: on a busy machine it shows the work done
// far more steadily than the clock on the wall.
double CpuSeconds()
{
    timespec now;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + now.tv_nsec * 1e-9;
}

// Runs work until it has taken minSeconds (at least minRuns times) and
// returns the fastest run in seconds of processor time.
template <class Work>
double FastestRun(Work work, int minRuns, double minSeconds)
{
    double fastest = 1e30, total = 0;
    for (int run = 0; run < minRuns || total < minSeconds; ++run) {
        const double start = CpuSeconds();
        work();
        const double seconds = CpuSeconds() - start;
        total += seconds;
        if (seconds < fastest)
            fastest = seconds;
        if (run >= 50)
            break;
    }
    return fastest;
}

double MBps(size_t bytes, double seconds)
{
    return seconds > 0 ? bytes / seconds / 1e6 : 0;
}

// One file's figures, and the sums over a kind.
struct Figures {
    size_t files = 0, bytes = 0, fast = 0, best = 0, classic = 0, gzip = 0;
    bool classicComplete = true, gzipComplete = true;
    double fastSeconds = 0, bestSeconds = 0, oursDecodeSeconds = 0, lhasaDecodeSeconds = 0;
};

void Add(Figures *t, const Figures &f)
{
    t->files += f.files;
    t->bytes += f.bytes;
    t->fast += f.fast;
    t->best += f.best;
    t->classic += f.classic;
    t->gzip += f.gzip;
    t->classicComplete = t->classicComplete && f.classicComplete;
    t->gzipComplete = t->gzipComplete && f.gzipComplete;
    t->fastSeconds += f.fastSeconds;
    t->bestSeconds += f.bestSeconds;
    t->oursDecodeSeconds += f.oursDecodeSeconds;
    t->lhasaDecodeSeconds += f.lhasaDecodeSeconds;
}

// Our size against jlha's, as a ratio.
std::string VsClassic(size_t ours, const Figures &f)
{
    char text[16];
    if (!f.classicComplete || f.classic == 0)
        return "-";
    std::snprintf(text, sizeof(text), "%.3f", static_cast<double>(ours) / f.classic);
    return text;
}

void PrintRow(const std::string &kind, const std::string &name, const Figures &f)
{
    std::printf("%-6s %-18.18s %10zu %9zu %9zu", kind.c_str(), name.c_str(), f.bytes, f.fast, f.best);
    if (f.classicComplete)
        std::printf(" %9zu", f.classic);
    else
        std::printf(" %9s", "-");
    std::printf(" %6s %6s", VsClassic(f.fast, f).c_str(), VsClassic(f.best, f).c_str());
    if (f.gzipComplete)
        std::printf(" %9zu", f.gzip);
    else
        std::printf(" %9s", "-");
    std::printf(" %6.2f %6.2f %7.1f %7.1f %5.2fx\n", MBps(f.bytes, f.fastSeconds),
                MBps(f.bytes, f.bestSeconds), MBps(f.bytes, f.oursDecodeSeconds),
                MBps(f.bytes, f.lhasaDecodeSeconds),
                f.oursDecodeSeconds > 0 ? f.lhasaDecodeSeconds / f.oursDecodeSeconds : 0.0);
}

}   // namespace

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: codec_bench [--summary KIND]... KIND:FILE...\n");
        return 2;
    }
    // Named after the process: two benchmarks at once must not share it.
    const std::string scratch = (std::filesystem::temp_directory_path() /
                                 ("codec_bench_classic_" + std::to_string(getpid()) + ".lzh"))
                                    .string();
    std::printf("%-6s %-18s %10s %9s %9s %9s %6s %6s %9s %6s %6s %7s %7s %6s\n", "kind", "file", "bytes",
                "fast", "best", "jlha", "f/jlha", "b/jlha", "gzip -9", "fast", "best", "decode", "lhasa",
                "dec x");
    std::printf("%-6s %-18s %10s %9s %9s %9s %6s %6s %9s %6s %6s %7s %7s %6s\n", "", "", "", "", "", "", "",
                "", "", "MB/s", "MB/s", "MB/s", "MB/s", "");
    std::map<std::string, Figures> byKind;
    Figures all;
    std::vector<std::string> notes;
    int failures = 0;
    std::set<std::string> summaryOnly;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--summary" && i + 1 < argc) {
            summaryOnly.insert(argv[++i]);
            continue;
        }
        const size_t colon = arg.find(':');
        const std::string kind = colon == std::string::npos ? "other" : arg.substr(0, colon);
        const std::string path = colon == std::string::npos ? arg : arg.substr(colon + 1);
        std::ifstream in(path, std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "codec_bench: cannot read %s\n", path.c_str());
            ++failures;
            continue;
        }
        const std::vector<uint8_t> data((std::istreambuf_iterator<char>(in)),
                                        std::istreambuf_iterator<char>());
        const std::string name = std::filesystem::path(path).filename().string();
        Figures f;
        f.files = 1;
        f.bytes = data.size();
        std::vector<uint8_t> fast, best;
        f.fastSeconds =
            FastestRun([&] { fast = Lh5Encode(data.data(), data.size(), Lh5Level::kFast); }, 1, 0.5);
        f.bestSeconds =
            FastestRun([&] { best = Lh5Encode(data.data(), data.size(), Lh5Level::kBest); }, 1, 0.5);
        f.fast = fast.size();
        f.best = best.size();
        // Both streams must come back whole through both decoders; the
        // decoding speeds are those of the fast level's stream, the default.
        bool roundTrip = true;
        std::string failed;
        for (const std::vector<uint8_t> *stream : {&best, &fast}) {
            std::vector<uint8_t> ours, lhasa;
            bool oursOk = true, lhasaOk = true;
            const double decOurs =
                FastestRun([&] { oursOk = DecodeOurs(*stream, data.size(), &ours); }, 3, 0.3);
            const double decLhasa =
                FastestRun([&] { lhasaOk = DecodeLhasa(*stream, data.size(), &lhasa); }, 3, 0.3);
            if (!oursOk || ours != data || !lhasaOk || lhasa != data) {
                roundTrip = false;
                failed = std::string(stream == &fast ? "fast" : "best") + " (ours " +
                         (oursOk && ours == data ? "ok" : "wrong") + ", lhasa " +
                         (lhasaOk && lhasa == data ? "ok" : "wrong") + ")";
            }
            f.oursDecodeSeconds = decOurs;
            f.lhasaDecodeSeconds = decLhasa;
        }
        if (!roundTrip) {
            std::printf("%-6s %-18s DOES NOT ROUND-TRIP: %s\n", kind.c_str(), name.c_str(), failed.c_str());
            ++failures;
            continue;
        }
        std::string method;
        const long classic = ClassicLh5Size(path, scratch, &method);
        const long gzip = GzipSize(path);
        if (classic >= 0 && method != "-lh5-")
            notes.push_back(name + ": jlha chose " + method);
        f.classicComplete = classic >= 0;
        f.classic = classic >= 0 ? static_cast<size_t>(classic) : 0;
        f.gzipComplete = gzip >= 0;
        f.gzip = gzip >= 0 ? static_cast<size_t>(gzip) : 0;
        Add(&byKind[kind], f);
        Add(&all, f);
        if (summaryOnly.count(kind) != 0)
            continue;
        PrintRow(kind, name, f);
        std::fflush(stdout);
    }
    std::printf("\n");
    for (const auto &entry : byKind) {
        PrintRow(entry.first, std::to_string(entry.second.files) + " files", entry.second);
    }
    PrintRow("all", std::to_string(all.files) + " files", all);
    if (!all.classicComplete) {
        std::printf("\njlha (a classic lh5 archiver) is missing or failed on some file: totals without it\n");
    }
    for (const std::string &note : notes)
        std::printf("note: %s\n", note.c_str());
    std::printf("\nfast, best: our encoder's levels (zar pack's default and --best); f/jlha, b/jlha: their\n"
                "size over the -lh5- data jlha stores for the file. Encoder MB/s: one thread; decode: our\n"
                "decoder in 8 KiB chunks on the fast stream; lhasa: liblhasa's decoder on the same stream;\n"
                "dec x = lhasa time / our time. MB (10^6 bytes) of input per second of processor time,\n"
                "fastest of repeated runs.\n");
    return failures == 0 ? 0 : 1;
}
