#include "window/main_end.h"

#include <string>

#include "infolog/info_log.h"
#include "settings/settings.h"
#include "support/codepage.h"
#include "window/main_form.h"
#include "window/program_message.h"
#include "window/viewer_window.h"

namespace {

// Main thread only: the window whose end path has run.
HWND g_ended = nullptr;

}  // namespace

void EndProgram(HWND main) {
    if (g_ended == main) return;
    g_ended = main;
    // The viewers go first: the last one's place is saved with the rest.
    CloseAllViewers();
    if (!SaveSettingsFromWindow(main)) {
        // Said once, at the end: every setting of this run is lost otherwise unnoticed.
        const std::string path = ShownPath(App().settings.iniPath);
        InfoLog << "◆設定ファイルを保存できませんでした (" << path << ")" << EndLine;
        ShowProgramMessage(main, "設定ファイルを保存できませんでした。\n\n" + path +
                                     "\n\nこのフォルダに書き込めるか確認して下さい。今回変更した設定は失われます。");
    }
    if (HWND info = InfoLog.Window()) ::ShowWindow(info, SW_HIDE);
    ::PostQuitMessage(0);
}
