#include "infolog/info_log.h"

#include <algorithm>
#include <cstring>

CInfoLog InfoLog;

std::string& CInfoLog::Pending() {
    thread_local std::string pending;
    return pending;
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
    std::string line;
    line.swap(Pending());
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
