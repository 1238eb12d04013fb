#pragma once
// The song data source: five file-access callbacks registered in one global
// table, and the handle through which the loader reads a module. The loader
// never touches files or resources itself.
//
// The table is process-wide and unguarded: register or swap it only on the
// thread that loads songs, while no load is running. The audio thread never
// reads it.
#include <cstdint>

using FileOpenCallback = void* (*)(const char* name);
using FileCloseCallback = void (*)(void* stream);
using FileReadCallback = int32_t (*)(void* destination, int32_t count, void* stream);
using FileSeekCallback = void (*)(void* stream, int32_t offset, uint8_t mode);
using FileTellCallback = int32_t (*)(void* stream);

struct FileCallbacks {
    FileOpenCallback open;  // opaque stream, null on failure
    FileCloseCallback close;
    FileReadCallback read;  // bytes copied
    FileSeekCallback seek;
    FileTellCallback tell;  // position
};

// Seek modes.
constexpr uint8_t SEEK_FROM_START = 0;
constexpr uint8_t SEEK_RELATIVE = 1;
constexpr uint8_t SEEK_TO_END = 2;  // the offset is not used

// Replaces the table when all five are non-null; clears all five otherwise.
void registerFileCallbacks(FileOpenCallback open, FileCloseCallback close, FileReadCallback read,
                           FileSeekCallback seek, FileTellCallback tell);
// True when all five entries are set.
bool fileCallbacksRegistered();
// The table as it stands (all null when not registered), so a caller that
// swaps in another set can put the previous one back.
FileCallbacks registeredFileCallbacks();
inline void registerFileCallbacks(const FileCallbacks& c) {
    registerFileCallbacks(c.open, c.close, c.read, c.seek, c.tell);
}

// The loader's handle: owns the stream that FileCallbacks::open gave.
struct SongStream {
    void* stream;

    // Null when no callbacks are registered, the open callback fails or the
    // handle cannot be allocated.
    static SongStream* open(const char* name);
    // A null handle does nothing.
    static void close(SongStream* handle);
    // A null handle reads nothing and gives 0.
    static int32_t read(void* destination, int32_t count, SongStream* handle);
    static void seek(SongStream* handle, int32_t offset, uint8_t mode);
    static int32_t tell(SongStream* handle);
};
