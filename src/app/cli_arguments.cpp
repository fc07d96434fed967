#include "app/cli.h"

#include "support/codepage.h"

CommandArguments::CommandArguments(std::vector<std::wstring> wide) : wide_(std::move(wide)) {
    // As the C runtime's narrow arguments have always read.
    for (const std::wstring& arg : wide_) narrow_.push_back(WideToAnsi(arg));
}

std::wstring CommandArguments::WideAfterEquals(int i) const {
    const std::wstring& arg = Wide(i);
    const std::size_t equals = arg.find(L'=');
    return equals == std::wstring::npos ? std::wstring() : arg.substr(equals + 1);
}
