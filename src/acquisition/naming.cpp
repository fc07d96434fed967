#include "acquisition/naming.h"

#include "acquisition/prompts.h"
#include "support/codepage.h"
#include "support/files.h"
#include "support/text.h"

std::string MakeCommentFileName(const std::string& format, const std::string& title, const std::string& threadId,
                                const std::string& videoId, int year, int month, int day, int hour, int minute,
                                int second) {
    std::string name = format;
    const std::string yearText = std::to_string(year);
    ReplaceAll(name, "%title%", title);
    ReplaceAll(name, "%id%", threadId);
    ReplaceAll(name, "%thread%", videoId);
    ReplaceAll(name, "%year%", yearText);
    ReplaceAll(name, "%month%", std::to_string(month));
    ReplaceAll(name, "%day%", std::to_string(day));
    ReplaceAll(name, "%hour%", std::to_string(hour));
    ReplaceAll(name, "%minute%", std::to_string(minute));
    ReplaceAll(name, "%second%", std::to_string(second));
    ReplaceAll(name, "%year2%", yearText.size() > 2 ? yearText.substr(2) : std::string());
    ReplaceAll(name, "%month2%", PadNumber(month, 2, '0'));
    ReplaceAll(name, "%day2%", PadNumber(day, 2, '0'));
    ReplaceAll(name, "%hour2%", PadNumber(hour, 2, '0'));
    ReplaceAll(name, "%minute2%", PadNumber(minute, 2, '0'));
    ReplaceAll(name, "%second2%", PadNumber(second, 2, '0'));

    // On characters, not bytes: a second byte of a double-byte character may
    // equal "\" or "|".
    static const wchar_t* const kForbidden[][2] = {
        {L"\\", L"\xFFE5"}, {L"/", L"\xFF0F"}, {L":", L"\xFF1A"}, {L"*", L"\xFF0A"}, {L"?", L"\xFF1F"},
        {L"\"", L"\x201D"}, {L"<", L"\xFF1C"}, {L">", L"\xFF1E"}, {L"|", L"\xFF5C"},
    };
    std::wstring wide = AnsiToWide(name);
    for (const auto& pair : kForbidden) ReplaceAllWide(wide, pair[0], pair[1]);
    return WideToAnsi(wide);
}

std::wstring PlatformFilter(const FileFilter* filters, size_t count) {
    std::wstring out;
    for (size_t i = 0; i < count; ++i) {
        out += AnsiToWide(filters[i].description);
        out += L'\0';
        out += AnsiToWide(filters[i].pattern);
        out += L'\0';
    }
    out += L'\0';
    return out;
}

bool ConfirmOverwrite(std::wstring& path, const std::wstring& filter, const std::wstring& defaultExtension,
                      bool* autoOverwrite) {
    if (!FileExists(path)) return true;
    if (autoOverwrite && *autoOverwrite) return true;

    bool always = false;
    switch (Prompts().AskOverwrite(path, always)) {
        case OverwriteChoice::Overwrite:
            if (always && autoOverwrite) *autoOverwrite = true;
            return true;
        case OverwriteChoice::SaveAs: {
            std::wstring chosen;
            if (!Prompts().ChooseSaveAs(filter, chosen) || chosen.empty()) return false;
            if (ToLower(FileExtension(chosen)) != ToLower(defaultExtension)) chosen += defaultExtension;
            path = chosen;
            return true;
        }
        case OverwriteChoice::Cancel:
        default: return false;
    }
}
