// Comment file to text file: one line per chat element, built from the
// user's line format with its %...% placeholders.
#pragma once

#include <string>

#include "export/export_progress.h"

class ChatElement;
class NgFilter;

// Writes the text file for the comment file by the line format (narrow, in the
// ANSI code page). The text file is created or emptied before the comment file
// is read. Logs its own failures; true when every line has been written.
// progress may be null (nothing shown); a comment the filter hides gets no
// line (no filter: every comment has one). utf8 points at the TextOutUTF8
// setting, read for every line (null: the ANSI code page).
bool ExportCommentText(const std::string& format, const std::wstring& commentPath, const std::wstring& textPath,
                       ExportProgress* progress = nullptr, NgFilter* filter = nullptr, const bool* utf8 = nullptr);

// One field of a chat element by its key ("date", "date.year", "vpos.second",
// "mail", ...). Keys holding "date" read the local time of the "date"
// attribute (throws LocalTimeRefused when the C runtime cannot convert it);
// keys holding "vpos" read the "vpos" attribute; any other key is an attribute
// name.
std::wstring ChatFieldValue(const std::string& key, const ChatElement& chat);

// The line for one chat element; the format is already UTF-16.
std::wstring BuildCommentLine(const std::wstring& format, const ChatElement& chat);

// Raised when a comment's date is outside what the local-time conversion takes.
struct LocalTimeRefused {};
