// codec_bench [--summary KIND]... KIND:FILE...: for every file, our encoder's size and speed next
// to a classic lh5 archiver and gzip -9, and the decoding speed of our decoder
// next to liblhasa's on the very same stream. Prints a table; the only failure
// it reports is a stream that does not decode to its file. Files of a kind
// named with --summary only count towards that kind's totals.
#include <time.h>

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
double CpuSeconds() {
    timespec now;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + now.tv_nsec * 1e-9;
}

// Runs work until it has taken minSeconds (at least minRuns times) and
// returns the fastest run in seconds of processor time.
template <class Work>
double FastestRun(Work work, int minRuns, double minSeconds) {
    double fastest = 1e30, total = 0;
    for (int run = 0; run < minRuns || total < minSeconds; ++run) {
        const double start = CpuSeconds();
        work();
        const double seconds = CpuSeconds() - start;
        total += seconds;
        if (seconds < fastest) fastest = seconds;
        if (run >= 50) break;
    }
    return fastest;
}

double MBps(size_t bytes, double seconds) { return seconds > 0 ? bytes / seconds / 1e6 : 0; }

struct Totals {
    size_t files = 0, bytes = 0, ours = 0, classic = 0, gzip = 0;
    bool classicComplete = true, gzipComplete = true;
    double encodeSeconds = 0, oursDecodeSeconds = 0, lhasaDecodeSeconds = 0;
};

void Add(Totals *t, size_t bytes, size_t ours, long classic, long gzip, double enc, double decOurs,
         double decLhasa) {
    ++t->files;
    t->bytes += bytes;
    t->ours += ours;
    if (classic >= 0) t->classic += static_cast<size_t>(classic); else t->classicComplete = false;
    if (gzip >= 0) t->gzip += static_cast<size_t>(gzip); else t->gzipComplete = false;
    t->encodeSeconds += enc;
    t->oursDecodeSeconds += decOurs;
    t->lhasaDecodeSeconds += decLhasa;
}

std::string Percent(size_t part, size_t whole) {
    char text[32];
    std::snprintf(text, sizeof(text), "%.1f%%", whole ? 100.0 * part / whole : 0.0);
    return text;
}

void PrintTotals(const std::string &label, const Totals &t) {
    std::printf("%-6s %-22s %10zu %10zu %7s", label.c_str(), (std::to_string(t.files) + " files").c_str(),
                t.bytes, t.ours, Percent(t.ours, t.bytes).c_str());
    if (t.classicComplete) {
        std::printf(" %10zu %+7.2f%%", t.classic, 100.0 * ((double)t.ours - t.classic) / t.classic);
    } else {
        std::printf(" %10s %8s", "-", "");
    }
    if (t.gzipComplete) std::printf(" %10zu", t.gzip); else std::printf(" %10s", "-");
    std::printf(" %8.2f %9.1f %9.1f %6.2fx\n", MBps(t.bytes, t.encodeSeconds),
                MBps(t.bytes, t.oursDecodeSeconds), MBps(t.bytes, t.lhasaDecodeSeconds),
                t.oursDecodeSeconds > 0 ? t.lhasaDecodeSeconds / t.oursDecodeSeconds : 0.0);
}

}  // namespace

int main(int argc, char **argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: codec_bench [--summary KIND]... KIND:FILE...\n");
        return 2;
    }
    const std::string scratch =
        (std::filesystem::temp_directory_path() / "codec_bench_classic.lzh").string();
    std::printf("%-6s %-22s %10s %10s %7s %10s %8s %10s %8s %9s %9s %7s\n", "kind", "file",
                "bytes", "lh5enc", "ratio", "jlha lh5", "vs jlha", "gzip -9", "enc MB/s",
                "dec MB/s", "lhasa", "speedup");
    std::map<std::string, Totals> byKind;
    Totals all;
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
        std::vector<uint8_t> stream;
        const double enc = FastestRun([&] { stream = Lh5Encode(data.data(), data.size()); }, 1, 0.5);
        std::vector<uint8_t> ours, lhasa;
        bool oursOk = true, lhasaOk = true;
        const double decOurs = FastestRun([&] { oursOk = DecodeOurs(stream, data.size(), &ours); }, 3, 0.3);
        const double decLhasa = FastestRun([&] { lhasaOk = DecodeLhasa(stream, data.size(), &lhasa); }, 3, 0.3);
        const std::string name = std::filesystem::path(path).filename().string();
        if (!oursOk || ours != data || !lhasaOk || lhasa != data) {
            std::printf("%-6s %-22s DOES NOT ROUND-TRIP (ours %s, lhasa %s)\n", kind.c_str(), name.c_str(),
                        oursOk && ours == data ? "ok" : "wrong", lhasaOk && lhasa == data ? "ok" : "wrong");
            ++failures;
            continue;
        }
        std::string method;
        const long classic = ClassicLh5Size(path, scratch, &method);
        const long gzip = GzipSize(path);
        if (classic >= 0 && method != "-lh5-") notes.push_back(name + ": jlha chose " + method);
        Add(&byKind[kind], data.size(), stream.size(), classic, gzip, enc, decOurs, decLhasa);
        Add(&all, data.size(), stream.size(), classic, gzip, enc, decOurs, decLhasa);
        if (summaryOnly.count(kind) != 0) continue;

        std::printf("%-6s %-22.22s %10zu %10zu %7s", kind.c_str(), name.c_str(), data.size(), stream.size(),
                    Percent(stream.size(), data.size()).c_str());
        if (classic >= 0) {
            std::printf(" %10ld %+7.2f%%", classic, 100.0 * ((double)stream.size() - classic) / classic);
        } else {
            std::printf(" %10s %8s", "-", "");
        }
        if (gzip >= 0) std::printf(" %10ld", gzip); else std::printf(" %10s", "-");
        std::printf(" %8.2f %9.1f %9.1f %6.2fx\n", MBps(data.size(), enc), MBps(data.size(), decOurs),
                    MBps(data.size(), decLhasa), decLhasa / decOurs);
        std::fflush(stdout);
    }
    std::printf("\n");
    for (const auto &entry : byKind) PrintTotals(entry.first, entry.second);
    PrintTotals("all", all);
    if (!all.classicComplete) std::printf("\nno classic lh5 archiver (jlha) found: that column is empty\n");
    for (const std::string &note : notes) std::printf("note: %s\n", note.c_str());
    std::printf("\nenc MB/s: encoder throughput; dec MB/s: our decoder in 8 KiB chunks; lhasa: "
                "liblhasa's decoder on the same stream;\nspeedup = lhasa time / our time. "
                "Throughputs in MB (10^6 bytes) of input per second of processor time,\n"
                "fastest of repeated runs. jlha lh5: the -lh5- data jlha stores for the file.\n");
    return failures == 0 ? 0 : 1;
}
