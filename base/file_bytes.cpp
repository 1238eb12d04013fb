#include "base/file_bytes.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

bool readFileBytes(const std::string& path, const FileKind& kind, std::string& bytes, std::string& error) {
    bytes.clear();
    if (path.empty()) {
        error = std::string("the ") + kind.noun + "'s name is empty";
        return false;
    }
    std::error_code ec;
    const std::filesystem::file_status status = std::filesystem::status(path, ec);
    if (std::filesystem::is_directory(status)) {
        error = path + ": is a folder, not a " + kind.noun;
        return false;
    }
    const auto tooLarge = [&] {
        error = path + ": too large for a " + kind.limitNoun + " (more than " +
                std::to_string(kind.maxBytes) + " bytes)";
        bytes.clear();
        return false;
    };
    if (std::filesystem::is_regular_file(status)) {
        const uintmax_t size = std::filesystem::file_size(path, ec);
        if (!ec && size > kind.maxBytes) return tooLarge();
        if (!ec) bytes.reserve(static_cast<size_t>(size));
    } else if (!kind.streamsToo && std::filesystem::exists(status)) {
        error = path + ": not a regular file";
        return false;
    }
    errno = 0;
    const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        error = path + ": cannot be read (" + std::strerror(errno) + ")";
        return false;
    }
    // Read to the end rather than trust the size the system reports: a pipe
    // has none, and a device may never end.
    char buffer[16384];
    for (;;) {
        errno = 0;
        const size_t n = std::fread(buffer, 1, sizeof buffer, file.get());
        if (n < sizeof buffer && std::ferror(file.get())) {
            error = path + ": cannot be read (" + std::strerror(errno) + ")";
            return false;
        }
        bytes.append(buffer, n);
        if (bytes.size() > kind.maxBytes) return tooLarge();
        if (n < sizeof buffer) return true;
    }
}
