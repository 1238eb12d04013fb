#pragma once
// FFmpeg's own messages, kept instead of printed: the libraries log the
// precise cause of a failure (a refused sample rate, an unknown option) and
// return only a generic code, so the recorder folds the message into its one
// line of error and nothing else reaches the terminal.
#include <string>

// Routes FFmpeg's log into the recorder (once per process; later calls do
// nothing). Nothing is printed from then on.
void captureFfmpegLog();

// Forgets any message logged so far, so a later error is not blamed on it.
void clearFfmpegMessage();

// "what: cause", the cause being the last error FFmpeg logged since
// clearFfmpegMessage, or else the text of `code` (an AVERROR).
std::string ffmpegError(const std::string& what, int code);
