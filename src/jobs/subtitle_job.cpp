#include "jobs/subtitle_job.h"

#include <iterator>

#include "acquisition/naming.h"
#include "ng/ng_rule_file.h"
#include "export/subtitle_export.h"
#include "infolog/info_log.h"
#include "support/codepage.h"
#include "support/files.h"

bool RunSubtitleJob(const SubtitleRequest& request, ConversionView* view) {
    InfoLog << "-----------------------------" << EndLine;
    InfoLog << "[字幕変換 開始]" << EndLine;
    InfoLog << "XML = " << ShownPath(request.commentPath) << EndLine;
    InfoLog << "SavePath = " << ShownPath(request.assPath) << EndLine;
    InfoLog << "Stage = " << request.options.StageWidth << "x" << request.options.StageHeight << EndLine;
    InfoLog << "Font = " << request.options.FontName << EndLine;

    const bool ok = ExportWithNgRules(request.ng, [&](NgFilter* filter) {
        return ExportSubtitles(request.options, request.program, request.commentPath, request.assPath, view, nullptr,
                               filter);
    });
    ReportJobEnd(ok, request.batch, view, request.completionMessage, "字幕ファイル変換処理中にエラーが発生しました");
    return ok;
}

std::wstring SubtitleFilePathFor(const std::wstring& commentPath) { return ReplaceExtension(commentPath, L".ass"); }

bool ConfirmSubtitleOverwrite(std::wstring& assPath) {
    static const FileFilter filters[] = {{"字幕ファイル(*.ass)", "*.ass"}, {"すべてのファイル(*.*)", "*.*"}};
    return ConfirmOverwrite(assPath, PlatformFilter(filters, std::size(filters)), L".ass",
                            &App().settings.AutoOverWrite);
}

bool ChooseSubtitleFilePath(const std::wstring& commentPath, std::wstring& assPath) {
    assPath = SubtitleFilePathFor(commentPath);
    return ConfirmSubtitleOverwrite(assPath);
}

std::string SubtitleSavedMessage(const std::wstring& assPath) {
    return "字幕ファイル(ASS)を保存しました。\n\n" + ShownPath(assPath);
}
