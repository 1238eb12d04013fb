#include "app/card_content.h"

#include "base/file_bytes.h"
#include "greeting/greeting_encoding.h"
#include "greeting/greeting_file.h"
#include "greeting/greeting_text.h"
#include "music/loader.h"
#include "platform/resources.h"

namespace {

// The card's own music among the program's embedded resources.
constexpr const char* CARD_MODULE_NAME = "TRACK";
constexpr const char* CARD_MODULE_TYPE = "XM";

LoadedCardContent& usedContent() {
    static LoadedCardContent content;
    return content;
}

}  // namespace

void LoadedCardContent::setGreeting(const Greeting& greeting) {
    // Behind the built-in text's tag, which the writer never shows.
    writerText_.assign(greetingText, TEXT_WRITER_TAG_LENGTH);
    writerText_ += writerTextFromGreeting(greeting);
}

bool LoadedCardContent::setMusic(std::string bytes, std::string_view name, std::string& error) {
    Song* song = createSongFromMemory(bytes.data(), bytes.size());
    if (song == nullptr) {
        error = std::string(name) + ": " + lastLoadError().message;
        return false;
    }
    freeSong(song);
    module_ = std::move(bytes);
    return true;
}

bool loadCardContent(const CardContent& content, LoadedCardContent& out, std::string& error) {
    LoadedCardContent loaded;
    if (!content.greetingPath.empty()) {
        const GreetingResult greeting = loadGreetingFile(content.greetingPath);
        if (!greeting.ok()) {
            error = greeting.error;
            return false;
        }
        loaded.setGreeting(greeting.greeting);
    }
    if (!content.musicPath.empty()) {
        std::string bytes;
        const FileKind module{"module", "module", MODULE_FILE_MAX_BYTES};
        if (!readFileBytes(content.musicPath, module, bytes, error)) return false;
        if (!loaded.setMusic(std::move(bytes), content.musicPath, error)) return false;
    }
    out = std::move(loaded);
    return true;
}

void useCardContent(const LoadedCardContent& content) {
    usedContent() = content;
}

const LoadedCardContent& usedCardContent() {
    return usedContent();
}

Song* createContentSong(const LoadedCardContent& content) {
    if (content.hasOwnMusic())
        return createSongFromMemory(content.moduleBytes().data(), content.moduleBytes().size());
    const Resource track = findResource(CARD_MODULE_NAME, CARD_MODULE_TYPE);
    return createSongFromMemory(track.bytes, track.size);
}
