#include "jobs/proxy_mark.h"

std::string FormatProxyMark(const ProxyMarkOwner& owner) {
    return std::to_string(owner.processId) + " " + std::to_string(owner.created);
}

bool ParseProxyMark(const std::string& text, ProxyMarkOwner& owner) {
    std::uint64_t parts[2] = {0, 0};
    std::size_t part = 0, digits = 0;
    for (char c : text) {
        if (c == ' ' && part == 0 && digits > 0) {
            part = 1;
            digits = 0;
        } else if (c >= '0' && c <= '9') {
            const std::uint64_t value = parts[part] * 10 + static_cast<unsigned>(c - '0');
            if (value / 10 != parts[part]) return false;  // past 64 bits
            parts[part] = value;
            ++digits;
        } else {
            return false;
        }
    }
    if (part != 1 || digits == 0 || parts[0] > 0xFFFFFFFFu) return false;
    owner.processId = static_cast<std::uint32_t>(parts[0]);
    owner.created = parts[1];
    return true;
}
