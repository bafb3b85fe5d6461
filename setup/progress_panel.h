// The progress panel: control 1005 of the install dialog, subclassed.
#ifndef SETUP_PROGRESS_PANEL_H
#define SETUP_PROGRESS_PANEL_H

#include <windows.h>

LRESULT CALLBACK ProgressPanelProc(HWND panel, UINT message, WPARAM wParam, LPARAM lParam);
void DrawFittedText(HDC dc, int x, int y, const char *text, int widthLimit);

// Paints the panel's idle or progress look into dc over the client rectangle
// (left and top 0); the whole of ProgressPanelProc's WM_PAINT work.
void PaintProgressPanel(HDC dc, const RECT *client);

#endif
