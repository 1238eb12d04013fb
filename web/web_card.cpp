// The card in a web page. The page calls these functions; the browser calls
// the frame step back at the display's rate. Nothing here blocks: the show's
// pace is the running deadline of one frame every 21 ms, the music is fed
// whenever the page's player asks for more.
//
// The page's life: the invitation (the backdrop, shown at once), the show
// (opened by a click, tap or key, so the browser lets it make sound), the
// end (Esc or the stop control; the page offers to open the card again,
// from its beginning).
#include <emscripten.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "app/card_content.h"
#include "app/frame_loop.h"
#include "app/scene.h"
#include "app/scene_content.h"
#include "app/scene_frame.h"
#include "app/scene_host.h"
#include "app/scene_state.h"
#include "greeting/greeting_error.h"
#include "greeting/greeting_layout.h"
#include "greeting/greeting_link.h"
#include "greeting/greeting_readable.h"
#include "greeting/greeting_text.h"
#include "music/audio_output.h"
#include "platform/messages.h"
#include "platform/ticks.h"
#include "platform/wall_clock.h"
#include "platform/web/web_audio.h"
#include "platform/web/web_screen.h"
#include "platform/window.h"

extern "C" {
// The page's side (web_library.js): the show has ended with `status`.
void yuleShowEnded(int32_t status);
}

namespace {

// What the page reads to judge the show: frames and their cost, the music's
// cost and its gaps. Show time stops while the page is hidden.
struct ShowFigures {
    uint64_t frames = 0;
    uint64_t callbacks = 0;   // the browser's calls of the frame step
    uint64_t drawn = 0;       // those that drew a picture
    uint64_t longPauses = 0;  // callbacks that came more than a long pause after the last
    uint32_t lastCallback = 0;
    double callbackMs = 0;  // the page's work in them: the frames and drawing the last
    double frameMs = 0;     // time in the scene's frames, the page's drawing not included
    double musicMs = 0;     // time in the feeder, rendering the music
    uint32_t startTick = 0;
    uint32_t pausedAt = 0;
    uint64_t pausedMs = 0;
};

// What the errors of a greeting from the link call it.
constexpr std::string_view LINK_GREETING_NAME = "the link's greeting";

std::unique_ptr<CardShell> shell;
ShowFigures figures;
bool paused = false;
// Test aid: the show stops stepping once this frame has been shown (-1: never).
int64_t holdAfterFrame = -1;

bool holding() {
    return holdAfterFrame >= 0 && figures.frames > static_cast<uint64_t>(holdAfterFrame);
}

int timedSceneFrame() {
    // A held show draws nothing new, but its messages (Esc) are still taken.
    if (holding()) return 1;
    const double start = emscripten_get_now();
    const int result = sceneFrame();
    figures.frameMs += emscripten_get_now() - start;
    ++figures.frames;
    return result;
}

void timedFeederPass() {
    const double start = emscripten_get_now();
    feederPass();
    figures.musicMs += emscripten_get_now() - start;
}

// The preview's set-up: the show as writing begins, and no head start
// before the first frame, so the sender sees their first letter at once.
int sceneInitInPlace() {
    if (!sceneInit()) return 0;
    sceneSkipToWriting();
    takeFirstFrameDelay();
    return 1;
}

void endShow(uint32_t code) {
    emscripten_cancel_main_loop();
    const int status = shell->close(code);
    shell.reset();
    paused = false;
    yuleShowEnded(status);
}

void stepShow() {
    if (!shell || paused) return;
    // Of the frames that fell due since the last callback, only the last is drawn.
    const double start = emscripten_get_now();
    holdPictures();
    const StepResult r = shell->step();
    showHeldPicture();
    figures.callbackMs += emscripten_get_now() - start;
    // A callback more than a long pause after the last: the show lost that time.
    const uint32_t now = tickCount();
    if (figures.callbacks > 0 && now - figures.lastCallback > LONG_PAUSE_MS) figures.longPauses += 1;
    figures.lastCallback = now;
    figures.callbacks += 1;
    if (r.framesRan > 0) figures.drawn += 1;
    if (r.quit) endShow(r.exitCode);
}

}  // namespace

