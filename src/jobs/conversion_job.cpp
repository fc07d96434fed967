#include "jobs/conversion_job.h"

#include <iterator>

#include "acquisition/naming.h"
#include "export/comment_text.h"
#include "ng/ng_rule_file.h"
#include "settings/settings.h"
#include "infolog/info_log.h"
#include "support/codepage.h"
#include "support/text.h"

void ReportConversionOutcome(bool batch, ConversionView* view, const std::string& batchLine,
                             const std::string& message) {
    if (batch) {
        InfoLog << batchLine << EndLine;
    } else if (view) {
        view->ShowOutcome(message, batchLine);
    } else {
        InfoLog << message << EndLine;
    }
}
void ReportJobEnd(bool ok, bool batch, ConversionView* view, const std::string& completion,
                  const std::string& failure) {
    if (ok) {
        ReportConversionOutcome(batch, view, completion, completion);
    } else {
        ReportConversionOutcome(batch, view, "◆" + failure, failure + "。");
    }
}

bool RunConversionJob(const ConversionRequest& request, ConversionView* view) {
    InfoLog << "-----------------------------" << EndLine;
    InfoLog << "[データ抽出 開始]" << EndLine;
    InfoLog << "Format = " << request.format << EndLine;
    InfoLog << "XML = " << ShownPath(request.commentPath) << EndLine;
    InfoLog << "SavePath = " << ShownPath(request.textPath) << EndLine;

    const bool ok = ExportWithNgRules(request.ng, [&](NgFilter* filter) {
        return ExportCommentText(request.format, request.commentPath, request.textPath, view, filter, request.utf8);
    });
    ReportJobEnd(ok, request.batch, view, request.completionMessage, "テキスト変換処理中にエラーが発生しました");
    return ok;
}

std::wstring TextFilePathFor(const std::wstring& commentPath) { return DropLastCharacters(commentPath, 3) + L"txt"; }

bool ConfirmTextOverwrite(std::wstring& textPath) {
    static const FileFilter filters[] = {{"コメントファイル(*.txt)", "*.txt"}, {"すべてのファイル(*.*)", "*.*"}};
    return ConfirmOverwrite(textPath, PlatformFilter(filters, std::size(filters)), L".txt",
                            &App().settings.AutoOverWrite);
}

bool ChooseTextFilePath(const std::wstring& commentPath, std::wstring& textPath) {
    textPath = TextFilePathFor(commentPath);
    return ConfirmTextOverwrite(textPath);
}

std::string TextSavedMessage(const std::wstring& textPath) {
    return "コメント(テキストファイル)を保存しました。\n\n" + ShownPath(textPath);
}
