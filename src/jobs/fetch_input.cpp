#include "jobs/fetch_input.h"

#include <windows.h>

#include <cstdlib>

#include "support/codepage.h"
#include "support/files.h"

namespace {

InputCheck Refuse(const char* message, InputField focus = InputField::None) {
    InputCheck check;
    check.ok = false;
    check.message = message;
    check.focus = focus;
    return check;
}

bool PastDateAcceptable(const FormValues& form) {
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    const int year = LeadingNumber(form.Year);
    const int month = LeadingNumber(form.Month);
    const int day = LeadingNumber(form.Day);
    const int hour = LeadingNumber(form.Hour);
    const int minute = LeadingNumber(form.Minute);
    const int second = LeadingNumber(form.Second);
    if (year > now.wYear || year < 2006 || month < 1 || month > 12 || day < 1 || day > 31 || hour < 0 || hour > 23 ||
        minute < 0 || minute > 59 || second < 0 || second > 59) {
        return false;
    }
    std::tm date = PastDateFromForm(form);
    return std::mktime(&date) != static_cast<std::time_t>(-1);
}

}  // namespace

std::tm PastDateFromForm(const FormValues& form) {
    std::tm date{};
    if (!form.PastLog) return date;
    date.tm_year = LeadingNumber(form.Year) - 1900;
    date.tm_mon = LeadingNumber(form.Month) - 1;
    date.tm_mday = LeadingNumber(form.Day);
    date.tm_hour = LeadingNumber(form.Hour);
    date.tm_min = LeadingNumber(form.Minute);
    date.tm_sec = LeadingNumber(form.Second);
    return date;
}

InputCheck ValidateFetchInput(const FormValues& form) {
    const SiteSettings& site = App().settings.site;
    if (form.URL.empty() || form.URL == site.WatchPrefix() || form.URL == site.NaishoPrefix()) {
        return Refuse("URLを入力して下さい。", InputField::Address);
    }
    if (form.SavePath.empty()) return Refuse("保存先フォルダを指定して下さい。", InputField::SaveFolder);
    // Counted in the code page's bytes, as the check has always counted.
    if (ShownPath(form.SavePath).size() < 4) {
        return Refuse("保存先フォルダのパスが正しくありません。\n入力した保存フォルダのパスを確認して下さい。");
    }
    if (!FileExists(form.SavePath) && !::CreateDirectoryW(form.SavePath.c_str(), nullptr)) {
        return Refuse("フォルダの作成に失敗しました。\n入力した保存フォルダのパスを確認して下さい。");
    }
    if (LeadingNumber(form.Comment) <= 0 && !form.GetAllComment) {
        if (form.Comment.empty()) return Refuse("取得コメント数を入力して下さい。", InputField::Count);
        return Refuse("取得コメント数が正しくありません。", InputField::CountSelectAll);
    }
    if (form.PastLog && !PastDateAcceptable(form)) return Refuse("過去ログの日時指定値が正しくありません。");
    return InputCheck();
}
