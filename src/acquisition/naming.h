// Comment file names from the FilenameFormat template, and the question
// before an existing file is replaced.
#pragma once

#include <string>

// The template expanded for the video and date, with the characters file
// names may not hold swapped for full-width look-alikes. No folder, no extension.
std::string MakeCommentFileName(const std::string& title, const std::string& threadId, const std::string& videoId,
                                int year, int month, int day, int hour, int minute, int second);
// The same for another template with those placeholders (the archive's).
std::string ExpandFileNameFormat(const std::string& format, const std::string& title, const std::string& threadId,
                                 const std::string& videoId, int year, int month, int day, int hour, int minute,
                                 int second);

// The filter of the save-as dialog: description and pattern pairs.
struct FileFilter {
    std::string description;
    std::string pattern;
};
// The platform filter format: every text zero-terminated, one more zero at the end.
std::wstring PlatformFilter(const FileFilter* filters, size_t count);

// True when the caller may write to path as it now stands (the user may have
// chosen another name); false when the user cancelled.
bool ConfirmOverwrite(std::wstring& path, const std::wstring& filter, const std::wstring& defaultExtension);
