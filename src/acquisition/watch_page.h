// The watch page: whether the user is signed in, the video's title and its ID
// as the site knows it. Signs in (stored account, then the user) when the page
// asks for it.
#pragma once

#include <string>

struct SiteAccess;
struct SiteSettings;

// Reads the page at the watch page address. True for a signed-in watch page
// with a title (videoId may still be empty on a my-memory page). On false the
// reason is logged, except for a page without any message.
bool ReadWatchPage(const SiteAccess& access, const std::string& address, std::string& title, std::string& videoId);

// What a page (already in the ANSI code page) shows; a sign-in link leads to the site's secure host.
enum class WatchPageKind { SignedIn, SignInNeeded, Other };
WatchPageKind ClassifyWatchPage(const std::string& page, const SiteSettings& site);

// A signed-in page: title and video ID, with their lines. False (logged) when
// the page has no usable title.
bool ReadSignedInPage(const std::string& page, const std::string& address, std::string& title, std::string& videoId);

// Any other page: logs the site's heading and message when it has one.
void ReportErrorPage(const std::string& page);

// The address's last path segment (a trailing "/" is dropped first); false,
// with the output still set, when there is no "/" or the segment is 2
// characters or shorter.
bool LastPathSegment(const std::string& address, std::string& segment);

// UTF-8 bytes to the ANSI code page; characters without a mapping become the
// code page's default character. Empty when the conversion fails.
std::string Utf8ToAnsi(const std::string& utf8);
