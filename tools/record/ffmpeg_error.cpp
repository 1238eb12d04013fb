#include "tools/record/ffmpeg_error.h"

extern "C" {
#include <libavutil/error.h>
#include <libavutil/log.h>
}

#include <cstdarg>
#include <cstdio>
#include <mutex>

namespace {

// Encoders log from their own threads too.
std::mutex lock;
std::string lastError;  // the last complete line logged at error level or worse
std::string pending;    // a line still being logged in pieces

void keepMessage(void*, int level, const char* format, va_list args) {
    if (level > AV_LOG_ERROR) return;
    char text[512];
    std::vsnprintf(text, sizeof text, format, args);
    const std::lock_guard<std::mutex> hold(lock);
    pending += text;
    if (pending.empty() || pending.back() != '\n') return;
    while (!pending.empty() && (pending.back() == '\n' || pending.back() == '\r' || pending.back() == ' '))
        pending.pop_back();
    if (!pending.empty()) lastError = pending;
    pending.clear();
}

}  // namespace

void captureFfmpegLog() {
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_callback(keepMessage); });
}

void clearFfmpegMessage() {
    const std::lock_guard<std::mutex> hold(lock);
    lastError.clear();
    pending.clear();
}

std::string ffmpegError(const std::string& what, int code) {
    std::string cause;
    {
        const std::lock_guard<std::mutex> hold(lock);
        cause = lastError.empty() ? pending : lastError;
    }
    if (cause.empty()) {
        char text[AV_ERROR_MAX_STRING_SIZE] = "";
        av_strerror(code, text, sizeof text);
        cause = text;
    }
    return what + ": " + cause;
}
