#include "tools/record/progress_bar.h"

#include <algorithm>
#include <cmath>

#include "tools/record/video_writer.h"

namespace {

constexpr int BAR_WIDTH = 24;
// Often enough to look alive, seldom enough to cost nothing.
constexpr auto REDRAW_EVERY = std::chrono::milliseconds(200);

// "m:ss", or "h:mm:ss" from an hour on.
std::string clockTime(double seconds) {
    const long whole = std::lround(std::clamp(seconds, 0.0, 1e9));
    char text[32];
    if (whole < 3600)
        std::snprintf(text, sizeof text, "%ld:%02ld", whole / 60, whole % 60);
    else
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", whole / 3600, whole / 60 % 60, whole % 60);
    return text;
}

}  // namespace

std::string progressLine(int64_t done, int64_t total, double elapsedSeconds) {
    total = std::max<int64_t>(total, 1);
    done = std::clamp<int64_t>(done, 0, total);
    const int filled = static_cast<int>(done * BAR_WIDTH / total);
    std::string line = "[" + std::string(static_cast<size_t>(filled), '#') +
                       std::string(static_cast<size_t>(BAR_WIDTH - filled), '.') + "]";
    char figures[96];
    std::snprintf(figures, sizeof figures, " %lld/%lld frames %3d%%", static_cast<long long>(done),
                  static_cast<long long>(total), static_cast<int>(done * 100 / total));
    line += figures;
    // Speed and time left only once there is something to go by.
    if (done > 0 && elapsedSeconds > 0) {
        const double videoSeconds = static_cast<double>(done) * FRAME_PERIOD_MS / 1000.0;
        const double left = elapsedSeconds * static_cast<double>(total - done) / static_cast<double>(done);
        std::snprintf(figures, sizeof figures, "  %.1fx  %s left", videoSeconds / elapsedSeconds,
                      clockTime(left).c_str());
        line += figures;
    }
    return line;
}

ProgressBar::ProgressBar(std::FILE* to, bool shown)
    : to_(to), shown_(shown), start_(std::chrono::steady_clock::now()), lastDrawn_(start_) {}

void ProgressBar::update(int64_t done, int64_t total) {
    if (!shown_) return;
    const auto now = std::chrono::steady_clock::now();
    if (drawn_ && done < total && now - lastDrawn_ < REDRAW_EVERY) return;
    lastDrawn_ = now;
    drawn_ = true;
    const double elapsed = std::chrono::duration<double>(now - start_).count();
    // Back to the start of the line, and clear what a longer line left.
    std::fprintf(to_, "\r%s\033[K", progressLine(done, total, elapsed).c_str());
    std::fflush(to_);
}

void ProgressBar::end() {
    if (!drawn_) return;
    std::fputc('\n', to_);
    std::fflush(to_);
    drawn_ = false;
}
