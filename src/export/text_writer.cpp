#include "export/text_writer.h"

#include "settings/settings.h"
#include "support/codepage.h"
#include "support/text.h"

bool TextLineWriter::Open(const std::string& path) {
    file_.reset(::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
    lastError_ = file_ ? 0 : ::GetLastError();
    return static_cast<bool>(file_);
}

bool TextLineWriter::WriteLine(const std::wstring& line) {
    // Line breaks become CR LF before the encoding: in UTF-16 nothing else can match.
    std::wstring broken;
    const std::wstring& text =
        line.find(L'\n') == std::wstring::npos ? line : ReplaceAllWide(broken = line, L"\n", L"\r\n");
    const std::string encoded = App().settings.TextOutUTF8 ? WideToUtf8(text) : WideToAnsi(text);
    std::string& bytes = buffer_;  // keeps its room from line to line
    bytes.assign(encoded.data(), encoded.size());
    bytes += "\r\n";
    // One WriteFile per line: no buffer of ours holds a written line back.
    DWORD written = 0;
    if (!::WriteFile(file_.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != bytes.size()) {
        lastError_ = ::GetLastError();
        return false;
    }
    return true;
}
