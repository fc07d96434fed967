// Signing in at the video site: the sign-in form posted over HTTPS to the
// secure host. The site's cookies stay in WinINet's store for the process and
// go with every later request, which is what keeps the process signed in.
#pragma once

#include <string>

struct SiteSettings;

// The exchange with the site's secure host. True when the reply headers name
// the account or set a cookie; reason is set only when they do neither (wrong
// account or locked).
bool PostLogin(const SiteSettings& site, const std::string& mail, const std::string& password, std::string& reason);

// PostLogin with its progress lines. The caller keeps the account that signed
// in (the login dialog makes it the Mail and Pass settings).
bool Login(const SiteSettings& site, const std::string& mail, const std::string& password);

// The form body. Values are percent-encoded, so "&", "+", "%" and "=" in a
// password reach the site as typed.
std::string LoginFormBody(const std::string& mail, const std::string& password);
std::string FormEncode(const std::string& value);

// The header block with the value of every cookie that Set-Cookie lines set
// replaced by a fixed mark; names, attributes and other lines stay.
std::string MaskCookieValues(const std::string& headers);

// Judges the raw reply header block and logs the verdict lines (cookie values
// masked).
bool JudgeLoginHeaders(const std::string& headers, std::string& reason);
