// setup.exe driven through its real windows under Wine: the dialog, every
// message box of the install sequence with its text, caption, buttons and
// owner, the outcome of each answer on disk, in the registry and in the
// Start Menu, and the launch of the installed program.
#include "folder_link.h"
#include "gui_driver.h"
#include "setup_controls.h"
#include "installer_config.h"
#include "run_setup.h"
#include "setup_config.h"
#include "setup_state.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <thread>
#include <vector>

using namespace gui;

namespace {

const char kWarning[] = "Warning..!";
const char kError[] = "Error..!";
const char kFinish[] = "Finish..!";
const char kUnrecognisedText[] =
    "Previous Varnik has installed in this directory.\nDo you really want to overwrite?";
const char kOlderText[] =
    "Older version of Varnik detected.\nIf you continue, setup will remove it.\n\n"
    "If you choose NO, setup will be canceled.\nYou can backup your previous version manually,\n"
    "and run this setup again anytime.\n\nDo you want to continue?";
const char kNotEmptyText[] =
    "This is not an empty directory.\nDo you want to install to this directory anyway?";
const char kExtractFailedText[] = "Can not decompress file!\nThe source file maybe damage.";
const char kShortcutFailedText[] =
    "Setup can not create shortcut in your Start Menu!\nYou should create it manually.";
const char kTooLongText[] = "The directory name is too long.\nPlease choose a shorter one.";
const char kLinkText[] = "The directory is a link to another place.\nPlease choose another one.";
const char kRoot[] = "C:\\guitests";

std::string FinishText()
{
    return std::string(SetupConfig.productName) +
           " has successfully\ninstalled to your computer.\nDo you want to launch the program now?";
}

std::string Lower(std::string text)
{
    for (char &c : text)
        c = (char)tolower((unsigned char)c);
    return text;
}

std::string MainProgram()
{
    return std::string(SetupConfig.exeBaseName) + ".exe";
}

// The payload the scenarios install: the launch probe as the main program,
// a help document, and image files below templates\<style>\..., as many
// records as the build expects.
std::vector<TestRecord> ProbeFiles(const std::vector<uint8_t> &probe)
{
    std::vector<TestRecord> files;
    files.push_back(Stored(MainProgram(), probe));
    files.push_back(StoredRecord(SetupConfig.helpFileName, "<html><body>help</body></html>\n"));
    for (int i = 0; (int)files.size() < SetupConfig.fileCount; ++i) {
        std::string name = std::string("templates\\") + SetupConfig.templateStyles[i % 7] + "\\set" +
                           std::to_string(i / 7 % 3) + "\\image" + std::to_string(i) + ".bmp";
        files.push_back(Stored(name, std::vector<uint8_t>(64 + i, (uint8_t)i)));
    }
    return files;
}

class SetupGui : public ::testing::Test {
protected:
    static std::string bin, realSetup, probeSetup, savedPrograms, savedDesktop;
    static std::vector<uint8_t> probe;

    static void SetUpTestSuite()
    {
        bin = BinDir();
        realSetup = Join(bin, "setup.exe");
        probe = ReadBytes(Join(bin, "gui_launch_probe.exe"));
        MakeDirs(kRoot);
        probeSetup = Join(kRoot, "setup-probe.exe");
        CopyWithPayload(realSetup, probeSetup, BuildArchive(ProbeFiles(probe)));
        savedPrograms = ReadShellFolder("Programs");
        savedDesktop = ReadShellFolder("Desktop");
    }

    static void TearDownTestSuite()
    {
        SetShellFolder("Programs", savedPrograms.empty() ? NULL : savedPrograms.c_str());
        SetShellFolder("Desktop", savedDesktop.empty() ? NULL : savedDesktop.c_str());
    }

    void SetUp() override
    {
        ASSERT_FALSE(probe.empty()) << "gui_launch_probe.exe missing next to the tests";
        ASSERT_EQ(SetupConfig.fileCount, CountPayloadRecords(probeSetup))
            << "the payload of " << probeSetup << " could not be replaced";
        base = Join(kRoot, ::testing::UnitTest::GetInstance()->current_test_info()->name());
        RemoveTree(base);
        start = Join(base, "start");
        programs = Join(base, "programs");
        desktop = Join(base, "desktop");
        ASSERT_TRUE(MakeDirs(start) && MakeDirs(programs) && MakeDirs(desktop));
        SetShellFolder("Programs", programs.c_str());
        SetShellFolder("Desktop", desktop.c_str());
        DeleteUninstallKey(SetupConfig.productName);
    }

    void TearDown() override { setup.Kill(); }

    HWND Launch(const std::string &exe = probeSetup)
    {
        EXPECT_TRUE(setup.Start(exe, start)) << "cannot start " << exe;
        HWND dialog = setup.WaitDialog();
        EXPECT_NE(dialog, (HWND)NULL) << "no install dialog";
        return dialog;
    }

    void Install(const std::string &dir)
    {
        SetWindowTextRemote(GetDlgItem(setup.Dialog(), ctl::kDirEdit), dir);
        ClickCommand(setup.Dialog(), ctl::kInstall);
    }

    // The next message box must be exactly this one.
    MessageBoxSeen ExpectBox(const char *caption, const std::string &text, bool yesNo,
                             bool ownedByDialog = true)
    {
        MessageBoxSeen box = setup.WaitMessageBox();
        EXPECT_NE(box.window, (HWND)NULL) << "no message box \"" << text << "\"";
        EXPECT_EQ(caption, box.caption);
        EXPECT_EQ(text, box.text);
        EXPECT_EQ(yesNo ? "Yes No" : "OK", box.buttons) << "the buttons, and no others";
        EXPECT_EQ(ownedByDialog ? setup.Dialog() : NULL, box.owner);
        const std::string icon = caption == std::string(kWarning) ? "warning"
                                 : caption == std::string(kError) ? "error"
                                                                  : "information";
        EXPECT_EQ(icon, box.icon) << "icon of \"" << caption << "\"";
        return box;
    }

    // Cancel ends setup.exe with 1, without a finish prompt.
    void Cancel()
    {
        ClickCommand(setup.Dialog(), ctl::kCancel);
        EXPECT_EQ(1, setup.WaitExit());
    }

    // Answers the finish prompt; setup.exe ends with 1 then.
    void AnswerFinish(int answer)
    {
        MessageBoxSeen box = ExpectBox(kFinish, FinishText(), true, false);
        EXPECT_TRUE(setup.DialogGone()) << "the finish prompt comes after the dialog";
        Answer(box, answer);
        EXPECT_EQ(1, setup.WaitExit());
    }

