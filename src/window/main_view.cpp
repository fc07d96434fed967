#include "window/main_view.h"

#include <shellapi.h>

#include "resources/resource.h"
#include "settings/settings.h"
#include "support/window.h"

namespace {

MainFacts& Facts() {
    static MainFacts facts;
    return facts;
}

void SetText(HWND window, const std::string& text) {
    // Unchanged texts are not set again: no flicker at each step.
    if (WindowText(window) != text) ::SetWindowTextA(window, text.c_str());
}

void EnableControl(HWND main, int id, bool enabled) {
    HWND control = ::GetDlgItem(main, id);
    if ((::IsWindowEnabled(control) != FALSE) == enabled) return;
    // Disabling the control that has the focus would leave the keyboard nowhere.
    if (!enabled && ::GetFocus() == control) ::SendMessageA(main, WM_NEXTDLGCTL, 0, FALSE);
    ::EnableWindow(control, enabled);
}

struct MenuRow {
    UINT id;
    bool MainView::*enabled;
};

const MenuRow kMenuRows[] = {
    {IDM_FETCH, &MainView::fetchItem},
    {IDM_FETCH_HISTORY, &MainView::historyItem},
    {IDM_STOP, &MainView::stopItem},
    {IDM_CONVERT, &MainView::convertItem},
    {IDM_CONVERT_SUBTITLES, &MainView::subtitlesItem},
    {IDM_AUTO_FETCH, &MainView::autoFetchItem},
    {IDM_OPEN_DOWNLOAD, &MainView::downloadItems},
    {IDM_SHOW_DOWNLOAD, &MainView::downloadItems},
    {IDM_EXPORT_DATA, &MainView::convertItem},
    {IDM_VIEWER, &MainView::viewerItem},
    {IDM_ARCHIVE, &MainView::archiveItem},
};

void Draw(HWND main, const MainView& view) {
    SetText(main, view.title);
    SetText(::GetDlgItem(main, IDC_FETCH), view.fetchButton);
    EnableControl(main, IDC_FETCH, view.fetchButtonEnabled);
    EnableControl(main, IDC_SAVEPATH, view.saveFolderEnabled);
    EnableControl(main, IDC_BROWSE, view.saveFolderEnabled);
    // Only a change goes to the shell: the window accepts files from its
    // template on, and its first paint need not load shell32.
    const bool accepting = (::GetWindowLongPtrW(main, GWL_EXSTYLE) & WS_EX_ACCEPTFILES) != 0;
    if (accepting != view.acceptsDrops) ::DragAcceptFiles(main, view.acceptsDrops);
    HMENU menu = ::GetMenu(main);
    for (const MenuRow& row : kMenuRows) SetMenuItemEnabled(menu, row.id, view.*row.enabled);
    SetMenuCheck(menu, IDM_AUTO_FETCH, view.autoFetchChecked);
}

}  // namespace

void ResetMainView(HWND main) {
    Facts() = MainFacts();
    Draw(main, DecideMainView(Facts(), App().programName));
}

void ShowMainEvent(HWND main, MainEvent event, int percent) {
    ApplyMainEvent(Facts(), event, percent);
    Draw(main, DecideMainView(Facts(), App().programName));
}

const MainFacts& MainViewFacts() { return Facts(); }
