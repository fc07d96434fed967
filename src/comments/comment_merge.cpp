#include "comments/comment_merge.h"

#include <memory>
#include <mutex>

#include "infolog/info_log.h"
#include "support/codepage.h"
#include "support/replacing_file.h"
#include "support/write_guard.h"

namespace {

// The temporary file beside the output, made when the first bytes come.
class FileOutput : public MergeOutput {
public:
    explicit FileOutput(const std::wstring& target) : target_(target) {}

    bool Write(const std::string& bytes) override {
        if (!begun_) {
            if (!file_.Begin(target_)) return false;
            begun_ = true;
        }
        return file_.Write(bytes);
    }
    bool Commit() { return file_.Commit(); }
    DWORD LastError() const { return file_.LastError(); }

private:
    std::wstring target_;
    ReplacingFile file_;  // abandoned unless committed
    bool begun_ = false;
};

void LogLine(const std::string& line) { InfoLog << line << EndLine; }

}  // namespace

MergeResult MergeCommentFiles(const std::vector<std::wstring>& paths, const std::wstring& output,
                              const MergeOptions& options) {
    std::vector<std::unique_ptr<MergeInput>> inputs;
    for (const std::wstring& path : paths) {
        auto input = std::make_unique<MergeInput>();
        input->name = ShownPath(path);
        if (!input->reader.Open(path)) {
            LogLine(UnreadableCommentFileLine(input->name, input->reader.Error()));
            return MergeResult{};
        }
        inputs.push_back(std::move(input));
    }

    std::lock_guard<std::recursive_mutex> writing(FileWriteMutex());
    FileOutput file(output);
    MergeResult result = MergeStreams(inputs, options, file, LogLine);
    if (result.outcome == MergeOutcome::Saved && !file.Commit()) result.outcome = MergeOutcome::WriteFailed;
    if (result.outcome == MergeOutcome::Saved) {
        for (const auto& input : inputs) {
            if (input->reader.ControlCharacters() > 0)
                LogLine(ControlCharactersLine(input->reader.ControlCharacters()));
        }
    }
    if (result.outcome == MergeOutcome::WriteFailed) {
        InfoLog << "◆ファイルを保存できません: " << ShownPath(output) << " ("
                << static_cast<unsigned long>(file.LastError()) << ")" << EndLine;
    }
    return result;
}