    // The dialog is still there, ready for another Install. Checked once
    // the dialog's thread has handled everything posted to it so far: what
    // the last answer or key led to (another question, the extraction, the
    // dialog's end) has happened by then.
    void ExpectDialogOpen()
    {
        ASSERT_TRUE(WaitPostedHandled(GetDlgItem(setup.Dialog(), ctl::kDirEdit)))
            << "the dialog does not answer";
        EXPECT_FALSE(setup.DialogGone());
        EXPECT_TRUE(ControlEnabled(setup.Dialog(), ctl::kInstall));
        EXPECT_TRUE(ControlVisible(setup.Dialog(), ctl::kDesktopIcon));
        EXPECT_TRUE(ControlVisible(setup.Dialog(), ctl::kBrowse));
        EXPECT_EQ(NULL, FindMessageBox(setup.Pid(), setup.Dialog(), 0).window);
    }

    // Every payload file is below dir, the Start Menu and desktop shortcuts
    // point at it, and the uninstall entry names it.
    void ExpectInstalled(const std::string &dir, bool desktopIcon = true)
    {
        std::vector<std::string> files = ListFiles(dir);
        for (const TestRecord &file : ProbeFiles(probe))
            EXPECT_TRUE(Exists(Join(dir, file.name))) << file.name << " missing in " << dir;
        EXPECT_EQ(probe, ReadBytes(Join(dir, MainProgram())));
        const std::string program = Join(dir, MainProgram());
        const std::string menu = Join(programs, SetupConfig.productName);
        EXPECT_EQ(Lower(program),
                  Lower(ReadLink(Join(menu, std::string(SetupConfig.productName) + ".lnk")).path));
        EXPECT_TRUE(Exists(Join(menu, SetupConfig.helpShortcutName)));
        EXPECT_EQ(desktopIcon, Exists(Join(desktop, std::string(SetupConfig.productName) + ".lnk")));
        EXPECT_EQ(SetupConfig.productName, ReadUninstallValue(SetupConfig.productName, "DisplayName"));
        EXPECT_NE(std::string::npos,
                  Lower(ReadUninstallValue(SetupConfig.productName, "UninstallString")).find(Lower(program)));
    }

    // Once setup.exe and everything it started have ended, a started
    // program would have left its report.
    void ExpectNotLaunched(const std::string &dir)
    {
        ASSERT_TRUE(setup.WaitAllProcessesEnded());
        EXPECT_FALSE(Exists(Join(dir, "launched.txt"))) << "the program was started";
    }

    SetupProcess setup;
    std::string base, start, programs, desktop;
};

std::string SetupGui::bin, SetupGui::realSetup, SetupGui::probeSetup, SetupGui::savedPrograms,
    SetupGui::savedDesktop;
std::vector<uint8_t> SetupGui::probe;

// ---------------------------------------------------------------- the dialog

TEST_F(SetupGui, OpensCentredWithCaptionProposalAndCheckedIcon)
{
    HWND dialog = Launch();
    ASSERT_TRUE(dialog);
    EXPECT_EQ(std::string("Installing ") + SetupConfig.titleText, WindowText(dialog));
    EXPECT_EQ(std::string(SetupConfig.defaultParentDir) + "\\" + SetupConfig.folderName,
              WindowText(GetDlgItem(dialog, ctl::kDirEdit)));
    EXPECT_EQ(BST_CHECKED, SendMessageA(GetDlgItem(dialog, ctl::kDesktopIcon), BM_GETCHECK, 0, 0));

    RECT desk, frame;
    GetClientRect(GetDesktopWindow(), &desk);
    GetWindowRect(dialog, &frame);
    EXPECT_EQ((desk.right - (frame.right - frame.left)) / 2, frame.left);
    EXPECT_EQ((desk.bottom - (frame.bottom - frame.top)) / 2, frame.top);

    GUITHREADINFO thread = {};
    thread.cbSize = sizeof thread;
    ASSERT_TRUE(GetGUIThreadInfo(setup.MainThread(), &thread));
    EXPECT_EQ(GetDlgItem(dialog, ctl::kInstall), thread.hwndFocus) << "Install has the focus";

    Cancel();
}

TEST_F(SetupGui, CancelAndCloseBoxEndWithoutFinishPrompt)
{
    Launch();
    ClickCommand(setup.Dialog(), ctl::kCancel);
    EXPECT_EQ(1, setup.WaitExit()) << "Cancel leaves no finish prompt behind";

    SetupProcess second;
    ASSERT_TRUE(second.Start(probeSetup, start));
    HWND dialog = second.WaitDialog();
    ASSERT_TRUE(dialog);
    PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(1, second.WaitExit());
    EXPECT_TRUE(ListFiles(base).empty()) << "nothing installed";
}

TEST_F(SetupGui, EmptyEditGetsProposalBackAndCheckboxCountsAtInstall)
{
    HWND dialog = Launch();
    SendMessageA(GetDlgItem(dialog, ctl::kDesktopIcon), BM_SETCHECK, BST_UNCHECKED, 0);
    Install("");
    const std::string proposal = std::string(SetupConfig.defaultParentDir) + "\\" + SetupConfig.folderName;
    HWND edit = GetDlgItem(dialog, ctl::kDirEdit);
    EXPECT_EQ(proposal, WaitWindowText(edit, [&](const std::string &text) { return text == proposal; }));
    ExpectDialogOpen();

    const std::string dir = Join(base, "target");
    Install(dir);
    AnswerFinish(IDNO);
    ExpectInstalled(dir, false);
}

TEST_F(SetupGui, TooLongDirectoryIsRefusedWithDialogKeptOpen)
{
    HWND dialog = Launch();
    // 259 characters leave no room for the final backslash.
    std::string dir = Join(base, "");
    dir += std::string(259 - dir.size(), 'x');
    Install(dir);
    MessageBoxSeen box = ExpectBox(kWarning, kTooLongText, false);
    Answer(box, IDOK);
    ExpectDialogOpen();
    EXPECT_EQ(dir, WindowText(GetDlgItem(dialog, ctl::kDirEdit)));

    // One character less is accepted; no payload path fits below it, so the
    // extraction fails.
    Install(dir.substr(0, 258));
    box = ExpectBox(kError, kExtractFailedText, false);
    Answer(box, IDOK);
    EXPECT_EQ(1, setup.WaitExit());
}

// The folder browser opens at the default parent, whatever the edit holds; a
// picked folder is the parent of the install directory.
TEST_F(SetupGui, BrowserProposesPickedFolderAsParent)
{
    HWND dialog = Launch();
    HWND edit = GetDlgItem(dialog, ctl::kDirEdit);
    SetWindowTextRemote(edit, "d:\\somewhere\\else");

    auto browse = [&]() {
        HWND browser = setup.OpenBrowser();
        EXPECT_TRUE(browser) << "no folder browser";
        EXPECT_TRUE(!browser || dialog == GetWindow(browser, GW_OWNER));
        return browser;
    };
    auto waitEditChange = [&](const std::string &before) {
        return WaitWindowText(edit, [&](const std::string &text) { return text != before; });
    };

    HWND browser = browse();
    ASSERT_TRUE(browser);
    bool titleShown = false;
    const std::string title = std::string("Select directory for ") + SetupConfig.productName + ":";
    for (HWND child = GetWindow(browser, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        titleShown |= WindowText(child) == title;
    EXPECT_TRUE(titleShown) << "browser title \"" << title << "\"";
    ClickCommand(browser, IDOK);
    EXPECT_EQ(Lower(std::string(SetupConfig.defaultParentDir) + "\\" + SetupConfig.folderName),
              Lower(waitEditChange("d:\\somewhere\\else")));

    // Cancelling changes nothing.
    SetWindowTextRemote(edit, "d:\\kept");
    browser = browse();
    ASSERT_TRUE(browser);
    ClickCommand(browser, IDCANCEL);
    ASSERT_TRUE(SetupProcess::WaitGone(browser));
    ASSERT_TRUE(WaitPostedHandled(GetDlgItem(dialog, ctl::kDirEdit)));   // the browse handler has returned
    EXPECT_EQ("d:\\kept", WindowText(edit));

    // The root of the drive: its backslash is not doubled.
    browser = browse();
    ASSERT_TRUE(browser);
    HWND tree = FindWindowExA(browser, NULL, "SysTreeView32", NULL);
    LRESULT item = SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0);
    LRESULT parent = SendMessageA(tree, TVM_GETNEXTITEM, TVGN_PARENT, item);
    ASSERT_TRUE(parent);
    SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, parent);
    ClickCommand(browser, IDOK);   // posted after anything the selection posted
    EXPECT_EQ(Lower(std::string("c:\\") + SetupConfig.folderName), Lower(waitEditChange("d:\\kept")));

    Cancel();
}

// A picked folder whose path leaves no room for "\" and the folder name is
// refused with a message; one that leaves just enough room is taken.
TEST_F(SetupGui, BrowserRefusesFolderWithoutRoomForTheName)
{
    HWND dialog = Launch();
    HWND edit = GetDlgItem(dialog, ctl::kDirEdit);
    const std::string parent = SetupConfig.defaultParentDir;
    const size_t name = lstrlenA(SetupConfig.folderName);
    // "!" sorts such a folder first below the preselected one.
    const std::string fits = Join(parent, "!" + std::string(258 - name - parent.size() - 2, 'f'));
    const std::string tooLong = Join(parent, "!!" + std::string(259 - name - parent.size() - 3, 'l'));
    ASSERT_EQ(258u - name, fits.size());
    ASSERT_EQ(259u - name, tooLong.size());

    auto pickFirstChild = [&](const std::string &expectedFolder) {
        ASSERT_TRUE(MakeDirs(expectedFolder));
        HWND browser = setup.OpenBrowser();
        ASSERT_TRUE(browser);
        HWND tree = FindWindowExA(browser, NULL, "SysTreeView32", NULL);
        LRESULT item = SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0);
        SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, item);
        LRESULT child = SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CHILD, item);
        ASSERT_TRUE(child);
        SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, child);
        ClickCommand(browser, IDOK);
    };

    const std::string proposal = SetupConfig.defaultParentDir + std::string("\\") + SetupConfig.folderName;
    pickFirstChild(fits);
    EXPECT_EQ(Lower(Join(fits, SetupConfig.folderName)),
              Lower(WaitWindowText(edit, [&](const std::string &text) { return text != proposal; })));

    pickFirstChild(tooLong);
    Answer(ExpectBox(kWarning, kTooLongText, false), IDOK);
    EXPECT_EQ(Lower(Join(fits, SetupConfig.folderName)), Lower(WindowText(edit)));
    RemoveDirectoryA(fits.c_str());
    RemoveDirectoryA(tooLong.c_str());

    Cancel();
}

