#include "jobs/data_export_job.h"

#include <shlwapi.h>

#include "export/ng_rule_file.h"
#include "infolog/info_log.h"
#include "support/codepage.h"

bool RunDataExportJob(const DataExportRequest& request, ConversionView* view) {
    const DataExportOptions& options = request.options;
    InfoLog << "-----------------------------" << EndLine;
    InfoLog << "[データ書き出し 開始]" << EndLine;
    InfoLog << "Format = " << DataFormatName(options.format) << EndLine;
    for (const std::wstring& input : options.inputs) InfoLog << "XML = " << WideToAnsi(input) << EndLine;
    InfoLog << "SavePath = " << WideToAnsi(options.output) << EndLine;
    InfoLog << "HashUsers = " << (options.hashUsers ? 1 : 0) << EndLine;

    const bool ok = ExportWithNgRules(
        request.ng, [&](NgFilter* filter) { return ExportCommentData(options, filter, view); });
    ReportJobEnd(ok, request.batch, view, request.completionMessage, "データ書き出し処理中にエラーが発生しました");
    return ok;
}

std::wstring DataFilePathFor(const std::wstring& commentPath, DataFormat format) {
    const wchar_t* extension = ::PathFindExtensionW(commentPath.c_str());
    return commentPath.substr(0, static_cast<std::size_t>(extension - commentPath.c_str())) + L"." +
           AnsiToWide(DataFormatName(format));
}

DataFormat DataFormatOf(const std::wstring& output, DataFormat otherwise) {
    const wchar_t* extension = ::PathFindExtensionW(output.c_str());
    if (::lstrcmpiW(extension, L".csv") == 0) return DataFormat::Csv;
    if (::lstrcmpiW(extension, L".jsonl") == 0) return DataFormat::JsonLines;
    return otherwise;
}

std::string DataSavedMessage(const std::wstring& output) {
    return "コメント(データ)を保存しました。\n\n" + WideToAnsi(output);
}
