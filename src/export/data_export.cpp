#include "export/data_export.h"
#include "export/export_failure.h"

#include <windows.h>

#include <algorithm>
#include <climits>
#include <ctime>
#include <exception>
#include <optional>

#include "comments/comment_identity.h"
#include "comments/comment_reader.h"
#include "ng/ng_rule_file.h"
#include "comments/xml_chars.h"
#include "infolog/info_log.h"
#include "support/codepage.h"
#include "support/files.h"
#include "support/handles.h"
#include "support/local_time.h"
#include "support/replacing_file.h"
#include "support/sha256.h"

namespace {

// Hashes the bytes of an input as the reader reads them, and counts them for
// the progress.
class HashingWatcher : public ByteWatcher {
public:
    void Seen(const char* bytes, std::size_t size) override {
        sha_.Update(bytes, size);
        seen_ += size;
    }
    std::string FinishHex() { return sha_.FinishHex(); }
    unsigned long long SeenBytes() const { return seen_; }

private:
    Sha256 sha_;
    unsigned long long seen_ = 0;
};

std::string_view AttributeOr(const ChatElement* element, const char* name) {
    std::string_view value;
    if (element) element->FindAttribute(name, value);
    return value;
}

bool Flag(const ChatElement& chat, const char* name) {
    std::string_view value;
    return chat.FindAttribute(name, value) && !value.empty() && value != "0";
}

// The fields of one comment, ready for a row. The views point into the chat
// element and into this object.
class RowBuilder {
public:
    explicit RowBuilder(const DataExportOptions& options) : options_(options) {}

    const DataRow& Build(const ChatElement& chat, std::string_view fileThread) {
        DataRow& row = row_;
        row = DataRow();
        std::string_view value;
        row.thread = chat.FindAttribute("thread", value) ? value : fileThread;
        row.hasNo = chat.FindInteger("no", row.no);
        long long vpos = 0;
        row.hasVpos = chat.FindInteger("vpos", vpos) && vpos <= LLONG_MAX / 10 && vpos >= LLONG_MIN / 10;
        row.vposMs = vpos * 10;
        std::tm local;
        if (chat.FindInteger("date", row.date) && dates_.Convert(row.date, local)) {
            row.hasDate = true;
            row.dateIso = std::string_view(
                dateIso_, static_cast<std::size_t>(PutIsoLocalTime(dateIso_, local, row.date) - dateIso_));
        }
        chat.FindAttribute("mail", row.mail);
        if (row.mail != lastMail_) {  // comments repeat a few mails ("184", none)
            lastMail_.assign(row.mail.data(), row.mail.size());
            mail_.clear();
            AppendUtf16Units(row.mail, mail_);
            lastLook_ = ReadMailCommands(mail_);
        }
        row.look = lastLook_;
        chat.FindAttribute("user_id", row.userId);
        if (options_.hashUsers && !row.userId.empty()) {
            Sha256 sha;
            sha.Update(options_.salt);
            sha.Update(row.userId);
            hashedUser_ = sha.FinishHex();
            row.userId = hashedUser_;
        }
        row.premium = Flag(chat, "premium");
        row.anonymity = Flag(chat, "anonymity");
        if (!chat.FindInteger("deleted", row.deleted)) row.deleted = 0;
        row.text = chat.TextUtf8();
        return row;
    }

private:
    const DataExportOptions& options_;
    DataRow row_;
    LocalTimeCache dates_;
    char dateIso_[64];
    std::wstring mail_;
    std::string lastMail_;  // and what it says; none at first
    CommentLook lastLook_ = ReadMailCommands(std::wstring());
    std::string hashedUser_;
};

class DataWriter {
public:
    DataWriter(const DataExportOptions& options, NgFilter* filter, ExportProgress* progress, DataExportSummary& summary)
        : options_(options), filter_(filter), progress_(progress), summary_(summary), rows_(options) {}

    // No input is also the output. The inputs are read once, as the rows are
    // written: the rows go to a temporary file that a failure abandons, so an
    // input that turns out unreadable half way costs no existing file.
    bool CheckInputs() {
        for (const std::wstring& input : options_.inputs) {
            if (SameFile(input, options_.output) || SameFile(input, ManifestPathFor(options_.output))) {
                InfoLog << "Error : the data file is the comment file " << ShownPath(input) << EndLine;
                return false;
            }
            totalBytes_ += FileSize(input);
        }
        return true;
    }

