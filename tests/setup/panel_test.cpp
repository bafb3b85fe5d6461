// The progress panel painted into a memory bitmap: the idle look, the bar and
// its fill arithmetic, and the fitted path text with its ellipsis.
#include "gui_driver.h"
#include "iat_hook.h"
#include "progress_panel.h"
#include "setup_state.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const uint32_t kFace = gui::Canvas::Pixel(GetSysColor(COLOR_BTNFACE));
const uint32_t kHighlight = gui::Canvas::Pixel(GetSysColor(COLOR_HIGHLIGHT));
const int kPlain = -1000;

// The width of text in the dialog font.
int TextWidth(const std::string &text)
{
    gui::Canvas canvas(1, 1);
    SIZE size;
    GetTextExtentPoint32A(canvas.dc(), text.c_str(), (int)text.size(), &size);
    return size.cx;
}

// What DrawFittedText leaves on a white canvas (limit >= 0), or what plain
// TextOutA of the text leaves (no limit): the two must be the same pixels
// for the expected text.
std::vector<uint32_t> Fitted(const std::string &text, int limit)
{
    gui::Canvas canvas(400, 20);
    canvas.Fill(RGB(255, 255, 255));
    SetBkMode(canvas.dc(), TRANSPARENT);
    if (limit == kPlain)
        TextOutA(canvas.dc(), 4, 2, text.c_str(), (int)text.size());
    else
        DrawFittedText(canvas.dc(), 4, 2, text.c_str(), limit);
    return canvas.Pixels();
}

std::vector<uint32_t> Plain(const std::string &text)
{
    return Fitted(text, kPlain);
}

class PanelPaint : public ::testing::Test {
protected:
    static void Reset(int extracting, int total)
    {
        SetupState.extracting = extracting;
        SetupState.progressTotal = total;
        SetupState.progressDone = 0;
        SetupState.currentFile[0] = '\0';
    }
    void SetUp() override { Reset(1, 119); }
    void TearDown() override { Reset(0, 0); }
    // A panel of width x 32 pixels painted on a canvas of another colour.
    static void Paint(gui::Canvas &canvas, int width)
    {
        canvas.Fill(RGB(1, 2, 3));
        RECT client = {0, 0, width, kHeight};
        PaintProgressPanel(canvas.dc(), &client);
    }
    // The width of the fill measured along the middle of the fill area
    // (rows H-16 .. H-11).
    int PaintedFill(int width)
    {
        gui::Canvas canvas(width, kHeight);
        Paint(canvas, width);
        int fill = 0;
        while (2 + fill < width && canvas.At(2 + fill, kHeight - 13) == kHighlight)
            ++fill;
        for (int x = 2 + fill; x < width - 2; ++x)
            EXPECT_NE(kHighlight, canvas.At(x, kHeight - 13)) << "stray fill at " << x;
        return fill;
    }
    static const int kHeight = 32;
};

TEST_F(PanelPaint, FillIsTheDoneShareOfTheFillArea)
{
    // Fill area 278 pixels wide: 60 of 119 files give 16680 / 119 = 140.
    for (auto [done, fill] : {std::pair{60, 140}, {1, 2}, {0, 0}, {119, 278}}) {
        SetupState.progressDone = done;
        EXPECT_EQ(fill, PaintedFill(282)) << done << " files done";
    }
}

TEST_F(PanelPaint, BarIsFullWithoutTotalOrBeyondIt)
{
    SetupState.progressTotal = 0;
    SetupState.progressDone = 5;
    EXPECT_EQ(278, PaintedFill(282));
    SetupState.progressTotal = 119;
    SetupState.progressDone = 120;
    EXPECT_EQ(278, PaintedFill(282));
}

TEST_F(PanelPaint, ProgressLookHasSunkenBarAndPathAboveIt)
{
    lstrcpyA(SetupState.currentFile, "C:\\Program Files\\VarnikPlus\\varnik.exe");
    SetupState.progressDone = 1;
    gui::Canvas canvas(282, kHeight);
    Paint(canvas, 282);

    EXPECT_NE(kFace, canvas.At(0, kHeight - 18)) << "edge of the bar";
    EXPECT_NE(kFace, canvas.At(281, kHeight - 9)) << "edge of the bar";
    EXPECT_EQ(kFace, canvas.At(140, kHeight - 7)) << "below the bar";
    EXPECT_EQ(kFace, canvas.At(140, kHeight - 1));
    int textPixels = 0;
    for (int y = 0; y < kHeight - 19; ++y)
        for (int x = 0; x < 282; ++x)
            textPixels += canvas.At(x, y) != kFace;
    EXPECT_GT(textPixels, 50) << "the path is drawn above the bar";
    for (int x = 0; x < 4; ++x)
        for (int y = 0; y < kHeight - 19; ++y)
            EXPECT_EQ(kFace, canvas.At(x, y)) << "text starts at x = 4";
}

TEST_F(PanelPaint, IdleLookIsOneEtchedLineWhateverTheState)
{
    SetupState.extracting = 0;
    SetupState.progressDone = 60;
    lstrcpyA(SetupState.currentFile, "C:\\Program Files\\VarnikPlus\\varnik.exe");
    gui::Canvas canvas(282, kHeight);
    Paint(canvas, 282);

    int lines = 0;
    for (int y = 0; y < kHeight; ++y) {
        int marked = 0;
        for (int x = 0; x < 282; ++x)
            marked += canvas.At(x, y) != kFace;
        EXPECT_TRUE(marked == 0 || marked == 282) << "row " << y << " is not a full line";
        lines += marked == 282;
        if (marked) {
            EXPECT_GE(y, kHeight - 4) << "line near the bottom only";
        }
    }
    EXPECT_GE(lines, 1);
    EXPECT_LE(lines, 2) << "an etched line is one or two pixels";
}

