#include "jobs/access_pause.h"

#include <windows.h>

#include "infolog/info_log.h"
#include "support/cancel.h"

std::atomic<bool>& FetchStopRequested() { return ThreadCancelFlag(); }

void RequestFetchStop(std::atomic<bool>& stop) {
    if (!stop.exchange(true)) InfoLog << "処理を途中停止しました" << EndLine;
}

bool WaitBetweenAccesses(int seconds) {
    if (seconds < 1) return false;
    const DWORD start = ::GetTickCount();
    InfoLog << "待機中...(" << seconds << "秒)" << EndLine;
    InfoLog << "※待機時間はiniファイルのAccessWait=で設定できます" << EndLine;
    const DWORD span = static_cast<DWORD>(seconds) * 1000u;
    do {
        ::Sleep(1000);
    } while (::GetTickCount() - start < span && !FetchStopRequested());
    return true;
}
