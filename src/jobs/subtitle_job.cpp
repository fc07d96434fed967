#include "jobs/subtitle_job.h"

#include <shlwapi.h>

#include <iterator>
#include <vector>

#include "acquisition/naming.h"
#include "export/ng_rule_file.h"
#include "export/subtitle_export.h"
#include "infolog/info_log.h"

bool RunSubtitleJob(const SubtitleRequest& request, ConversionView* view) {
    InfoLog << "-----------------------------" << EndLine;
    InfoLog << "[字幕変換 開始]" << EndLine;
    InfoLog << "XML = " << request.commentPath << EndLine;
    InfoLog << "SavePath = " << request.assPath << EndLine;
    InfoLog << "Stage = " << request.options.StageWidth << "x" << request.options.StageHeight << EndLine;
    InfoLog << "Font = " << request.options.FontName << EndLine;

    const bool ok = ExportWithNgRules(request.ng, [&](NgFilter* filter) {
        return ExportSubtitles(request.options, request.commentPath, request.assPath, view, nullptr, filter);
    });
    ReportJobEnd(ok, request.batch, view, request.completionMessage, "字幕ファイル変換処理中にエラーが発生しました");
    return ok;
}

std::string SubtitleFilePathFor(const std::string& commentPath) {
    // The shell's path functions walk code page 932 by characters.
    std::vector<char> buffer(commentPath.begin(), commentPath.end());
    buffer.push_back('\0');
    const char* extension = ::PathFindExtensionA(buffer.data());
    return commentPath.substr(0, static_cast<std::size_t>(extension - buffer.data())) + ".ass";
}

bool ConfirmSubtitleOverwrite(std::string& assPath) {
    static const FileFilter filters[] = {{"字幕ファイル(*.ass)", "*.ass"}, {"すべてのファイル(*.*)", "*.*"}};
    return ConfirmOverwrite(assPath, PlatformFilter(filters, std::size(filters)), ".ass");
}

bool ChooseSubtitleFilePath(const std::string& commentPath, std::string& assPath) {
    assPath = SubtitleFilePathFor(commentPath);
    return ConfirmSubtitleOverwrite(assPath);
}

std::string SubtitleSavedMessage(const std::string& assPath) {
    return "字幕ファイル(ASS)を保存しました。\n\n" + assPath;
}
