// Times installs from outside, into a new folder each time, the runs
// alternating between the items so that all of them see the same machine
// load.
//   install_timer RUNS TARGET ITEM...
//   install_timer RUNS SETUP_EXE [SETUP_EXE]    (the sample's own target)
// An ITEM is LABEL=setup:SETUP_EXE, one of our installers driven through its
// dialog and timed from the Install click to the finish prompt, or
// LABEL=run:COMMAND, any other installer or copy, timed from its start to
// its exit, with {target} in COMMAND replaced by TARGET. A bare SETUP_EXE is
// a setup item labelled by its path.
// Prints each run's seconds, then per item "median LABEL SECONDS",
// "cpu LABEL SECONDS [NAME SECONDS]...": the median processor time over the
// same span (user and system) of our installer's own Unix process (0 for
// commands, which have ended when it could be read) and of each Unix process
// that BENCH_WATCH names ("wineserver=/proc/PID/stat,xvfb=..."), read
// through Wine's drive Z:; and, for our installers, "memory LABEL
// PEAK_WORKING_SET_KB PEAK_PRIVATE_KB" as seen at the finish prompt (the
// largest of the runs).
#include "gui_driver.h"
#include "setup_controls.h"

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

using namespace gui;

namespace {

struct Item {
    std::string label;
    bool setup = false;
    std::string command;   // setup.exe's path, or the command line
    std::vector<double> seconds;
    std::vector<std::vector<double>> cpu;   // [0]: the process; then each watched one
    SIZE_T peakWorkingSet = 0, peakPrivate = 0;
};

// The Unix processes whose processor time is taken around each run.
struct Watched {
    std::string name, stat;
};
std::vector<Watched> watched;

std::string ReadUnixText(const std::string &path);

// utime + stime of a Unix process, from its /proc/PID/stat, in seconds.
double UnixCpu(const std::string &stat)
{
    const std::string content = ReadUnixText(stat);
    const char *text = content.c_str();
    // The fields after the command's closing parenthesis start with the
    // state, field 3; utime and stime are fields 14 and 15, in ticks of 1/100 s.
    const char *p = strrchr(text, ')');
    if (!p)
        return 0;
    unsigned long long ticks = 0;
    int field = 2;
    for (++p; *p; ++p) {
        if (*p == ' ') {
            if (++field > 15)
                break;
            continue;
        }
        if (field == 14 || field == 15) {
            unsigned long long value = strtoull(p, NULL, 10);
            ticks += value;
            while (p[1] >= '0' && p[1] <= '9')
                ++p;
        }
    }
    return double(ticks) / 100.0;
}

// A Unix text file read through Wine's drive Z: (the files of /proc show
// no size, so it is read to its end).
std::string ReadUnixText(const std::string &path)
{
    HANDLE file = CreateFileA(WinPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                              OPEN_EXISTING, 0, NULL);
    std::string text;
    if (file == INVALID_HANDLE_VALUE)
        return text;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, NULL) && got > 0)
        text.append(buffer, got);
    CloseHandle(file);
    return text;
}

// The /proc/PID/stat of the Unix process that runs the Windows program
// exe (by its base name) in this Wine prefix; empty when not found.
std::string UnixStatOf(const std::string &exe)
{
    const char *prefix = getenv("WINEPREFIX");
    if (!prefix)
        return std::string();
    const std::string base = exe.substr(exe.find_last_of("\\/") + 1).substr(0, 15) + "\n";
    const std::string mark = std::string("WINEPREFIX=") + prefix + '\0';
    WIN32_FIND_DATAA found;
    HANDLE listing = FindFirstFileA("Z:\\proc\\*", &found);
    if (listing == INVALID_HANDLE_VALUE)
        return std::string();
    std::string stat;
    do {
        const std::string dir = std::string("/proc/") + found.cFileName;
        if (found.cFileName[0] >= '1' && found.cFileName[0] <= '9' && ReadUnixText(dir + "/comm") == base &&
            ReadUnixText(dir + "/environ").find(mark) != std::string::npos)
            stat = dir + "/stat";
    } while (stat.empty() && FindNextFileA(listing, &found));
    FindClose(listing);
    return stat;
}

// Processor seconds of the timed process (when its stat is known) and of
// every watched one.
struct CpuMark {
    std::vector<double> values;
    void Take(const std::string &stat)
    {
        values.clear();
        values.push_back(stat.empty() ? 0 : UnixCpu(stat));
        for (const Watched &w : watched)
            values.push_back(UnixCpu(w.stat));
    }
};

void AddCpu(Item &item, const CpuMark &start, const CpuMark &end)
{
    item.cpu.resize(start.values.size());
    for (size_t i = 0; i < start.values.size(); ++i)
        item.cpu[i].push_back(end.values[i] - start.values[i]);
}

double Elapsed(const LARGE_INTEGER &start)
{
    LARGE_INTEGER frequency, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&now);
    return double(now.QuadPart - start.QuadPart) / double(frequency.QuadPart);
}