// The progress panel of the running setup.exe as the screen shows it, and
// as it must look, drawn here from its geometry: the button face; idle, an
// etched line along the bottom, 2 pixels above it; while files are written,
// a sunken bar across the whole width from 18 to 8 pixels above the bottom,
// inside its 2-pixel edge the share of files done in the highlight colour,
// and above it the path of the file being written, from x = 4, its bottom
// 20 pixels above the panel's.
class PanelOnScreen {
public:
    explicit PanelOnScreen(HWND panel)
    {
        GetClientRect(panel, &area_);
        MapWindowPoints(panel, NULL, (POINT *)&area_, 2);
    }
    std::vector<uint32_t> Shown() const { return ScreenPixels(area_); }
    std::vector<uint32_t> Expected(int done, int total, const std::string &path) const
    {
        const int width = area_.right - area_.left, height = area_.bottom - area_.top;
        Canvas canvas(width, height);
        HDC dc = canvas.dc();
        RECT whole = {0, 0, width, height};
        FillRect(dc, &whole, GetSysColorBrush(COLOR_BTNFACE));
        if (done == 0) {
            RECT line = {0, 0, width, height - 2};
            DrawEdge(dc, &line, EDGE_ETCHED, BF_BOTTOM);
        } else {
            RECT bar = {0, height - 18, width, height - 8};
            DrawEdge(dc, &bar, EDGE_SUNKEN, BF_RECT);
            RECT fill = {2, height - 16, 2 + (width - 4) * done / total, height - 10};
            FillRect(dc, &fill, GetSysColorBrush(COLOR_HIGHLIGHT));
            SetBkMode(dc, TRANSPARENT);
            SetTextAlign(dc, TA_BOTTOM | TA_LEFT);
            TextOutA(dc, 4, height - 20, path.c_str(), (int)path.size());
        }
        return canvas.Pixels();
    }

private:
    RECT area_;
};

// The panel (ctl::kPanel) of the running setup.exe is painted by the panel's own
// procedure: at first the idle look (no frame of the static control around
// it), then, while the files are written, the bar and the path of the file
// being written, for a growing number of files. Each new file in the install
// directory is an event: setup.exe's thread is suspended, the panel read off
// the screen, and the thread resumed. The paths are short enough to be shown
// whole.
TEST_F(SetupGui, PanelShowsBarAndPathWhileFilesAreWritten)
{
    // Short names, and files of 64 KiB: each look stays on the screen while
    // its file's data are written.
    std::vector<TestRecord> files = ProbeFiles(probe);
    for (size_t i = 2; i < files.size(); ++i)
        files[i] = Stored("i" + std::to_string(i) + ".bmp", Pattern(64 << 10, (uint32_t)i));
    const std::string panelSetup = Join(base, "panel-setup.exe");
    ASSERT_TRUE(CopyWithPayload(realSetup, panelSetup, BuildArchive(files)));
    const std::string dir = Join(kRoot, "pnl");
    RemoveTree(dir);
    ASSERT_TRUE(MakeDirs(dir));

    HWND dialog = Launch(panelSetup);
    PanelOnScreen panel(GetDlgItem(dialog, ctl::kPanel));
    const int total = (int)files.size();
    const std::vector<uint32_t> idle = panel.Expected(0, total, "");
    bool idleShown = false;
    for (int waited = 0; waited < 20000 && !idleShown; waited += 50, Sleep(50))
        idleShown = panel.Shown() == idle;
    EXPECT_TRUE(idleShown) << "the idle look of the panel";

    std::vector<std::vector<uint32_t>> looks;
    for (int done = 1; done <= total; ++done)
        looks.push_back(panel.Expected(done, total, Join(dir, files[done - 1].name)));
    Install(dir);
    std::vector<int> seen;   // files done, for each look that matched
    const std::string lastFile = Join(dir, files.back().name);
    // Watched from the folder above: the empty directory is removed and made
    // again by the install sequence, which a watch on it would keep from
    // going (under Wine, and on Windows without immediate removal).
    setup.LookAsFilesAppear(kRoot, [&] {
        auto match = std::find(looks.begin(), looks.end(), panel.Shown());
        if (match != looks.end() && (seen.empty() || seen.back() != match - looks.begin() + 1))
            seen.push_back((int)(match - looks.begin()) + 1);
        return Exists(lastFile);
    });
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end())) << ::testing::PrintToString(seen);
    // Three different looks in rising order show a bar that grows while the
    // path changes.
    EXPECT_GE(std::set<int>(seen.begin(), seen.end()).size(), 3u)
        << "progress looks seen for files done: " << ::testing::PrintToString(seen);
    AnswerFinish(IDNO);
    RemoveTree(dir);
}

