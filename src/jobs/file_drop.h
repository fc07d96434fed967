// What a file dropped on the main window means, without the window: a comment
// file to convert, or (with SHIFT or CONTROL held) a name holding a video ID.
#pragma once

#include <string>

// The extension is exactly ".xml", ".XML" or ".Xml".
bool IsDroppableCommentFile(const std::string& path);

// The watch page address of the first video ID found in the path (folders
// included), or "" when none is found. Tried in order: sm, am or fz and its
// digits; four or more digits in brackets of any kind; four or more digits
// between two non-word characters. The path is searched as UTF-16, so the
// second byte of a double-byte character never counts as a bracket or letter.
std::string ExtractVideoAddress(const std::string& path);
