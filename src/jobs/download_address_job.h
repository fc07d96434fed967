// The download address commands: for every address of the list, the video
// file's address from the site's video information, written to the log and
// then opened or only shown. Without the window: it gives the job a view.
#pragma once

#include <string>

class DownloadAddressView {
public:
    virtual ~DownloadAddressView() = default;
    // While the job runs: the menu's two download items are grayed.
    virtual void ShowBusy() {}
    virtual void ShowIdle() {}
    // A failure, and the show command: the info window comes up.
    virtual void RevealInfoWindow() {}
    // Hands a web address to the user's program for it (the browser).
    virtual void OpenAddress(const std::string&) {}
};

// What the command that started the job asked for; the job keeps it.
enum class DownloadCommand { Open, Show };

// Runs one job over the ";"-separated addresses; a stop request (the thread's,
// support/cancel.h) ends it before the next address.
void RunDownloadAddressJob(DownloadCommand command, const std::string& addressText, DownloadAddressView& view);

// The site's reply names the address, and the shell would start whatever it
// names: only an http:// or https:// address of printable ASCII without
// quotes or backslashes (which could end the browser's quoted argument) is opened.
bool IsOpenableWebAddress(const std::string& address);

// Logged instead of opening any other address.
extern const char kDownloadAddressRefused[];