// The message loop is a plain one: Enter, Esc and Tab, posted to the
// dialog's controls as key presses, neither install nor cancel.
TEST_F(SetupGui, EnterEscAndTabHaveNoDialogMeaning)
{
    HWND dialog = Launch();
    const std::string dir = Join(base, "keys");
    SetWindowTextRemote(GetDlgItem(dialog, ctl::kDirEdit), dir);
    for (int id : {ctl::kDirEdit, ctl::kInstall, ctl::kDesktopIcon, ctl::kCancel}) {
        for (WPARAM key : {VK_TAB, VK_RETURN, VK_ESCAPE}) {
            PostMessageA(GetDlgItem(dialog, id), WM_KEYDOWN, key, 1);
            PostMessageA(GetDlgItem(dialog, id), WM_KEYUP, key, 0xC0000001);
        }
    }
    ExpectDialogOpen();
    EXPECT_FALSE(Exists(dir)) << "a key started the install";
    Cancel();
    EXPECT_FALSE(Exists(dir));
}

// ------------------------------------------------------- the install sequence

TEST_F(SetupGui, FreshDirectoryInstallsWithoutQuestion)
{
    Launch();
    const std::string dir = Join(base, "VarnikPlus");
    Install(dir);
    AnswerFinish(IDNO);
    ExpectInstalled(dir);
    ExpectNotLaunched(dir);
}

TEST_F(SetupGui, EmptyExistingDirectoryAndTypedBackslashInstallWithoutQuestion)
{
    Launch();
    const std::string dir = Join(base, "empty");
    ASSERT_TRUE(MakeDirs(dir));
    Install(dir + "\\");
    AnswerFinish(IDNO);
    ExpectInstalled(dir);
}

// Exactly one final backslash is removed: a new directory typed with two
// ends with one, gets no second, and installs as if typed without any.
TEST_F(SetupGui, TwoTypedBackslashesLoseOne)
{
    Launch();
    const std::string dir = Join(base, "two");
    Install(dir + "\\\\");
    AnswerFinish(IDNO);
    ExpectInstalled(dir);
    EXPECT_EQ("\"" + Join(dir, MainProgram()) + "\" " + SetupConfig.uninstallSwitch,
              ReadUninstallValue(SetupConfig.productName, "UninstallString"));
}

// A drive root typed as "r:\" or "r:\\" is the drive's root: its
// program is found there (not in r:\start, where setup.exe starts, nor in
// r:'s current directory), and the files go to r:\. The probe enters no
// directory: the start directory stays current. Drive r: is a folder of its own when the tests run through
// tests/e2e/with-drive.sh.
TEST_F(SetupGui, DriveRootIsProbedWithoutItsBackslashAndGetsItBack)
{
    if (!DirExists("r:\\"))
        GTEST_SKIP() << "no drive r: (run through tests/e2e/with-drive.sh)";
    const std::string root = "r:\\", driveStart = "r:\\start";
    RemoveTree(Join(root, "templates"));
    for (const std::string &name : ListFiles(root))
        DeleteFileA(Join(root, name).c_str());
    ASSERT_TRUE(MakeDirs(driveStart) && WriteText(Join(root, "varnik.exe"), "someone else's"));

    ASSERT_TRUE(setup.Start(probeSetup, driveStart));
    ASSERT_TRUE(setup.WaitDialog());
    Install("r:\\");
    MessageBoxSeen box = ExpectBox(kWarning, kUnrecognisedText, true);
    EXPECT_EQ(Lower(Join(driveStart, "")), Lower(setup.CurrentDirectory())) << "not entered";
    Answer(box, IDYES);
    AnswerFinish(IDNO);
    ExpectInstalled(root);
    EXPECT_EQ("\"" + Join(root, MainProgram()) + "\" " + SetupConfig.uninstallSwitch,
              ReadUninstallValue(SetupConfig.productName, "UninstallString"));

    SetupProcess second;
    ASSERT_TRUE(second.Start(probeSetup, driveStart));
    HWND dialog = second.WaitDialog();
    ASSERT_TRUE(dialog);
    SetWindowTextRemote(GetDlgItem(dialog, ctl::kDirEdit), "r:\\\\");
    ClickCommand(dialog, ctl::kInstall);
    box = second.WaitMessageBox();
    EXPECT_EQ(kUnrecognisedText, box.text);
    EXPECT_EQ(Lower(Join(driveStart, "")), Lower(second.CurrentDirectory())) << "not entered";
    Answer(box, IDNO);
    ClickCommand(dialog, ctl::kCancel);
    EXPECT_EQ(1, second.WaitExit());
}

TEST_F(SetupGui, NonEmptyDirectoryNeedsConsent)
{
    Launch();
    const std::string dir = Join(base, "data");
    ASSERT_TRUE(MakeDirs(dir) && WriteText(Join(dir, "notes.txt"), "mine"));

    Install(dir);
    Answer(ExpectBox(kWarning, kNotEmptyText, true), IDNO);
    ExpectDialogOpen();
    EXPECT_EQ(std::vector<std::string>{"notes.txt"}, ListFiles(dir));

    ClickCommand(setup.Dialog(), ctl::kInstall);
    Answer(ExpectBox(kWarning, kNotEmptyText, true), IDYES);
    AnswerFinish(IDNO);
    ExpectInstalled(dir);
    EXPECT_TRUE(Exists(Join(dir, "notes.txt")));
}

