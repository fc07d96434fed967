// The process-wide log. A line is a chain of appended pieces closed by
// EndLine:   InfoLog << "ThreadId = " << id << EndLine;
// Each thread assembles its own pending line, so lines written by several
// threads at once never mix; finished lines go to the attached sinks (the info
// window's page, standard output of the console companion, test captures).
#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <type_traits>
#include <vector>

class LineSink {
public:
    virtual ~LineSink() = default;
    // Called with one finished line, never two at once. Must not wait for the
    // main thread: the main thread may be writing a line itself.
    virtual void WriteLine(const std::string& line) = 0;
};

struct EndLineTag {};
inline constexpr EndLineTag EndLine{};

class CInfoLog {
public:
    // "\n" or "\r\n" alone finishes the line; anything else is appended.
    CInfoLog& operator<<(const char* text);
    CInfoLog& operator<<(const std::string& text);
    CInfoLog& operator<<(EndLineTag);
    template <typename N, typename = std::enable_if_t<std::is_integral_v<N> && !std::is_same_v<N, char> &&
                                                      !std::is_same_v<N, bool>>>
    CInfoLog& operator<<(N number) {
        Pending() += std::to_string(number);
        return *this;
    }
    // Appends without the line-end check.
    CInfoLog& AppendRaw(const char* text);

    // Finishes the calling thread's pending line (an empty one writes an empty line).
    // A thread must finish its line before it ends; an unfinished one is lost.
    void EndLine();

    void AddSink(LineSink* sink);
    void RemoveSink(LineSink* sink);

    // The info window, for showing, hiding and placing it; null without one.
    HWND Window() const { return window_.load(); }
    void SetWindow(HWND window) { window_.store(window); }

private:
    static std::string& Pending();

    std::mutex mutex_;
    std::vector<LineSink*> sinks_;
    std::atomic<HWND> window_{nullptr};
};

extern CInfoLog InfoLog;

// Collects finished lines in memory, oldest first (tests, console output).
class LineCapture : public LineSink {
public:
    LineCapture();
    ~LineCapture() override;
    void WriteLine(const std::string& line) override;
    std::vector<std::string> Lines();
    void Clear();

private:
    std::mutex mutex_;
    std::vector<std::string> lines_;
};
