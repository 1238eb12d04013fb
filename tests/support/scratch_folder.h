#pragma once
// Empty folders for the tests to write into, and what they hold.
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

// A new, empty folder below the build's test output.
inline std::filesystem::path scratchFolder(const std::string& name) {
    const std::filesystem::path dir = std::filesystem::path(YULE_TEST_OUT) / "scratch" / name;
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

// The names in `dir`, sorted.
inline std::vector<std::string> folderEntries(const std::filesystem::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}