TEST_F(SetupGui, CurrentGenerationIsCleanedWithoutQuestion)
{
    Launch();
    const std::string dir = Join(base, "current");
    ASSERT_TRUE(MakeDirs(Join(dir, "templates\\Flat")) && MakeDirs(Join(dir, "templates\\Mine")));
    WriteText(Join(dir, "varnik.exe"), "old program");
    WriteText(Join(dir, "varnik.ini"), "[VarnikPlus]\r\nUseMMX=1\r\n");
    WriteText(Join(dir, "varnik.hlp"), "help");
    WriteText(Join(dir, "varnik.gid"), "index");
    WriteText(Join(dir, "templates\\Flat\\stale.bmp"), "stale");
    WriteText(Join(dir, "templates\\Mine\\keep.bmp"), "mine");

    Install(dir);
    AnswerFinish(IDNO);
    ExpectInstalled(dir);
    EXPECT_FALSE(Exists(Join(dir, "varnik.hlp")));
    EXPECT_FALSE(Exists(Join(dir, "varnik.gid")));
    EXPECT_FALSE(Exists(Join(dir, "templates\\Flat\\stale.bmp")));
    EXPECT_TRUE(Exists(Join(dir, "templates\\Mine\\keep.bmp")));
    EXPECT_TRUE(Exists(Join(dir, "varnik.ini")));
}

// An older generation: files, templates folder, Start Menu folder, desktop
// shortcut and uninstall key.
class OlderGeneration : public SetupGui {
protected:
    void SetUp() override
    {
        SetupGui::SetUp();
        dir = Join(base, "older");
        ASSERT_TRUE(MakeDirs(Join(dir, "templates")) && MakeDirs(Join(programs, "varnik")));
        for (const char *name : {"readme.txt", "template.txt", "regform.txt", "varnik.exe", "varnik.hlp",
                                 "varnik.gid", "extra.dat"})
            WriteText(Join(dir, name), name);
        WriteText(Join(dir, "varnik.ini"), "[Varnik]\r\nSwap_R&B=0\r\n");
        WriteText(Join(dir, "templates\\old.bmp"), "old");
        WriteText(Join(programs, "varnik\\Varnik.lnk"), "link");
        WriteText(Join(desktop, "varnik.lnk"), "link");
        CreateUninstallKey("Varnik", "Varnik");
    }
    void TearDown() override
    {
        DeleteUninstallKey("Varnik");
        SetupGui::TearDown();
    }
    std::string dir;
};

TEST_F(OlderGeneration, RefusalEndsSetupAndKeepsEverything)
{
    Launch();
    Install(dir);
    Answer(ExpectBox(kWarning, kOlderText, true), IDNO);
    EXPECT_EQ(1, setup.WaitExit()) << "no finish prompt after the refusal";
    EXPECT_TRUE(Exists(Join(dir, "varnik.ini")));
    EXPECT_TRUE(Exists(Join(dir, "templates\\old.bmp")));
    EXPECT_TRUE(Exists(Join(programs, "varnik\\Varnik.lnk")));
    EXPECT_TRUE(UninstallKeyExists("Varnik"));
    EXPECT_FALSE(Exists(Join(dir, SetupConfig.helpFileName))) << "nothing extracted";
}

TEST_F(OlderGeneration, ConsentRemovesItAndInstalls)
{
    Launch();
    Install(dir);
    Answer(ExpectBox(kWarning, kOlderText, true), IDYES);
    AnswerFinish(IDNO);
    ExpectInstalled(dir);
    for (const char *name :
         {"readme.txt", "template.txt", "regform.txt", "varnik.hlp", "varnik.gid", "varnik.ini"})
        EXPECT_FALSE(Exists(Join(dir, name))) << name;
    EXPECT_TRUE(Exists(Join(dir, "extra.dat")));
    EXPECT_TRUE(Exists(Join(dir, "oldtemplates\\old.bmp")));
    EXPECT_FALSE(Exists(Join(programs, "varnik")));
    EXPECT_FALSE(Exists(Join(desktop, "varnik.lnk")));
    EXPECT_FALSE(UninstallKeyExists("Varnik"));
}

TEST_F(SetupGui, UnrecognisedProgramNeedsConsentAndIsOverwrittenAsIs)
{
    Launch();
    const std::string dir = Join(base, "unknown");
    ASSERT_TRUE(MakeDirs(dir));
    WriteText(Join(dir, "varnik.exe"), "someone else's");
    WriteText(Join(dir, "varnik.hlp"), "help");

    Install(dir);
    Answer(ExpectBox(kWarning, kUnrecognisedText, true), IDNO);
    ExpectDialogOpen();
    const std::vector<uint8_t> untouched = ReadBytes(Join(dir, "varnik.exe"));
    EXPECT_EQ("someone else's", std::string(untouched.begin(), untouched.end()));

    ClickCommand(setup.Dialog(), ctl::kInstall);
    Answer(ExpectBox(kWarning, kUnrecognisedText, true), IDYES);
    AnswerFinish(IDNO);
    ExpectInstalled(dir);
    EXPECT_TRUE(Exists(Join(dir, "varnik.hlp"))) << "no clean-up without a known generation";
}

// An existing directory that is a link is refused at Install: nothing is
// asked, cleaned or written where it points, and the dialog stays open.
TEST_F(SetupGui, LinkedDirectoryIsRefusedWithDialogKeptOpen)
{
    const std::string outside = Join(base, "outside"), linked = Join(base, "linked");
    ASSERT_TRUE(MakeDirs(outside) && WriteText(Join(outside, "varnik.exe"), "someone else's"));
    if (!folder_link::MakeFolderLink(linked, outside))
        GTEST_SKIP() << "no folder link can be made here";
    HWND dialog = Launch();
    Install(linked + "\\");
    Answer(ExpectBox(kWarning, kLinkText, false), IDOK);
    ExpectDialogOpen();
    EXPECT_EQ(linked + "\\", WindowText(GetDlgItem(dialog, ctl::kDirEdit)));
    EXPECT_EQ(std::vector<std::string>{"varnik.exe"}, ListFiles(outside));

    Cancel();
    EXPECT_EQ(std::vector<std::string>{"varnik.exe"}, ListFiles(outside));
    folder_link::RemoveLink(linked);
}

// The current generation's "templates" is a link to another folder: neither
// the clean-up nor the extraction reaches into that folder; the install
// ends with the extraction error.
TEST_F(SetupGui, LinkedTemplatesFolderFailsTheInstallAndStaysUntouched)
{
    const std::string dir = Join(base, "current"), outside = Join(base, "outside");
    ASSERT_TRUE(MakeDirs(dir) && MakeDirs(Join(outside, "Flat")));
    WriteText(Join(dir, "varnik.exe"), "old program");
    WriteText(Join(dir, "varnik.ini"), "[VarnikPlus]\r\nUseMMX=1\r\n");
    WriteText(Join(outside, "Flat\\stale.bmp"), "precious");
    if (!folder_link::MakeFolderLink(Join(dir, "templates"), outside))
        GTEST_SKIP() << "no folder link can be made here";
    Launch();
    Install(dir);
    Answer(ExpectBox(kError, kExtractFailedText, false), IDOK);
    EXPECT_EQ(1, setup.WaitExit()) << "no finish prompt after a failed extraction";
    EXPECT_EQ(std::vector<std::string>{"Flat\\stale.bmp"}, ListFiles(outside));
    folder_link::RemoveLink(Join(dir, "templates"));
}

