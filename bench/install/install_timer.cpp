// Times setup.exe from outside: from the Install click to the finish prompt,
// installing the sample into a new folder each time. With two programs the
// runs alternate between them, so that both see the same machine load.
//   install_timer RUNS SETUP_EXE [SETUP_EXE]
// Prints each run's seconds and each program's median.
#include "gui_driver.h"
#include "setup_controls.h"
#include "setup_config.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using namespace gui;

namespace {

// The seconds from the Install click to the finish prompt; negative when
// the prompt did not come.
double TimeOneInstall(const std::string &exe, const std::string &target)
{
    RemoveTree(target);
    SetupProcess setup;
    if (!setup.Start(exe, BinDir()))
        return -1;
    HWND dialog = setup.WaitDialog();
    if (!dialog)
        return -1;
    SetWindowTextRemote(GetDlgItem(dialog, ctl::kDirEdit), target);
    LARGE_INTEGER frequency, start, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    ClickCommand(dialog, ctl::kInstall);
    for (int polls = 0; polls < 60000; ++polls) {
        for (HWND window : WindowsOf(setup.Pid())) {
            if (IsWindowVisible(window) && WindowText(window) == "Finish..!") {
                QueryPerformanceCounter(&now);
                PostMessageA(window, WM_COMMAND, IDNO, 0);
                setup.WaitExit();
                return double(now.QuadPart - start.QuadPart) / double(frequency.QuadPart);
            }
        }
        Sleep(2);
    }
    setup.Kill();
    return -1;
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc < 3) {
        fprintf(stderr, "usage: install_timer RUNS SETUP_EXE [SETUP_EXE]\n");
        return 2;
    }
    const int runs = atoi(argv[1]);
    std::vector<std::string> programs(argv + 2, argv + argc);
    std::vector<std::vector<double>> seconds(programs.size());
    const std::string target = Join(BinDir(), "install-timer-target");
    for (int run = 0; run < runs; ++run) {
        for (size_t p = 0; p < programs.size(); ++p) {
            const double taken = TimeOneInstall(WinPath(programs[p]), target);
            printf("run %d  %-40s %.3f s\n", run + 1, programs[p].c_str(), taken);
            fflush(stdout);
            if (taken < 0)
                return 1;
            seconds[p].push_back(taken);
        }
    }
    RemoveTree(target);
    for (size_t p = 0; p < programs.size(); ++p) {
        std::vector<double> sorted = seconds[p];
        std::sort(sorted.begin(), sorted.end());
        const size_t n = sorted.size();
        const double median = n % 2 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2;
        printf("median of %d  %-36s %.3f s\n", (int)n, programs[p].c_str(), median);
    }
    return 0;
}
