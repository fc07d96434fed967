// The info window: a top-level window with a strip of tabs, one read-only text
// box per page, newest line on top. A page is a sink of InfoLog; any thread may
// write to it, and no writer ever waits for the window's thread.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstddef>
#include <mutex>
#include <string>

#include "infolog/info_log.h"

// Past this many characters the older lines give way to the notice.
inline constexpr std::size_t kInfoTextLimit = 0x8000;
inline const char kBufferClearedNotice[] = "ウィンドウのバッファをクリアしました";

// The shown text after writing one line on top of it; past the limit, the line
// above the notice.
std::string PrependLine(const std::string& shown, const std::string& line);

class CBaseDebug : public LineSink {
public:
    // Makes the page (and the hidden info window with the first page) and
    // attaches it to InfoLog. Make and destroy pages on the thread that is to
    // own the window: its message loop shows what other threads write.
    explicit CBaseDebug(const std::string& caption);
    // The last page to go takes the window, the tab strip and the font with it.
    ~CBaseDebug() override;
    CBaseDebug(const CBaseDebug&) = delete;
    CBaseDebug& operator=(const CBaseDebug&) = delete;

    void WriteLine(const std::string& line) override;

    // The page's whole text, newest line first.
    std::string ShownText() const;
    HWND TextBox() const { return textBox_; }
    // Sets the text box from the shown text; on the window's thread only.
    void Refresh();

    // The info window; null while no page exists.
    static HWND Window();
    // Where the close box sends the show/hide command (the main window); with
    // none, the close box just hides the info window.
    static void SetCommandTarget(HWND target);

private:
    std::string caption_;
    HWND window_ = nullptr;   // fixed once made: read by writers on any thread
    HWND textBox_ = nullptr;  // likewise
    mutable std::mutex mutex_;
    std::string shown_;
    // Set while a refresh is posted to the window and not yet handled.
    std::atomic<bool> refreshPosted_{false};
};