// A relative directory is taken from the directory setup.exe runs in, and
// named in full where it is named again: the uninstall entry and the
// shortcuts work from any folder.
TEST_F(SetupGui, RelativeDirectoryIsMadeFull)
{
    Launch();
    Install("RelTarget");
    AnswerFinish(IDNO);
    const std::string dir = Join(start, "RelTarget");
    ExpectInstalled(dir);
    EXPECT_EQ("\"" + Join(dir, MainProgram()) + "\" " + SetupConfig.uninstallSwitch,
              ReadUninstallValue(SetupConfig.productName, "UninstallString"));
}

// A folder above the directory that is a link another user made (not an
// administrator nor the system) is refused like a linked directory: nothing
// is written where it leads, and the dialog stays open. (An administrator's
// link, such as the system's own redirected folders, is followed; Wine
// keeps no owner, so every link it shows is another user's.)
TEST_F(SetupGui, LinkAboveTheDirectoryIsRefusedWithDialogKeptOpen)
{
    const std::string outside = Join(base, "outside"), linked = Join(base, "linked");
    ASSERT_TRUE(MakeDirs(outside));
    if (!folder_link::MakeFolderLink(linked, outside))
        GTEST_SKIP() << "no folder link can be made here";
    Launch();
    Install(Join(linked, "VarnikPlus"));
    Answer(ExpectBox(kWarning, kLinkText, false), IDOK);
    ExpectDialogOpen();
    EXPECT_TRUE(ListTree(outside).empty()) << "written where the link leads";
    Cancel();
    folder_link::RemoveLink(linked);
}

// Only the last level is created: a missing parent fails the extraction.
// While the error is shown, the dialog is locked as during the extraction.
TEST_F(SetupGui, MissingParentEndsWithExtractionError)
{
    HWND dialog = Launch();
    Install(Join(base, "missing\\VarnikPlus"));
    MessageBoxSeen box = ExpectBox(kError, kExtractFailedText, false);
    EXPECT_FALSE(ControlEnabled(dialog, ctl::kInstall)) << "Install disabled";
    EXPECT_FALSE(ControlVisible(dialog, ctl::kDesktopIcon)) << "checkbox hidden";
    EXPECT_FALSE(ControlVisible(dialog, ctl::kBrowse)) << "browse hidden";
    EXPECT_TRUE(ControlVisible(dialog, ctl::kDirEdit) && ControlEnabled(dialog, ctl::kCancel));
    Answer(box, IDOK);
    EXPECT_EQ(1, setup.WaitExit()) << "no finish prompt after a failed extraction";
    EXPECT_FALSE(Exists(Join(base, "missing")));
}

TEST_F(SetupGui, MissingProgramsFolderWarnsThenOffersLaunch)
{
    SetShellFolder("Programs", NULL);
    Launch();
    const std::string dir = Join(base, "VarnikPlus");
    Install(dir);
    Answer(ExpectBox(kWarning, kShortcutFailedText, false), IDOK);
    AnswerFinish(IDNO);
    EXPECT_EQ(probe, ReadBytes(Join(dir, MainProgram())));
    EXPECT_FALSE(UninstallKeyExists(SetupConfig.productName));
    ExpectNotLaunched(dir);
}

