#include "music/file_callbacks.h"

#include <cstdlib>

namespace {
FileCallbacks table{};
}  // namespace

void registerFileCallbacks(FileOpenCallback open, FileCloseCallback close, FileReadCallback read,
                           FileSeekCallback seek, FileTellCallback tell) {
    if (open && close && read && seek && tell)
        table = FileCallbacks{open, close, read, seek, tell};
    else
        table = FileCallbacks{};
}

bool fileCallbacksRegistered() {
    return table.open && table.close && table.read && table.seek && table.tell;
}

FileCallbacks registeredFileCallbacks() {
    return table;
}

SongStream* SongStream::open(const char* name) {
    if (!fileCallbacksRegistered()) return nullptr;
    auto* handle = static_cast<SongStream*>(std::calloc(1, sizeof(SongStream)));
    if (!handle) return nullptr;
    handle->stream = table.open(name);
    if (!handle->stream) {
        std::free(handle);
        return nullptr;
    }
    return handle;
}

void SongStream::close(SongStream* handle) {
    if (!handle) return;
    // safety: a table cleared while the stream was open would leave nothing
    // to close it with; the handle itself is still released.
    if (table.close) table.close(handle->stream);
    std::free(handle);
}

int32_t SongStream::read(void* destination, int32_t count, SongStream* handle) {
    if (!handle || !table.read) return 0;
    return table.read(destination, count, handle->stream);
}

void SongStream::seek(SongStream* handle, int32_t offset, uint8_t mode) {
    if (!handle || !table.seek) return;
    table.seek(handle->stream, offset, mode);
}

int32_t SongStream::tell(SongStream* handle) {
    if (!handle || !table.tell) return 0;
    return table.tell(handle->stream);
}