    bool Write() {
        if (!data_.Begin(options_.output)) return WriteFailed(data_, options_.output);
        std::string out;
        if (options_.format == DataFormat::Csv) {
            out = "\xEF\xBB\xBF";
            AppendCsvHeader(out);
        }
        if (!data_.Write(out)) return WriteFailed(data_, options_.output);
        for (const std::wstring& input : options_.inputs) {
            out.clear();  // one row at a time; the file buffers them
            if (!WriteInput(input, out)) return false;
        }
        if (summary_.comments == 0) {
            InfoLog << "コメントデータが存在しません" << EndLine;
            return false;
        }
        return WriteManifest();
    }

private:
    bool WriteInput(const std::wstring& path, std::string& out) {
        DataManifest::Input entry;
        entry.path = WideToUtf8(path);
        HashingWatcher hash;
        CommentReader reader;
        if (!reader.Open(path, &hash)) {
            InfoLog << UnreadableCommentFileLine(ShownPath(path), reader.Error()) << EndLine;
            return false;
        }
        std::wstring text;
        IdentifyingNumbers numbers;  // the missing ranges go by real numbering only
        std::string settledThread;
        long long settled = 0;
        while (reader.Next()) {
            const ChatElement& chat = reader.Chat();
            ++entry.comments;
            const std::string_view fileThread = AttributeOr(reader.ThreadElement(), "thread");
            const DataRow& row = rows_.Build(chat, fileThread);
            if (row.hasNo && numbers.Next(row.thread, row.no, chat, settledThread, settled)) {
                Numbers(settledThread).Add(settled);
            }
            if (filter_) text = chat.Text();
            if (filter_ && filter_->Hides(NgCommentOf(chat, &text))) {
                ++summary_.excluded;
            } else {
                AppendDataRow(out, options_.format, row);
                ++summary_.exported;
                if (!data_.Write(out)) return WriteFailed(data_, options_.output);
                out.clear();
            }
            ++summary_.comments;
            ShowProgress(readBefore_ + hash.SeenBytes());
        }
        if (reader.Failed()) {
            InfoLog << UnreadableCommentFileLine(ShownPath(path), reader.Error()) << EndLine;
            return false;
        }
        if (reader.ControlCharacters() > 0) InfoLog << ControlCharactersLine(reader.ControlCharacters()) << EndLine;
        if (numbers.Finish(settledThread, settled)) Numbers(settledThread).Add(settled);
        readBefore_ += hash.SeenBytes();
        entry.sha256 = hash.FinishHex();
        entry.thread = std::string(AttributeOr(reader.ThreadElement(), "thread"));
        manifest_.inputs.push_back(std::move(entry));
        return true;
    }

    NumberRanges& Numbers(std::string_view thread) {
        // Files hold one thread, so the last one asked for is nearly always the one.
        if (last_ < manifest_.threads.size() && manifest_.threads[last_].first == thread) {
            return manifest_.threads[last_].second;
        }
        for (last_ = 0; last_ < manifest_.threads.size(); ++last_) {
            if (manifest_.threads[last_].first == thread) return manifest_.threads[last_].second;
        }
        manifest_.threads.emplace_back(std::string(thread), NumberRanges());
        return manifest_.threads.back().second;
    }

    // How far through the inputs' bytes the reading is: 0 to 99.
    void ShowProgress(unsigned long long read) {
        if (totalBytes_ == 0) return;
        const int percent = static_cast<int>(std::min(read, totalBytes_ - 1) * 100 / totalBytes_);
        if (progress_ && percent != shown_) progress_->ShowPercent(percent);
        shown_ = percent;
    }

    bool WriteManifest() {
        manifest_.tool = options_.program.name;
        manifest_.version = options_.program.version;
        const std::time_t now = std::time(nullptr);
        if (const std::tm* local = std::localtime(&now)) manifest_.created = IsoLocalTime(*local, now);
        manifest_.format = options_.format;
        manifest_.exported = summary_.exported;
        manifest_.excluded = summary_.excluded;
        if (filter_) {
            for (std::size_t rule = 0; rule < filter_->Rules().Size(); ++rule) {
                manifest_.rules.push_back({WideToUtf8(filter_->Rules().RuleText(rule)), filter_->Hits(rule)});
            }
        }
        manifest_.hashUsers = options_.hashUsers;
        const std::wstring path = ManifestPathFor(options_.output);
        ReplacingFile manifest;
        if (!manifest.Begin(path) || !manifest.Write(ManifestJson(manifest_))) return WriteFailed(manifest, path);
        // The data first: a manifest never describes a file that is not there.
        if (!data_.Commit()) return WriteFailed(data_, options_.output);
        if (!manifest.Commit()) return WriteFailed(manifest, path);
        return true;
    }

    static bool WriteFailed(const ReplacingFile& file, const std::wstring& path) {
        InfoLog << "◆ファイルを保存できません: " << ShownPath(path) << " ("
                << static_cast<unsigned long>(file.LastError()) << ")" << EndLine;
        return false;
    }

    const DataExportOptions& options_;
    NgFilter* filter_;
    ExportProgress* progress_;
    DataExportSummary& summary_;
    RowBuilder rows_;
    ReplacingFile data_;
    DataManifest manifest_;
    unsigned long long totalBytes_ = 0, readBefore_ = 0;
    std::size_t last_ = 0;
    int shown_ = -1;
};

}  // namespace

std::wstring ManifestPathFor(const std::wstring& output) { return output + L".manifest.json"; }

bool ExportCommentData(const DataExportOptions& options, NgFilter* filter, ExportProgress* progress,
                       DataExportSummary* summaryOut) {
    DataExportSummary local;
    DataExportSummary& summary = summaryOut ? *summaryOut : local;
    summary = DataExportSummary();
    try {
        DataWriter writer(options, filter, progress, summary);
        if (!writer.CheckInputs() || !writer.Write()) return false;
        if (progress) progress->ShowDone();
        InfoLog << "データ " << summary.exported << "件、除外 " << summary.excluded << "件" << EndLine;
        InfoLog << "Save Data" << EndLine;
        return true;
    } catch (...) {
        return ReportExportFailure("データ書き出し処理中に例外が発生しました");
    }
}
