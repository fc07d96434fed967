// Times the comment reader alone: the checking pass over a comment file, then
// the stream of its chat elements, reading every attribute and the text as
// the export does, without building or writing lines.
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <string>

#include "comments/comment_reader.h"

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: kometori-reader-bench COMMENT.xml\n");
        return 2;
    }
    LARGE_INTEGER frequency, start, loaded, walked;
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&start);

    std::size_t count = 0;
    std::string error;
    if (!CommentReader::CheckFile(argv[1], count, error)) {
        std::fprintf(stderr, "check failed: %s\n", error.c_str());
        return 1;
    }
    ::QueryPerformanceCounter(&loaded);

    static const char* const names[] = {"date", "vpos", "mail", "name", "no", "thread", "user_id", "premium"};
    std::size_t characters = 0;
    CommentReader reader;
    if (!reader.Open(argv[1])) return 1;
    while (reader.Next()) {
        const ChatElement& chat = reader.Chat();
        for (const char* name : names) characters += chat.Attribute(name).size();
        characters += chat.Text().size();
    }
    if (reader.Failed()) return 1;
    ::QueryPerformanceCounter(&walked);

    auto seconds = [&](const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
        return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
    };
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters);
    std::printf("chats=%zu check=%.3f stream=%.3f peak_mb=%.1f chars=%zu\n", count, seconds(start, loaded),
                seconds(loaded, walked), static_cast<double>(counters.PeakWorkingSetSize) / (1024.0 * 1024.0),
                characters);
    return 0;
}
