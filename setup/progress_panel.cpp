// The progress panel: control 1005 of the install dialog. Before the
// extraction it is a plain etched separator; once the extraction runs it shows
// a thin bar filled by the share of files written, with the path of the file
// being written above it, cut with "..." when it is too wide.
#include "progress_panel.h"
#include "extract_progress.h"
#include "setup_state.h"

enum {
    kBarTopFromBottom = 18,   // bar with its sunken edge: H - 18 .. H - 8
    kBarBottomFromBottom = 8,
    kBarEdge = 2,   // the sunken edge is 2 pixels wide
    kTextX = 4,
    kTextBaseFromBottom = 20,                // text bottom: 2 pixels above the bar's edge
    kTextMargin = 8,                         // text may use the fill width less 8 pixels
    kFittedCopySize = 256,                   // working copy of DrawFittedText
    kMaxFittedLength = kFittedCopySize - 3   // text that fits with "..." and NUL
};

LRESULT CALLBACK ProgressPanelProc(HWND panel, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_PAINT)
        return DefWindowProcA(panel, message, wParam, lParam);

    PAINTSTRUCT paint;
    HDC dc = BeginPaint(panel, &paint);
    RECT client;
    GetClientRect(panel, &client);
    PaintProgressPanel(dc, &client);
    EndPaint(panel, &paint);
    return 0;
}

void PaintProgressPanel(HDC dc, const RECT *client)
{
    RECT area = *client;
    const LONG width = area.right;
    const LONG height = area.bottom;

    // Wipe whatever the previous paint left.
    FillRect(dc, &area, GetSysColorBrush(COLOR_BTNFACE));

    if (!SetupState.extracting) {
        // Idle: one etched line near the bottom, a separator above the buttons.
        area.bottom = height - 2;
        DrawEdge(dc, &area, EDGE_ETCHED, BF_BOTTOM);
        return;
    }

    RECT bar = {0, height - kBarTopFromBottom, width, height - kBarBottomFromBottom};
    DrawEdge(dc, &bar, EDGE_SUNKEN, BF_RECT);
    InflateRect(&bar, -kBarEdge, -kBarEdge);
    const LONG fillAreaWidth = bar.right - bar.left;

    // A count beyond the total (or no total at all) shows a full bar.
    const uint32_t total = SetupState.progressTotal;
    const uint32_t done = SetupState.progressDone;
    if (total != 0 && done <= total)
        bar.right = bar.left + (LONG)((uint32_t)(done * (uint32_t)fillAreaWidth) / total);
    FillRect(dc, &bar, GetSysColorBrush(COLOR_HIGHLIGHT));

    HGDIOBJ previousFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    SetTextAlign(dc, TA_BOTTOM | TA_LEFT | TA_NOUPDATECP);
    DrawFittedText(dc, kTextX, height - kTextBaseFromBottom, SetupState.currentFile,
                   fillAreaWidth - kTextMargin);
    SelectObject(dc, previousFont);
}

static int MeasureText(HDC dc, const char *text, int length)
{
    SIZE size = {0, 0};
    GetTextExtentPoint32A(dc, text, length, &size);
    return size.cx;
}

// The kept length without the spaces at its end: the dots never follow a
// space.
static int WithoutTrailingSpaces(const char *text, int kept)
{
    while (kept > 0 && text[kept - 1] == ' ')
        --kept;
    return kept;
}

static void EndWithDots(char *copy, int kept)
{
    copy[kept] = '.';
    copy[kept + 1] = '.';
    copy[kept + 2] = '.';
    copy[kept + 3] = '\0';
}

// Whether the kept part of copy fits with "..." behind it, measured whole,
// the dots with the text; copy is left as it was.
static int FitsWithDots(HDC dc, char *copy, int kept, int widthLimit)
{
    char saved[4];
    for (int i = 0; i < 4; ++i)
        saved[i] = copy[kept + i];
    EndWithDots(copy, kept);
    const int fits = MeasureText(dc, copy, kept + 3) <= widthLimit;
    for (int i = 0; i < 4; ++i)
        copy[kept + i] = saved[i];
    return fits;
}

void DrawFittedText(HDC dc, int x, int y, const char *text, int widthLimit)
{
    int length = lstrlenA(text);
    if (MeasureText(dc, text, length) <= widthLimit) {
        TextOutA(dc, x, y, text, length);
        return;
    }

    // Cut from the end so that the start of a path (drive and install
    // directory) stays visible: the longest start of the text, at least one
    // character shorter and not ending in a space, that fits together with
    // "...". A text longer than the working copy allows is first cut to
    // what fits there together with the ellipsis.
    char copy[kFittedCopySize];
    if (length > kMaxFittedLength)
        length = kMaxFittedLength;
    for (int i = 0; i < length; ++i)
        copy[i] = text[i];

    // A longer start never measures narrower, so the longest one that fits
    // is found by halving: every kept length up to fitting fits, and none
    // beyond notFitting does. The panel measures a handful of candidates per
    // file instead of one for every character cut off a long path.
    int fitting = -1;
    int notFitting = length;
    while (notFitting - fitting > 1) {
        const int middle = fitting + (notFitting - fitting) / 2;
        if (FitsWithDots(dc, copy, WithoutTrailingSpaces(copy, middle), widthLimit))
            fitting = middle;
        else
            notFitting = middle;
    }
    if (fitting < 0)
        return;   // not even the bare "..." fits: draw nothing
    const int kept = WithoutTrailingSpaces(copy, fitting);
    EndWithDots(copy, kept);
    TextOutA(dc, x, y, copy, kept + 3);
}

// The panel is repainted inside this call, before any data of the file is
// written. No panel, no repaint (a null window would invalidate every window
// on the desktop).
void ReportNewFile(const char *path)
{
    lstrcpyA(SetupState.currentFile, path);
    SetupState.progressDone += 1;
    if (SetupState.progressPanel != NULL) {
        InvalidateRect(SetupState.progressPanel, NULL, TRUE);
        UpdateWindow(SetupState.progressPanel);
    }
}
