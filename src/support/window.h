// Small chores on windows, menus, tool tips and file dialogs. Failures of the
// platform calls pass silently (a zero rectangle, a false flag).
#pragma once

#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#include <string>
#include <vector>

// The window's whole text.
std::string WindowText(HWND window);
// The same in UTF-16, for a Unicode window that holds a path.
std::wstring WideWindowText(HWND window);

// The window rectangle in screen coordinates.
int WindowLeft(HWND window);
int WindowTop(HWND window);
int WindowWidth(HWND window);
int WindowHeight(HWND window);

// A size in pixels at 96 dots per inch, at the screen's dots per inch: the
// program follows the system's display scaling (its manifest says so), so
// every fixed pixel size of its windows goes through this.
int ScaleToScreen(int pixelsAt96);

// Keep size and z-order.
void MoveWindowTo(HWND window, int x, int y);
// Keeps position and z-order.
void ResizeWindow(HWND window, int width, int height);
// Changes only the z-order: HWND_TOPMOST or HWND_NOTOPMOST.
void SetWindowBand(HWND window, HWND insertAfter);
// Adds WS_BORDER and redraws the frame.
void AddBorder(HWND window);

bool IsMenuItemChecked(HMENU menu, UINT command);
void ToggleMenuCheck(HMENU menu, UINT command);
void SetMenuCheck(HMENU menu, UINT command, bool checked);
// Enabled, or grayed.
void SetMenuItemEnabled(HMENU menu, UINT command, bool enabled);
bool IsMenuItemEnabled(HMENU menu, UINT command);

// Gives the edit box the focus and selects its whole text (the selection is
// posted, so it follows the focus change's own selection).
void SelectAllOnFocus(HWND edit);

// The shell's folder browser, starting at the initial folder. Nonzero when a
// folder was picked; the result is empty otherwise.
int BrowseSaveFolder(HWND owner, const char* title, const std::wstring& initialFolder, std::wstring& result);

// The platform's file dialogs. The filter is pairs of zero-terminated texts
// closed by an empty one (L"XML\0*.xml\0"). True when the user chose a file;
// the path is empty when cancelled.
bool ChooseOpenFile(HWND owner, const std::wstring& filter, std::wstring& path);
// Asks before overwriting; the chosen name may not exist yet. Starts at the
// file that path names when it is not empty; with an extension (no dot) the
// dialog adds it to a name typed without one, else the caller does.
bool ChooseSaveFile(HWND owner, const std::wstring& filter, std::wstring& path, const wchar_t* extension = nullptr);
// The same with the filter's type filterIndex (from 1) shown first; gives back
// the type chosen, whose extension a name typed without one gets.
bool ChooseSaveFile(HWND owner, const std::wstring& filter, std::wstring& path, DWORD& filterIndex,
                    const wchar_t* extension);

// The files of a drop, as the file system names them.
std::vector<std::wstring> DroppedFiles(HDROP drop);

// Puts the text on the clipboard (UTF-16); false when the clipboard refused it.
bool CopyToClipboard(HWND owner, const std::wstring& text);

// One tool-tip window and the tools it describes. The tips wrap only at
// explicit line breaks.
class ToolTips {
public:
    ToolTips(HWND parent, HINSTANCE instance, DWORD styles);
    ~ToolTips();
    ToolTips(const ToolTips&) = delete;
    ToolTips& operator=(const ToolTips&) = delete;

    // The tip covers the tool's whole client area. The text must outlive the tool.
    void AddTool(HWND tool, const char* text);
    void SetBackgroundColour(COLORREF colour);
    void SetTextColour(COLORREF colour);

    HWND Window() const { return tips_; }

private:
    HWND tips_ = nullptr;
    TTTOOLINFOA tool_{};
};
