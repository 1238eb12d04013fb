#include "greeting/greeting_file.h"

#include "base/file_bytes.h"

GreetingResult loadGreetingFile(const std::string& path) {
    std::string bytes;
    GreetingResult result;
    if (!readFileBytes(path, FileKind{"greeting file", "greeting", GREETING_FILE_MAX_BYTES}, bytes,
                       result.error))
        return result;
    return layOutGreeting(bytes, path);
}
