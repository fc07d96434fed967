// libFuzzer target: the proxy mark's text as the registry may hold it, damaged
// or hostile. Whatever parses reads back the same after writing, and any mark
// written parses back to what was written.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "jobs/proxy_mark.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    ProxyMarkOwner owner;
    if (ParseProxyMark(text, owner)) {
        ProxyMarkOwner again;
        if (!ParseProxyMark(FormatProxyMark(owner), again) || again.processId != owner.processId ||
            again.created != owner.created) {
            std::abort();
        }
        // Without leading zeros the text is the one written.
        if (text[0] != '0' && text.find(" 0") == std::string::npos && FormatProxyMark(owner) != text) std::abort();
    }
    if (size >= 12) {
        ProxyMarkOwner written;
        std::memcpy(&written.processId, data, 4);
        std::memcpy(&written.created, data + 4, 8);
        ProxyMarkOwner back;
        if (!ParseProxyMark(FormatProxyMark(written), back) || back.processId != written.processId ||
            back.created != written.created) {
            std::abort();
        }
    }
    return 0;
}
