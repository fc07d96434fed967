// The text of the mark that names the process which switched the browser
// proxy off (jobs/proxy_override.h). Ids are reused, so the process's creation
// time goes with its id.
#pragma once

#include <cstdint>
#include <string>

struct ProxyMarkOwner {
    std::uint32_t processId = 0;
    std::uint64_t created = 0;  // the FILETIME of the process's creation as one number; 0: not known
};

// The id and the creation time in decimal, one space between: "4242 133500000000000000".
std::string FormatProxyMark(const ProxyMarkOwner& owner);
// Exactly that form, each number in its range; false for anything else.
bool ParseProxyMark(const std::string& text, ProxyMarkOwner& owner);