// The seconds from the Install click to the finish prompt; negative when
// the prompt did not come. Records the process's peak memory meanwhile.
double TimeOurInstall(Item &item, const std::string &target)
{
    SetupProcess setup;
    if (!setup.Start(WinPath(item.command), BinDir()))
        return -1;
    HWND dialog = setup.WaitDialog();
    if (!dialog)
        return -1;
    SetWindowTextRemote(GetDlgItem(dialog, ctl::kDirEdit), target);
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, setup.Pid());
    const std::string stat = UnixStatOf(item.command);
    CpuMark cpuStart, cpuEnd;
    cpuStart.Take(stat);
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    ClickCommand(dialog, ctl::kInstall);
    for (int polls = 0; polls < 120000; ++polls) {
        for (HWND window : WindowsOf(setup.Pid())) {
            if (IsWindowVisible(window) && WindowText(window) == "Finish..!") {
                const double taken = Elapsed(start);
                cpuEnd.Take(stat);
                AddCpu(item, cpuStart, cpuEnd);
                PROCESS_MEMORY_COUNTERS memory = {};
                memory.cb = sizeof memory;
                if (process && GetProcessMemoryInfo(process, &memory, sizeof memory)) {
                    item.peakWorkingSet = std::max(item.peakWorkingSet, memory.PeakWorkingSetSize);
                    item.peakPrivate = std::max(item.peakPrivate, memory.PeakPagefileUsage);
                }
                if (process)
                    CloseHandle(process);
                PostMessageA(window, WM_COMMAND, IDNO, 0);
                setup.WaitExit();
                return taken;
            }
        }
        Sleep(1);
    }
    if (process)
        CloseHandle(process);
    setup.Kill();
    return -1;
}

// The seconds from the command's start to its exit; negative when it could
// not start, did not end within ten minutes or failed.
double TimeCommand(Item &item, const std::string &target)
{
    std::string line = item.command;
    for (size_t at; (at = line.find("{target}")) != std::string::npos;)
        line.replace(at, 8, target);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    CpuMark cpuStart, cpuEnd;
    cpuStart.Take(std::string());   // the command's own time is not taken
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    if (!CreateProcessA(NULL, &line[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup, &info))
        return -1;
    const bool ended = WaitForSingleObject(info.hProcess, 600000) == WAIT_OBJECT_0;
    const double taken = Elapsed(start);
    cpuEnd.Take(std::string());
    AddCpu(item, cpuStart, cpuEnd);
    DWORD code = 1;
    GetExitCodeProcess(info.hProcess, &code);
    if (!ended)
        TerminateProcess(info.hProcess, 1);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return ended && code == 0 ? taken : -1;
}

Item ParseItem(const std::string &text)
{
    Item item;
    const size_t equals = text.find('=');
    if (equals == std::string::npos) {
        item.label = text;
        item.setup = true;
        item.command = text;
        return item;
    }
    item.label = text.substr(0, equals);
    const std::string rest = text.substr(equals + 1);
    item.setup = rest.compare(0, 6, "setup:") == 0;
    item.command = rest.substr(rest.find(':') + 1);
    return item;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}   // namespace

int main(int argc, char **argv)
{
    if (argc < 3) {
        fprintf(stderr, "usage: install_timer RUNS TARGET ITEM...\n"
                        "       install_timer RUNS SETUP_EXE [SETUP_EXE]\n");
        return 2;
    }
    const int runs = atoi(argv[1]);
    std::string target = Join(BinDir(), "install-timer-target");
    int first = 2;
    if (argc > 3 && std::string(argv[3]).find('=') != std::string::npos) {
        target = argv[2];
        first = 3;
    }
    if (const char *watch = getenv("BENCH_WATCH")) {
        std::string list = watch;
        for (size_t at = 0; at < list.size();) {
            size_t end = list.find(',', at);
            if (end == std::string::npos)
                end = list.size();
            const std::string entry = list.substr(at, end - at);
            const size_t equals = entry.find('=');
            if (equals != std::string::npos)
                watched.push_back({entry.substr(0, equals), entry.substr(equals + 1)});
            at = end + 1;
        }
    }
    std::vector<Item> items;
    for (int i = first; i < argc; ++i)
        items.push_back(ParseItem(argv[i]));
    for (int run = 0; run < runs; ++run) {
        for (Item &item : items) {
            RemoveTree(target);
            const double taken = item.setup ? TimeOurInstall(item, target) : TimeCommand(item, target);
            printf("run %d  %-24s %.3f s", run + 1, item.label.c_str(), taken);
            if (taken >= 0 && !item.cpu.empty()) {
                if (item.setup)
                    printf("  cpu %.3f s", item.cpu[0].back());
                for (size_t w = 0; w < watched.size(); ++w)
                    printf("  %s %.3f s", watched[w].name.c_str(), item.cpu[w + 1].back());
            }
            printf("\n");
            fflush(stdout);
            if (taken < 0)
                return 1;
            item.seconds.push_back(taken);
        }
    }
    RemoveTree(target);
    for (const Item &item : items)
        printf("median %s %.3f\n", item.label.c_str(), Median(item.seconds));
    for (const Item &item : items) {
        printf("cpu %s %.3f", item.label.c_str(), Median(item.cpu[0]));
        for (size_t w = 0; w < watched.size(); ++w)
            printf(" %s %.3f", watched[w].name.c_str(), Median(item.cpu[w + 1]));
        printf("\n");
    }
    for (const Item &item : items)
        if (item.setup)
            printf("memory %s %lu %lu\n", item.label.c_str(), (unsigned long)(item.peakWorkingSet / 1024),
                   (unsigned long)(item.peakPrivate / 1024));
    return 0;
}