TEST(FittedText, TextThatFitsIsDrawnUnchanged)
{
    const std::string text = "C:\\Program Files\\VarnikPlus\\readme.htm";
    const int exact = TextWidth(text);
    EXPECT_EQ(Plain(text), Fitted(text, exact)) << "exactly as wide as the limit";
    EXPECT_EQ(Plain(text), Fitted(text, exact + 50));
    EXPECT_NE(Plain(text), Fitted(text, exact - 1));
}

TEST(FittedText, LongPathLosesItsEndFirst)
{
    const std::string text = "C:\\Program Files\\VarnikPlus\\templates\\Flat\\button.bmp";
    const std::string expected = "C:\\Program Files\\VarnikPlus\\tem...";
    const int limit = TextWidth(expected);
    const int longer = TextWidth("C:\\Program Files\\VarnikPlus\\temp...");
    ASSERT_GT(longer, limit);
    EXPECT_EQ(Plain(expected), Fitted(text, limit));
    EXPECT_EQ(Plain(expected), Fitted(text, longer - 1));
}

TEST(FittedText, SpacesBeforeTheDotsAreDropped)
{
    const int limit = TextWidth("VarnikPlus  ...");
    // Cutting "VarnikPlus  setup" reaches "VarnikPlus  s..." and then
    // "VarnikPlus..." (both blanks go), which fits.
    EXPECT_EQ(Plain("VarnikPlus..."), Fitted("VarnikPlus  setup", limit));
}

TEST(FittedText, NothingVisibleForEmptyTextOrNoRoomAtAll)
{
    const std::vector<uint32_t> blank = Plain("");
    EXPECT_EQ(blank, Fitted("", 100));
    EXPECT_EQ(blank, Fitted("", 0));
    EXPECT_EQ(blank, Fitted("VarnikPlus", 0)) << "not even the dots fit";
    EXPECT_EQ(blank, Fitted("VarnikPlus", -8));
    const int dots = TextWidth("...");
    EXPECT_EQ(Plain("..."), Fitted("VarnikPlus", dots)) << "the cut stops at the start";
    EXPECT_EQ(Plain("..."), Fitted("  VarnikPlus", dots + 1));
}

// At every limit from nothing to the whole text's width, the text drawn is
// the longest start of the text, one character shorter at least and not
// ending in a space, that fits together with "..." measured with it.
TEST(FittedText, EveryLimitKeepsTheLongestStartThatFits)
{
    // Ending in a character wider than the dots, so that even the longest
    // cut (the last character only) is the answer at some limit.
    std::string text = "C:\\Program Files\\Atlas\\include\\x86_64 linux  gnu\\bits\\types.";
    for (char wide : std::string("WM@%")) {
        if (TextWidth(std::string(1, wide)) > TextWidth("...")) {
            text += wide;
            break;
        }
    }
    ASSERT_NE(text.back(), '.') << "no character wider than the dots in this font";
    const int whole = TextWidth(text);
    std::vector<int> widths;   // of each start with the dots
    for (size_t kept = 0; kept < text.size(); ++kept)
        widths.push_back(TextWidth(text.substr(0, kept) + "..."));
    std::string previous = "none";
    for (int limit = 0; limit < whole; ++limit) {
        std::string expected;
        for (size_t kept = text.size() - 1; expected.empty(); --kept) {
            if (kept > 0 && text[kept - 1] == ' ')
                continue;
            if (widths[kept] <= limit)
                expected = text.substr(0, kept) + "...";
            if (kept == 0)
                break;
        }
        if (expected == previous)
            continue;   // the same text as at the limit before: drawn already
        previous = expected;
        EXPECT_EQ(Plain(expected), Fitted(text, limit)) << "limit " << limit << ": " << expected;
    }
}

// A long path is cut with a handful of measurements, not one for every
// character cut off: the panel is painted for every file of the install.
int measurements = 0;
void *realMeasure;
BOOL WINAPI CountMeasure(HDC dc, LPCSTR text, int length, LPSIZE size)
{
    ++measurements;
    return ((BOOL(WINAPI *)(HDC, LPCSTR, int, LPSIZE))realMeasure)(dc, text, length, size);
}

TEST(FittedText, LongPathsAreCutWithFewMeasurements)
{
    testsupport::ImportHook hook("gdi32.dll", "GetTextExtentPoint32A", (void *)CountMeasure);
    realMeasure = hook.Original();
    ASSERT_TRUE(realMeasure) << "call not imported by the program";
    const std::string text = "C:\\Program Files\\Atlas\\" + std::string(200, 'x') + "\\file.h";
    const int limit = TextWidth("C:\\Program Files\\Atlas\\xx...");
    gui::Canvas canvas(400, 20);
    measurements = 0;
    DrawFittedText(canvas.dc(), 4, 2, text.c_str(), limit);
    EXPECT_LE(measurements, 10) << "a measurement per character cut off";
}

TEST(FittedText, TextLongerThanTheWorkingCopyIsCutSafely)
{
    std::string text(300, 'a');
    for (size_t i = 0; i < text.size(); i += 7)
        text[i] = 'W';
    const std::string expected = text.substr(0, 12) + "...";
    const int limit = TextWidth(expected);
    EXPECT_EQ(Plain(expected), Fitted(text, limit));
}

}   // namespace
