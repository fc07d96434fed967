#include "app/settings.h"

#include <vector>

namespace {

std::string CurrentDirectory() {
    DWORD size = ::GetCurrentDirectoryA(0, nullptr);
    std::vector<char> buffer(size + 1, '\0');
    ::GetCurrentDirectoryA(size + 1, buffer.data());
    return buffer.data();
}

std::string ReadIniText(const std::string& path, const char* section, const char* key, const std::string& def) {
    char buffer[4096] = {};
    ::GetPrivateProfileStringA(section, key, def.c_str(), buffer, sizeof buffer, path.c_str());
    return buffer;
}

}  // namespace

AppContext::AppContext() {
    startDirectory = CurrentDirectory();
    settings.iniPath = startDirectory + "\\" + settings.iniFileName;
}

void AppSettings::LoadSite() {
    site.MainHost = ReadIniText(iniPath, "site", "MainHost", site.MainHost);
    site.SecureHost = ReadIniText(iniPath, "site", "SecureHost", site.SecureHost);
    site.AuthorSite = ReadIniText(iniPath, "site", "AuthorSite", site.AuthorSite);
    site.AuthorMail = ReadIniText(iniPath, "site", "AuthorMail", site.AuthorMail);
}

AppContext& App() {
    static AppContext app;
    return app;
}
