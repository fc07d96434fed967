#include "infolog/info_log.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>

CInfoLog InfoLog;

namespace {
// The calling thread's unfinished line, made on its first piece and freed when
// the line ends. A plain pointer on purpose: MinGW's emulated TLS may free a
// thread_local object's storage before its destructor runs at thread exit, so
// a thread_local std::string corrupts the heap when a thread ends.
thread_local std::string* t_pending = nullptr;
}  // namespace

std::string& CInfoLog::Pending() {
    if (!t_pending) t_pending = new std::string;
    return *t_pending;
}

CInfoLog& CInfoLog::operator<<(const char* text) {
    if (!text) return *this;
    if (std::strcmp(text, "\n") == 0 || std::strcmp(text, "\r\n") == 0) {
        EndLine();
    } else {
        Pending() += text;
    }
    return *this;
}

CInfoLog& CInfoLog::operator<<(const std::string& text) {
    Pending() += text;
    return *this;
}

CInfoLog& CInfoLog::operator<<(EndLineTag) {
    EndLine();
    return *this;
}

CInfoLog& CInfoLog::AppendRaw(const char* text) {
    if (text) Pending() += text;
    return *this;
}

void CInfoLog::EndLine() {
    const std::unique_ptr<std::string> pending(std::exchange(t_pending, nullptr));
    const std::string line = pending ? std::move(*pending) : std::string();
    std::lock_guard<std::mutex> lock(mutex_);
    for (LineSink* sink : sinks_) sink->WriteLine(line);
}

void CInfoLog::AddSink(LineSink* sink) {
    std::lock_guard<std::mutex> lock(mutex_);
    sinks_.push_back(sink);
}

void CInfoLog::RemoveSink(LineSink* sink) {
    std::lock_guard<std::mutex> lock(mutex_);
    sinks_.erase(std::remove(sinks_.begin(), sinks_.end(), sink), sinks_.end());
}

LineCapture::LineCapture() { InfoLog.AddSink(this); }

LineCapture::~LineCapture() { InfoLog.RemoveSink(this); }

void LineCapture::WriteLine(const std::string& line) {
    std::lock_guard<std::mutex> lock(mutex_);
    lines_.push_back(line);
}

std::vector<std::string> LineCapture::Lines() {
    std::lock_guard<std::mutex> lock(mutex_);
    return lines_;
}

void LineCapture::Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    lines_.clear();
}
