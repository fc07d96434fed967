// What a file dropped on the main window means, without the window: a comment
// file to convert, or (with SHIFT or CONTROL held) a name holding a video ID.
#pragma once

#include <string>

// The extension is exactly ".xml", ".XML" or ".Xml".
bool IsDroppableCommentFile(const std::wstring& path);

// The watch page address of the first video ID found in the path (folders
// included), or "" when none is found. Tried in order: sm, am or fz and its
// digits; four or more digits in brackets of any kind; four or more digits
// between two non-word characters.
std::string ExtractVideoAddress(const std::wstring& path);
