#include "jobs/version_notice.h"

#include <boost/lexical_cast.hpp>

#include <climits>
#include <cmath>
#include <cstdio>

#include "support/text.h"

namespace {

// The last character is the letter "b" itself, not the second byte of a
// double-byte character.
bool EndsWithLetterB(const std::string& text) {
    std::size_t last = 0;
    for (std::size_t pos = 0; pos < text.size(); pos = NextCharacter(text, pos)) last = pos;
    return text.size() - last == 1 && text[last] == 'b';
}

}  // namespace

VersionNotice ReadVersionNotice(const std::string& reply) {
    VersionNotice notice;
    const std::size_t feed = reply.find('\n');
    notice.firstLine = reply.substr(0, feed);
    if (notice.firstLine.empty()) notice.firstLine = reply;
    if (feed != std::string::npos) notice.rest = reply.substr(feed + 1);
    try {
        notice.published = boost::lexical_cast<double>(notice.firstLine);
        // "inf" and "nan" are no versions.
        if (!std::isfinite(notice.published)) notice.published = 0;
    } catch (const boost::bad_lexical_cast&) {
        notice.published = 0;
        notice.testVersion =
            !notice.firstLine.empty() && (EndsWithLetterB(notice.firstLine) || ContainsText(notice.firstLine, "beta"));
    }
    return notice;
}

int VersionCode(double version) {
    const double code = version * 100 + 0.5;
    if (!(code < INT_MAX)) return INT_MAX;
    if (!(code > INT_MIN)) return INT_MIN;
    return static_cast<int>(code);
}

std::string VersionQuestion(const std::string& programName, const VersionNotice& notice) {
    char number[32];
    std::snprintf(number, sizeof number, "%.16g", notice.published);
    std::string text =
        programName + " Ver." + number +
        " が公開されています。\nWebページを開きますか？\n\n※バージョンアップ通知を無効にするには、メニューバーの\n"
        "[設定]->[バージョンアップ通知を有効にする]のチェックを外して下さい。\n";
    if (!notice.rest.empty()) text += "\n[追加情報]\n" + notice.rest + "\n";
    return text;
}
