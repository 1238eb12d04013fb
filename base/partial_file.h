#pragma once
// A file that appears under its name whole or not at all: it is written
// under a hidden temporary name in the same folder and renamed into place
// at the end, so an error or an interruption never leaves half a video or
// half a card where the user expects one.
#include <string>

class PartialFile {
  public:
    PartialFile() = default;
    PartialFile(const PartialFile&) = delete;
    PartialFile& operator=(const PartialFile&) = delete;
    ~PartialFile() { discard(); }

    // Creates an empty temporary file beside `finalPath` (".NAME.XXXXXX.part"),
    // with the permissions a new file gets. Refuses a final path that exists
    // and is not a regular file (a folder, a device): renaming over it would
    // replace something that is not ours.
    bool create(const std::string& finalPath, std::string& error);

    // Where to write until commit; empty when there is no temporary file.
    const std::string& temporaryPath() const { return temporary_; }

    // Flushes the temporary file to disk and renames it to the final path.
    // On failure the temporary file is removed.
    bool commit(std::string& error);

    // Removes the temporary file, if any. Safe to call more than once.
    void discard();

  private:
    std::string final_;
    std::string temporary_;
};
