#include "window/version_check.h"

#include <atomic>

#include "infolog/info_log.h"
#include "jobs/version_notice.h"
#include "settings/settings.h"
#include "support/cancel.h"
#include "support/web.h"
#include "window/program_message.h"
#include "window/shell_open.h"
#include "window/workers.h"

namespace {

std::atomic<HWND> g_owner{nullptr};

}  // namespace

void StartVersionCheck(HWND main) {
    g_owner = main;
    StartDetachedWorker([](JobTicket&) { RunVersionCheck(nullptr); });
}

unsigned __stdcall RunVersionCheck(void*) {
    const AppContext& app = App();
    std::string reply;
    if (!WebFetch(app.settings.site.VersionNoticeUrl(), reply, app.settings.PageRoute())) {
        return static_cast<unsigned>(-1);
    }
    const VersionNotice notice = ReadVersionNotice(reply);
    if (notice.testVersion) {
        InfoLog << "[お知らせ]テストバージョンが公開されています(" << notice.firstLine << ")" << EndLine;
    }
    if (VersionCode(notice.published) <= VersionCode(app.versionNumber)) return 0;
    // The window that would own the question has gone.
    if (CancelRequested()) return 0;
    const HWND owner = g_owner;
    if (ShowProgramMessage(owner, VersionQuestion(app.programName, notice), MB_YESNO) == IDYES) {
        OpenWithShell(owner, app.settings.site.AuthorPage());
    }
    return 0;
}