extern "C" {

// The invitation's picture: the card's backdrop, as the show draws it.
EMSCRIPTEN_KEEPALIVE int yuleShowInvitation() {
    if (shell) return 0;
    std::string error;
    return SceneHost().showBackdrop(error) ? 1 : 0;
}

// Opens the card: the show and its music start together (the music with its
// head start). Called from the page's gesture handler, so the browser lets
// the sound start. With `inPlace` (the compose page's preview) the palm and
// the hand are in place at once and the first frame starts writing. 1 when
// the show runs.
EMSCRIPTEN_KEEPALIVE int yuleOpenCard(int inPlace) {
    if (shell) return 1;
    // No threads in a page: the player's requests drive the feeder.
    setFeeding(Feeding::ByHost);
    setWebAudioRefill(timedFeederPass);
    clearPostedMessages();
    figures = ShowFigures{};
    paused = false;
    shell = std::make_unique<CardShell>(
        FrameLoopHooks{inPlace != 0 ? sceneInitInPlace : sceneInit, timedSceneFrame, sceneShutdown},
        FramePacing::RunningDeadline, tickCount);
    if (!shell->open()) {
        shell.reset();
        return 0;
    }
    figures.startTick = tickCount();
    emscripten_set_main_loop(stepShow, 0, 0);
    return 1;
}

// Ends the show as Esc does (the page's stop control; phones have no Esc).
EMSCRIPTEN_KEEPALIVE void yuleEndCard() {
    if (shell) postMessage(WM_KEYDOWN, VK_ESCAPE);
}

// A hidden page: the picture stops here, the page suspends the music.
EMSCRIPTEN_KEEPALIVE void yulePauseCard(int pause) {
    if (!shell || (pause != 0) == paused) return;
    paused = pause != 0;
    if (paused) {
        figures.pausedAt = tickCount();
    } else {
        figures.pausedMs += tickCount() - figures.pausedAt;
    }
}

// The greeting the card writes, as plain text for the page's screen-reader
// description. Valid until the next call.
EMSCRIPTEN_KEEPALIVE const char* yuleGreetingText() {
    static std::string text;
    const std::string& own = usedCardContent().writerText();
    text = readableGreeting(own.empty() ? greetingText + greetingTagLength : own.c_str() + greetingTagLength);
    return text.c_str();
}

// Takes the greeting from the link's fragment (with or without "#") for the
// next opening; the music stays as it is. A fragment without one brings
// back the card's own. Returns "" or, when the link's greeting cannot be
// written, the reason in parts as JSON (greeting/greeting_error.h), for the
// page to word in its language; the card's own greeting is used then, and
// the page says so.
EMSCRIPTEN_KEEPALIVE const char* yuleUseGreetingLink(const char* fragment) {
    static std::string error;
    error.clear();
    LoadedCardContent content = usedCardContent();
    content.useOurGreeting();  // unless the link has a greeting that can be written
    const GreetingLink link = greetingFromFragment(fragment != nullptr ? fragment : "");
    if (link.present && !link.ok()) error = greetingErrorJson(link.errorParts);
    if (link.present && link.ok()) {
        const GreetingResult laid = layOutGreeting(link.bytes, LINK_GREETING_NAME);
        if (laid.ok())
            content.setGreeting(laid.greeting);
        else
            error = greetingErrorJson(laid.errorParts);
    }
    useCardContent(content);
    return error.c_str();
}

// The preview's greeting changed (a new link): the hand writes it from its
// beginning while the show goes on.
EMSCRIPTEN_KEEPALIVE void yuleRestartGreeting() {
    if (shell) sceneRestartGreeting();
}

// For the page that writes a greeting: "" when `greetingFile` can be
// written on the card, else the reason in parts as JSON.
EMSCRIPTEN_KEEPALIVE const char* yuleCheckGreeting(const char* greetingFile) {
    static std::string error;
    const std::string_view file = greetingFile != nullptr ? greetingFile : "";
    // A link carries no more than this; the card would refuse the link.
    if (file.size() > GREETING_LINK_MAX_BYTES) {
        error = greetingErrorJson(GreetingError{
            GreetingProblem::TooLongForLink, 0, 0, {{"kb", std::to_string(GREETING_LINK_MAX_BYTES / 1024)}}});
        return error.c_str();
    }
    error = greetingErrorJson(layOutGreeting(file, "greeting").errorParts);
    return error.c_str();
}

// The fragment ("greeting=...&lang=..", no "#") of a link that carries
// `greetingFile` and shows the card's page in `language` (no lang field when
// it is not a language tag).
EMSCRIPTEN_KEEPALIVE const char* yuleGreetingFragment(const char* greetingFile, const char* language) {
    static std::string fragment;
    fragment = fragmentFromGreeting(greetingFile != nullptr ? greetingFile : "",
                                    language != nullptr ? language : "");
    return fragment.c_str();
}

// Test aids: the snow's clock and holding the show at a frame.
EMSCRIPTEN_KEEPALIVE void yuleFixClock(double seconds) {
    fixWallClock(static_cast<int64_t>(seconds));
}
EMSCRIPTEN_KEEPALIVE void yuleHoldAfterFrame(double frame) {
    holdAfterFrame = static_cast<int64_t>(frame);
}

// Figures for the page's tests and benchmarks.
// The glyphs on the palm now: a preview writes from its first frame.
EMSCRIPTEN_KEEPALIVE double yuleGlyphsOnPalm() {
    return shell ? static_cast<double>(textWriter.glyphCount()) : 0;
}
EMSCRIPTEN_KEEPALIVE double yuleFramesShown() {
    return static_cast<double>(figures.frames);
}
EMSCRIPTEN_KEEPALIVE double yuleCallbacks() {
    return static_cast<double>(figures.callbacks);
}
EMSCRIPTEN_KEEPALIVE double yulePicturesDrawn() {
    return static_cast<double>(figures.drawn);
}
// When the last callback came (the page's milliseconds): show time measured
// between callbacks holds whole frames, where a moment between two may not.
EMSCRIPTEN_KEEPALIVE double yuleLastCallbackMilliseconds() {
    return static_cast<double>(figures.lastCallback);
}
EMSCRIPTEN_KEEPALIVE double yuleSkippedShowMilliseconds() {
    return shell ? static_cast<double>(shell->skippedShowMs()) : 0;
}
EMSCRIPTEN_KEEPALIVE double yuleLongPauses() {
    return static_cast<double>(figures.longPauses);
}
EMSCRIPTEN_KEEPALIVE double yuleCallbackMillisecondsTotal() {
    return figures.callbackMs;
}
EMSCRIPTEN_KEEPALIVE double yuleShowMilliseconds() {
    if (!shell) return 0;
    const uint32_t now = paused ? figures.pausedAt : tickCount();
    return static_cast<double>(now - figures.startTick) - static_cast<double>(figures.pausedMs);
}
// All the time spent in frames so far (the page divides by frames shown).
EMSCRIPTEN_KEEPALIVE double yuleFrameMillisecondsTotal() {
    return figures.frameMs;
}
// Milliseconds of work per 21 ms of music, over the blocks rendered since the
// pre-fill (which is rendered before the show and not by the feeder).
EMSCRIPTEN_KEEPALIVE double yuleMusicMillisecondsPerFrame() {
    const uint64_t filled = blocksFilled();
    const uint64_t fed = filled > static_cast<uint64_t>(blockCount()) ? filled - blockCount() : 0;
    if (fed == 0) return 0;
    const double seconds = static_cast<double>(fed) * BLOCK_MILLISECONDS / 1000.0;
    return figures.musicMs / seconds * (FRAME_PERIOD_MS / 1000.0);
}
EMSCRIPTEN_KEEPALIVE double yuleUnderrunBlocks() {
    return static_cast<double>(underrunBlocks());
}

}  // extern "C"
