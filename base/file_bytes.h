#pragma once
// Reads a file the user named, whole, with errors that name it as given:
// "wishes.txt: cannot be read (No such file or directory)",
// "song.xm: is a folder, not a module".
#include <cstddef>
#include <string>

// What the file ought to be, for the messages, and how large it may be.
struct FileKind {
    const char* noun;       // "greeting file": "is a folder, not a greeting file"
    const char* limitNoun;  // "greeting": "too large for a greeting (more than N bytes)"
    size_t maxBytes;
    // Whether a pipe or a device is read too (up to maxBytes); if not, only
    // a regular file is ("not a regular file").
    bool streamsToo = true;
};

// Reads `path` to its end into `bytes`. False, with one line in `error`,
// for an empty name, a folder, a file that cannot be opened or read, or
// one larger than the kind allows (a regular file that large is not read
// at all; a device that never ends is cut off there).
bool readFileBytes(const std::string& path, const FileKind& kind, std::string& bytes, std::string& error);
