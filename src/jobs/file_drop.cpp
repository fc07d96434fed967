#include "jobs/file_drop.h"

#include <vector>

#include "settings/settings.h"
#include "support/codepage.h"
#include "support/regex.h"
#include "support/text.h"

namespace {

struct VideoPattern {
    WideRegex regex;
    std::size_t group;  // the part of the first match that is taken
};

}  // namespace

bool IsDroppableCommentFile(const std::wstring& path) {
    const std::wstring extension = FileExtension(path);
    return extension == L".xml" || extension == L".XML" || extension == L".Xml";
}

std::string ExtractVideoAddress(const std::wstring& text) {
    // Compiled once; a compiled pattern may be searched from any thread.
    static const VideoPattern patterns[] = {
        {WideRegex("(sm|am|fz)[0-9]+"), 0},
        {WideRegex("[\\[\\(\\{]([0-9]{4,})[\\]\\)\\}]"), 1},
        {WideRegex("\\W([0-9]{4,})\\W"), 1},
    };
    for (const VideoPattern& pattern : patterns) {
        std::vector<std::wstring> groups;
        if (pattern.regex.Search(text, groups)) {
            return App().settings.site.WatchPrefix() + WideToAnsi(groups[pattern.group]);
        }
    }
    return std::string();
}
