#pragma once
// What the card writes and plays: our greeting and music, or the sender's
// own greeting file and XM module. Everything is read and checked once,
// before any window opens, so that a bad file is one line at once rather
// than a card that fails halfway; the scene's next set-up then writes and
// plays what useCardContent was given.
//
//   LoadedCardContent content;
//   if (!loadCardContent(options.content, content, error)) -> "yulecard: " + error, exit 1
//   useCardContent(content);   // then sceneInit() writes and plays it
//
// A host with the greeting's bytes instead of a file (the browser, from the
// link) lays them out with layOutGreeting and calls setGreeting.
#include <cstddef>
#include <string>
#include <string_view>

#include "app/card_options.h"
#include "greeting/greeting_layout.h"

struct Song;

// A default-made one is the built-in card: our greeting and "TRACK".
struct LoadedCardContent {
  public:
    // Writes `greeting` instead of ours.
    void setGreeting(const Greeting& greeting);
    // Plays the module in `bytes` instead of ours. The loader checks it
    // here; when it refuses, false with "NAME: reason" in `error`
    // ("song.xm: instrument 5 has 20 samples; at most 16") and the music is
    // left as it was.
    bool setMusic(std::string bytes, std::string_view name, std::string& error);

    // Back to ours, the other part kept as it is.
    void useOurGreeting() { writerText_.clear(); }
    void useOurMusic() { module_.clear(); }

    bool hasOwnGreeting() const { return !writerText_.empty(); }
    bool hasOwnMusic() const { return !module_.empty(); }
    // The writer's input for the own greeting: a tag, then the text in the
    // writer's format (effects/text_format.h) with no zero byte inside, so
    // c_str() ends it. Empty for ours.
    const std::string& writerText() const { return writerText_; }
    // The own module's bytes, checked by the loader; empty for ours.
    const std::string& moduleBytes() const { return module_; }

  private:
    std::string writerText_;
    std::string module_;
};

// Reads and checks what `content` names: the greeting file, laid out for the
// palm, and the module, loaded once to see that the loader takes it. Empty
// paths keep ours. False with one line in `error`, without the program's
// name ("wishes.txt:3: ..."), and `out` untouched.
bool loadCardContent(const CardContent& content, LoadedCardContent& out, std::string& error);

// What the scene's next set-up writes and plays (a copy is kept). Until it
// is called, the built-in card; a default-made content brings that back.
void useCardContent(const LoadedCardContent& content);
const LoadedCardContent& usedCardContent();

// A new song of the content's music: its own module, or our "TRACK". The
// caller owns it (freeSong, or a MusicPlayer's adopt). Null only when the
// loader fails now (lastLoadError() says why): out of memory, or a program
// built without its TRACK.
Song* createContentSong(const LoadedCardContent& content);