// Yes starts the installed program in its directory, by its quoted path, with
// the show command SW_SHOWNORMAL: a "Program.exe" where the unquoted path
// would break at the blank stays idle.
TEST_F(SetupGui, FinishYesLaunchesProgramInInstallDir)
{
    Launch();
    const std::string dir = Join(base, "Program Files\\VarnikPlus");
    ASSERT_TRUE(MakeDirs(Join(base, "Program Files")));
    ASSERT_TRUE(WriteBytes(Join(base, "Program.exe"), probe));
    Install(dir);
    AnswerFinish(IDYES);
    ASSERT_TRUE(setup.WaitAllProcessesEnded()) << "the program has not ended";

    std::vector<uint8_t> report = ReadBytes(Join(dir, "launched.txt"));
    const std::string text(report.begin(), report.end());
    EXPECT_NE(std::string::npos, Lower(text).find(Lower("cwd=" + dir + "\r\n"))) << text;
    EXPECT_NE(std::string::npos, Lower(text).find(Lower("cmd=\"" + Join(dir, MainProgram()) + "\""))) << text;
    EXPECT_NE(std::string::npos, text.find("show=" + std::to_string(SW_SHOWNORMAL) + "\r\n")) << text;
    EXPECT_FALSE(Exists(Join(base, "launched.txt"))) << "Program.exe was started instead";
    // Started by the desktop's shell, as the signed-in user, where one
    // answers; else by setup.exe itself. Wine registers no server for the
    // shell windows (creating them fails with REGDB_E_KEYMISSING), so under
    // Wine setup.exe starts it.
    const size_t parent = text.find("parent=");
    ASSERT_NE(std::string::npos, parent) << text;
    const DWORD startedBy = strtoul(text.c_str() + parent + 7, nullptr, 10);
    if (GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version"))
        EXPECT_EQ(setup.Pid(), startedBy) << "not started by setup.exe itself under Wine";
    else
        EXPECT_NE(setup.Pid(), startedBy) << "started elevated where the shell could start it";
}

// ------------------------------------------------------------ planted DLLs

// What Wine loads from beside the program before the program's first
// instruction, measured with gui_dll_search_probe (the same imports as
// setup.exe, the search restricted first, nothing else); no program can
// prevent these loads. Wine's gdi32 imports version.dll, and Wine resolves
// the imports of the program's DLLs with the program's folder first; on
// Windows gdi32 and its imports come from the system folder.
const std::vector<std::string> kWineBaseline = {"version"};

// The DLLs to plant: those that Wine is told to look for beside the program
// first (WINEDLLOVERRIDES "<names>=n,b", set by the test's ctest entry, as
// Wine reads it only from the environment it started with).
std::vector<std::string> PlantedDllNames()
{
    char value[4096] = "";
    const DWORD length = GetEnvironmentVariableA("WINEDLLOVERRIDES", value, sizeof value);
    std::vector<std::string> names;
    std::string entries = length < sizeof value ? std::string(value) + ";" : ";";
    for (size_t start = 0, end; (end = entries.find(';', start)) != std::string::npos; start = end + 1) {
        const std::string entry = entries.substr(start, end - start);
        const size_t equals = entry.find('=');
        if (equals == std::string::npos || entry.substr(equals + 1) != "n,b")
            continue;
        std::string list = entry.substr(0, equals) + ",";
        for (size_t from = 0, comma; (comma = list.find(',', from)) != std::string::npos; from = comma + 1)
            if (comma > from)
                names.push_back(Lower(list.substr(from, comma - from)));
    }
    return names;
}

// Runs program (with arguments) in dir; its exit code.
int RunProgram(const std::string &program, const std::string &arguments, const std::string &dir)
{
    SetupProcess process;
    return process.Start(program, dir, arguments) ? process.WaitExit() : -1;
}

// The planted DLLs of dir that left their marker (lower case, without
// ".dll"), removing the markers.
std::vector<std::string> TakeLoadedMarkers(const std::string &dir)
{
    std::vector<std::string> loaded;
    const std::string suffix = ".dll.loaded";
    for (const std::string &file : ListFiles(dir)) {
        const std::string lower = Lower(file);
        if (lower.size() > suffix.size() &&
            lower.compare(lower.size() - suffix.size(), suffix.size(), suffix) == 0) {
            loaded.push_back(lower.substr(0, lower.size() - suffix.size()));
            DeleteFileA(Join(dir, file).c_str());
        }
    }
    return loaded;
}

// The loaded names beyond Wine's baseline, each after a blank.
std::string BeyondBaseline(const std::vector<std::string> &loaded)
{
    std::string beyond;
    for (const std::string &name : loaded)
        if (std::find(kWineBaseline.begin(), kWineBaseline.end(), name) == kWineBaseline.end())
            beyond += " " + name;
    return beyond;
}

// setup.exe started from a folder that holds planted DLLs (a Downloads
// folder) loads none of them during a folder browse and a whole install.
TEST_F(SetupGui, PlantedDllsBesideSetupAreNotLoaded)
{
    const std::vector<std::string> names = PlantedDllNames();
    ASSERT_GE(names.size(), 7u) << "run with WINEDLLOVERRIDES naming the DLLs to plant (=n,b)";
    const std::string downloads = Join(base, "downloads");
    ASSERT_TRUE(MakeDirs(downloads));
    const std::vector<uint8_t> planted = ReadBytes(Join(bin, "planted.dll"));
    ASSERT_FALSE(planted.empty()) << "planted.dll missing next to the tests";
    for (const std::string &name : names)
        ASSERT_TRUE(WriteBytes(Join(downloads, name + ".dll"), planted));
    const std::string probeCopy = Join(downloads, "dll_search_probe.exe");
    ASSERT_TRUE(WriteBytes(probeCopy, ReadBytes(Join(bin, "gui_dll_search_probe.exe"))));
    const std::string setupCopy = Join(downloads, "setup.exe");
    ASSERT_TRUE(WriteBytes(setupCopy, ReadBytes(probeSetup)));

    // The control: without the restriction a planted DLL is found.
    EXPECT_EQ(0, RunProgram(probeCopy, "unrestricted", downloads));
    const std::vector<std::string> control = TakeLoadedMarkers(downloads);
    EXPECT_NE(control.end(), std::find(control.begin(), control.end(), "version"))
        << "a planted DLL is not seen at all; loaded:" << ::testing::PrintToString(control);

    // The baseline: what Wine loads before the first instruction.
    EXPECT_EQ(0, RunProgram(probeCopy, "", downloads));
    EXPECT_EQ("", BeyondBaseline(TakeLoadedMarkers(downloads))) << "Wine's own baseline has grown";

    // Every planted name loaded by name after the restriction: only the
    // system's copies are found.
    std::string allNames;
    for (const std::string &name : names)
        allNames += " " + name;
    EXPECT_EQ(0, RunProgram(probeCopy, "load" + allNames, downloads));
    EXPECT_EQ("", BeyondBaseline(TakeLoadedMarkers(downloads)))
        << "planted DLLs loaded by name after the restriction";

    // A folder browse, cancelled, then the dialog cancelled. The markers
    // are checked whatever happened, as a planted DLL may break the run.
    ASSERT_TRUE(setup.Start(setupCopy, downloads));
    HWND dialog = setup.WaitDialog();
    EXPECT_TRUE(dialog) << "no install dialog";
    if (dialog) {
        HWND browser = setup.OpenBrowser();
        EXPECT_TRUE(browser) << "no folder browser";
        if (browser) {
            ClickCommand(browser, IDCANCEL);
            EXPECT_TRUE(SetupProcess::WaitGone(browser));
        }
        ClickCommand(dialog, ctl::kCancel);
        EXPECT_EQ(1, setup.WaitExit());
    }
    setup.Kill();
    EXPECT_EQ("", BeyondBaseline(TakeLoadedMarkers(downloads))) << "planted DLLs loaded by a folder browse";

    // A whole install, the finish prompt answered No. Wine's folder browser
    // has written the real folders back into Shell Folders.
    SetShellFolder("Programs", programs.c_str());
    SetShellFolder("Desktop", desktop.c_str());
    SetupProcess installing;
    ASSERT_TRUE(installing.Start(setupCopy, downloads));
    dialog = installing.WaitDialog();
    EXPECT_TRUE(dialog) << "no install dialog";
    const std::string dir = Join(base, "VarnikPlus");
    if (dialog) {
        SetWindowTextRemote(GetDlgItem(dialog, ctl::kDirEdit), dir);
        ClickCommand(dialog, ctl::kInstall);
        MessageBoxSeen finish = installing.WaitMessageBox();
        EXPECT_EQ(kFinish, finish.caption) << finish.text;
        if (finish.window)
            Answer(finish, IDNO);
        EXPECT_EQ(1, installing.WaitExit());
        ExpectInstalled(dir);
    }
    installing.Kill();
    EXPECT_EQ("", BeyondBaseline(TakeLoadedMarkers(downloads))) << "planted DLLs loaded by an install";
}

// The installer as built, with the sample product's payload.
TEST_F(SetupGui, BuiltPayloadInstallsCompletely)
{
    const int records = CountPayloadRecords(realSetup);
    if (records == 0)
        GTEST_SKIP() << "setup.exe carries no sample payload in this build";
    Launch(realSetup);
    const std::string dir = Join(base, "VarnikPlus");
    Install(dir);
    AnswerFinish(IDNO);
    EXPECT_EQ((size_t)records, ListFiles(dir).size());
    EXPECT_TRUE(Exists(Join(dir, MainProgram())));
    EXPECT_TRUE(Exists(Join(dir, SetupConfig.helpFileName)));
    const std::vector<uint8_t> built = ReadBytes(Join(bin, MainProgram()));
    if (!built.empty()) {
        EXPECT_EQ(built, ReadBytes(Join(dir, MainProgram()))) << "main program differs";
    }
}

// An installer whose configuration resource is missing or damaged shows one
// error box, without owner and before any dialog, and ends with 1 when it is
// answered, having written nothing: no file in its start folder, the Start
// Menu, the desktop or the proposed directory, no uninstall entry. The bare
// stub is the installer without the resource; the others are setup.exe with
// its resource changed.
TEST_F(SetupGui, InvalidConfigurationSaysSoAndWritesNothing)
{
    const char kNoConfigText[] =
        "This setup program holds no valid product description.\nIt cannot install anything.";
    const Bytes built = ReadResource(realSetup, "ZCFG", 120);
    ASSERT_EQ(3684u, built.size());
    auto setU32 = [](Bytes image, size_t offset, uint32_t value) {
        std::memcpy(image.data() + offset, &value, 4);
        return image;
    };
    Bytes unterminated = built;
    std::fill(unterminated.begin() + 304, unterminated.begin() + 564, 'n');   // productName
    struct Case {
        const char *name;
        bool bareStub;
        Bytes image;
    };
    const Case cases[] = {
        {"bare stub", true, {}},
        {"one byte short", false, Bytes(built.begin(), built.end() - 1)},
        {"version 2", false, setU32(built, 4, 2)},
        {"unterminated productName", false, unterminated},
        {"fileCount 0", false, setU32(built, 16, 0)},
    };
    const std::string proposal = std::string(SetupConfig.defaultParentDir) + "\\" + SetupConfig.folderName;
    const bool proposalExisted = Exists(proposal);
    int index = 0;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const std::string exe = Join(base, "case" + std::to_string(index++) + ".exe");
        if (c.bareStub) {
            ASSERT_TRUE(
                CopyFileA(Join(bin, sizeof(void *) == 8 ? "stub-win64.exe" : "stub-win32.exe").c_str(),
                          exe.c_str(), FALSE));
        } else {
            ASSERT_TRUE(CopyFileA(realSetup.c_str(), exe.c_str(), FALSE));
            ASSERT_TRUE(SetResource(exe, "ZCFG", 120, c.image));
            ASSERT_EQ(c.image, ReadResource(exe, "ZCFG", 120));
        }
        ASSERT_TRUE(setup.Start(exe, start));
        MessageBoxSeen box = setup.WaitMessageBox(20000);
        EXPECT_NE((HWND)NULL, box.window) << "no error box";
        EXPECT_EQ(kError, box.caption);
        EXPECT_EQ(kNoConfigText, box.text);
        EXPECT_EQ("OK", box.buttons);
        EXPECT_EQ("error", box.icon);
        EXPECT_EQ(NULL, box.owner);
        EXPECT_EQ(std::vector<HWND>{box.window}, WindowsOf(setup.Pid())) << "a window besides the box";
        if (HasFailure()) {
            setup.Kill();   // whatever it shows instead, it must not go on
            return;
        }
        Answer(box, IDOK);
        EXPECT_EQ(1, setup.WaitExit());
        EXPECT_TRUE(ListFiles(start).empty()) << "written in the start folder";
        EXPECT_TRUE(ListFiles(programs).empty()) << "written in the Start Menu";
        EXPECT_TRUE(ListFiles(desktop).empty()) << "written on the desktop";
        EXPECT_EQ(proposalExisted, Exists(proposal));
        EXPECT_FALSE(UninstallKeyExists(SetupConfig.productName));
    }
}

