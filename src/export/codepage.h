// Conversions between UTF-16 and the ANSI code page (932) or UTF-8.
#pragma once

#include <string>

// Logs "WideCharToMultiByte Error = " with the error code when the conversion fails.
std::string WideToAnsi(const std::wstring& text);
std::wstring AnsiToWide(const std::string& text);
std::string WideToUtf8(const std::wstring& text);
