#include "jobs/data_export_job.h"

#include "ng/ng_rule_file.h"
#include "infolog/info_log.h"
#include "support/codepage.h"
#include "support/files.h"
#include "support/text.h"

bool RunDataExportJob(const DataExportRequest& request, ConversionView* view) {
    DataExportOptions options = request.options;
    options.program = App().Identity();
    InfoLog << "-----------------------------" << EndLine;
    InfoLog << "[データ書き出し 開始]" << EndLine;
    InfoLog << "Format = " << DataFormatName(options.format) << EndLine;
    for (const std::wstring& input : options.inputs) InfoLog << "XML = " << ShownPath(input) << EndLine;
    InfoLog << "SavePath = " << ShownPath(options.output) << EndLine;
    InfoLog << "HashUsers = " << (options.hashUsers ? 1 : 0) << EndLine;

    const bool ok =
        ExportWithNgRules(request.ng, [&](NgFilter* filter) { return ExportCommentData(options, filter, view); });
    ReportJobEnd(ok, request.batch, view, request.completionMessage, "データ書き出し処理中にエラーが発生しました");
    return ok;
}

std::wstring DataFilePathFor(const std::wstring& commentPath, DataFormat format) {
    return ReplaceExtension(commentPath, L"." + AnsiToWide(DataFormatName(format)));
}

DataFormat DataFormatOf(const std::wstring& output, DataFormat otherwise) {
    const std::wstring extension = ToLower(FileExtension(output));
    if (extension == L".csv") return DataFormat::Csv;
    if (extension == L".jsonl") return DataFormat::JsonLines;
    return otherwise;
}

std::string DataSavedMessage(const std::wstring& output) {
    return "コメント(データ)を保存しました。\n\n" + ShownPath(output);
}
