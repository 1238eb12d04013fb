#include "base/partial_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>

namespace {

// Names are drawn at random; a clash with another run's file is retried.
constexpr int NAME_TRIES = 100;

std::string folderOf(const std::string& path) {
    const std::string folder = std::filesystem::path(path).parent_path().string();
    return folder.empty() ? "." : folder;
}

}  // namespace

bool PartialFile::create(const std::string& finalPath, std::string& error) {
    discard();
    const std::filesystem::path path(finalPath);
    const std::string name = path.filename().string();
    if (name.empty() || name == "." || name == "..") {
        error = finalPath + " names a folder, not a file";
        return false;
    }
    struct stat info {};
    if (stat(finalPath.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
        error = finalPath + " exists and is not a regular file";
        return false;
    }
    const std::string folder = folderOf(finalPath);
    std::random_device seed;
    std::mt19937 random(seed());
    for (int attempt = 0; attempt < NAME_TRIES; ++attempt) {
        char tag[16];
        std::snprintf(tag, sizeof tag, "%06x", static_cast<unsigned>(random() & 0xFFFFFF));
        const std::string candidate = folder + "/." + name + "." + tag + ".part";
        const int fd = open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            close(fd);
            final_ = finalPath;
            temporary_ = candidate;
            return true;
        }
        if (errno != EEXIST) {
            error = "cannot create a file in " + folder + ": " + std::strerror(errno);
            return false;
        }
    }
    error = "cannot create a file in " + folder + ": no free temporary name";
    return false;
}

bool PartialFile::commit(std::string& error) {
    if (temporary_.empty()) {
        error = "nothing to save";
        return false;
    }
    // On disk before the rename: after a crash the name holds the old file
    // or the whole new one, never an empty one.
    const int fd = open(temporary_.c_str(), O_RDONLY | O_CLOEXEC);
    const bool synced = fd >= 0 && fsync(fd) == 0;
    const int syncErrno = errno;
    if (fd >= 0) close(fd);
    if (!synced) {
        error = "cannot write " + final_ + ": " + std::strerror(syncErrno);
        discard();
        return false;
    }
    if (std::rename(temporary_.c_str(), final_.c_str()) != 0) {
        error = "cannot save " + final_ + ": " + std::strerror(errno);
        discard();
        return false;
    }
    temporary_.clear();
    return true;
}

void PartialFile::discard() {
    if (temporary_.empty()) return;
    std::remove(temporary_.c_str());
    temporary_.clear();
}
