#include "app/greeting_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

namespace {

GreetingResult failed(std::string error) {
    GreetingResult result;
    result.error = std::move(error);
    return result;
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

GreetingResult loadGreetingFile(const std::string& path) {
    if (path.empty()) return failed("the greeting file's name is empty");
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) return failed(path + ": is a folder, not a greeting file");
    errno = 0;
    const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) return failed(path + ": cannot be read (" + std::strerror(errno) + ")");
    // Read to the end rather than trust the size the system reports: a pipe
    // has none, and a device may never end.
    std::string bytes;
    char buffer[16384];
    for (;;) {
        errno = 0;
        const size_t n = std::fread(buffer, 1, sizeof buffer, file.get());
        if (n < sizeof buffer && std::ferror(file.get()))
            return failed(path + ": cannot be read (" + std::strerror(errno) + ")");
        bytes.append(buffer, n);
        if (bytes.size() > GREETING_FILE_MAX_BYTES)
            return failed(path + ": too large for a greeting (more than " +
                          std::to_string(GREETING_FILE_MAX_BYTES) + " bytes)");
        if (n < sizeof buffer) break;
    }
    return layOutGreeting(bytes, path);
}