// Another product's installer, made by zar from tests/config/other-product.ini
// (by default the build's bin/other-product-setup.exe; SETUP_OTHER_PRODUCT_EXE
// names another, e.g. one made by the packaged zar), installed on its
// proposed directory: what it shows and installs is what that description
// says, read here by the platform's own profile reader.
TEST_F(SetupGui, OtherProductInstallsAsItsDescriptionSays)
{
    char named[MAX_PATH] = "";
    GetEnvironmentVariableA("SETUP_OTHER_PRODUCT_EXE", named, sizeof named);
    const std::string exe = named[0] ? WinPath(named) : Join(bin, kOtherProductInstaller);
    ASSERT_TRUE(FileExists(exe)) << exe;
    const std::string ini = WinPath(OTHER_PRODUCT_INI);
    auto value = [&ini](const char *section, const char *key) {
        char text[512] = "";
        GetPrivateProfileStringA(section, key, "", text, sizeof text, ini.c_str());
        EXPECT_NE('\0', text[0]) << key << " missing in " << ini;
        return std::string(text);
    };
    const std::string title = value("Product", "titleText"), product = value("Product", "productName");
    const std::string program = value("Product", "exeBaseName") + ".exe";
    const std::string help = value("Product", "helpFileName");
    const std::string proposal = value("Product", "defaultParentDir") + "\\" + value("Product", "folderName");
    const std::string uninstallSwitch = value("Options", "uninstallSwitch");
    const int fileCount = std::stoi(value("Payload", "fileCount"));
    const int iconIndex = std::stoi(value("Options", "uninstallIconIndex"));
    ASSERT_NE(product, SetupConfig.productName) << "the other product is this build's";

    RemoveTree(proposal);
    DeleteUninstallKey(product);
    ASSERT_TRUE(MakeDirs(value("Product", "defaultParentDir")));
    HWND dialog = Launch(exe);
    ASSERT_NE((HWND)NULL, dialog);
    EXPECT_EQ("Installing " + title, WindowText(dialog));
    EXPECT_EQ(proposal, WindowText(GetDlgItem(dialog, ctl::kDirEdit)));
    ClickCommand(dialog, ctl::kInstall);
    MessageBoxSeen box = setup.WaitMessageBox();
    EXPECT_EQ(kFinish, box.caption);
    EXPECT_EQ(product +
                  " has successfully\ninstalled to your computer.\nDo you want to launch the program now?",
              box.text);
    Answer(box, IDNO);
    EXPECT_EQ(1, setup.WaitExit());

    EXPECT_EQ((size_t)fileCount, ListFiles(proposal).size());
    EXPECT_TRUE(FileExists(Join(proposal, program)));
    EXPECT_TRUE(FileExists(Join(proposal, help)));
    const std::string menu = Join(programs, product);
    const std::string installed = Lower(Join(proposal, program));
    EXPECT_EQ(installed, Lower(ReadLink(Join(menu, product + ".lnk")).path));
    EXPECT_EQ(Lower(Join(proposal, help)),
              Lower(ReadLink(Join(menu, value("Product", "helpShortcutName"))).path));
    const LinkInfo uninstall = ReadLink(Join(menu, "Uninstall " + product + ".lnk"));
    EXPECT_EQ(installed, Lower(uninstall.path));
    EXPECT_EQ(uninstallSwitch, uninstall.arguments);
    EXPECT_EQ(iconIndex, uninstall.iconIndex);
    EXPECT_EQ(installed, Lower(ReadLink(Join(desktop, product + ".lnk")).path));
    EXPECT_EQ(product, ReadUninstallValue(product, "DisplayName"));
    EXPECT_EQ("\"" + Join(proposal, program) + "\" " + uninstallSwitch,
              ReadUninstallValue(product, "UninstallString"));
    ExpectNotLaunched(proposal);
    RemoveTree(proposal);
    DeleteUninstallKey(product);
}

// This test program has no dialog template (ctl::kDialogTemplate): RunSetup, run here, cannot
// create its dialog, says so and ends without a finish prompt.
TEST(SetupWithoutDialog, TellsTheUserAndEnds)
{
    MessageBoxSeen box;
    std::thread user([&box]() {
        box = FindMessageBox(GetCurrentProcessId(), NULL, 20000);
        if (box.window)
            Answer(box, IDOK);
    });
    EXPECT_EQ(1, RunSetup(GetModuleHandleA(NULL), NULL, (LPSTR) "", SW_SHOWNORMAL));
    user.join();
    EXPECT_EQ("Error..!", box.caption);
    EXPECT_EQ("Setup can not show its window and has to stop.", box.text);
    EXPECT_EQ("OK", box.buttons);
    EXPECT_EQ("error", box.icon);
    EXPECT_EQ(NULL, SetupState.dialogWindow);
}

}   // namespace
