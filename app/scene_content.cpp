#include "app/scene_content.h"

#include "app/card_content.h"
#include "app/frame_loop.h"
#include "app/scene.h"
#include "app/scene_frame.h"
#include "app/scene_state.h"
#include "greeting/greeting_text.h"

namespace {

SceneSleepFunction sceneSleep = deferFirstFrame;

// Draws the whole of `picture` with its top-left corner at (x, y).
void blitWhole(ImageSurface& picture, int32_t x, int32_t y, int32_t w, int32_t h) {
    picture.blit(display, x, y, w, h, 0, 0, w, h);
}

void makePicture(ImageSurface& picture, int32_t bitmap, int32_t w, int32_t h) {
    picture.create(display.directDraw, w, h, DDSCAPS_SYSTEMMEMORY);
    picture.loadBitmap(bitmap, 0, 0);
}

}  // namespace

void setSceneSleep(SceneSleepFunction sleep) {
    sceneSleep = sleep ? sleep : deferFirstFrame;
}

TextWriterConfig greetingWriterConfig() {
    TextWriterConfig config{
        .font = FONT_BITMAP,
        .glyphWidth = 16,
        .glyphHeight = 16,
        .columns = TEXT_FONT_COLUMNS,
        .rows = TEXT_FONT_ROWS,
        .penStartX = PEN_START_X,
        .penStartY = PEN_START_Y,
        .text = greetingText,
    };
    // The sender's greeting is as long as it is; ours keeps its padded room.
    const std::string& own = usedCardContent().writerText();
    if (!own.empty()) {
        config.text = own.c_str();
        config.textBytes = static_cast<int32_t>(own.size()) - TEXT_WRITER_TAG_LENGTH + 1;
    }
    return config;
}

void sceneContentSetup() {
    // The show starts from its beginning. The card sets up once, so this
    // only matters to tests and tools that run the scene more than once.
    palmX = PALM_START_X;
    phase = SCENE_SLIDE_IN;

    // No result is looked at: whatever fails to load is simply not drawn.
    snowLayer.create(display.directDraw, SCREEN_WIDTH, SCREEN_HEIGHT, DDSCAPS_VIDEOMEMORY);
    makePicture(backdrop, BACKDROP_BITMAP, SCREEN_WIDTH, SCREEN_HEIGHT);
    makePicture(frameOverlay, FRAME_OVERLAY_BITMAP, SCREEN_WIDTH, SCREEN_HEIGHT);
    makePicture(palm, PALM_BITMAP, PALM_WIDTH, PALM_HEIGHT);
    makePicture(logo, LOGO_BITMAP, LOGO_WIDTH, LOGO_HEIGHT);
    textWriter.setup(display.directDraw, greetingWriterConfig());
    snow.create(SNOW_FLAKES);
    // The hand starts wholly beyond the right edge: screen width plus its own.
    approachX.set(static_cast<float>(SCREEN_WIDTH + TEXT_WRITER_HAND_WIDTH), static_cast<float>(PEN_START_X),
                  APPROACH_FRAMES);
    approachY.set(0.0f, APPROACH_END_Y, APPROACH_FRAMES);
    // The music starts before the wait, so it runs ahead of the first frame.
    // Without a module or a sound device the show simply runs silently.
    music.init(MUSIC_RATE);
    music.adopt(createContentSong(usedCardContent()));
    music.play();
    sceneSleep(SCENE_START_WAIT_MS);
}

void sceneSkipToWriting() {
    // Every step of the slide-in and the approach is taken as the frames
    // take them, undrawn, so the palm and the hand stand exactly where the
    // full show has them when it starts writing.
    while (palmX < 0.0f) palmX = static_cast<float>(static_cast<double>(palmX) + PALM_STEP);
    while (!(approachX.advance(1.0f) && approachY.advance(1.0f))) {
    }
    textWriter.placeHand(static_cast<int32_t>(approachX.value), static_cast<int32_t>(approachY.value));
    phase = SCENE_WRITING;
}

void sceneRestartGreeting() {
    const TextWriterConfig config = greetingWriterConfig();
    textWriter.restart(config.text, config.textBytes);
}

void sceneContentFrame() {
    // Snow: drawn by the processor into its own layer, then keyed over the
    // backdrop. When the lock fails this frame has no snow.
    snowLayer.clear();
    snow.update();
    if (uint8_t* pixels = snowLayer.lock()) {
        snow.draw(pixels, snowLayer.lockPitch);
        snowLayer.unlock();
    }
    blitWhole(backdrop, 0, 0, SCREEN_WIDTH, SCREEN_HEIGHT);
    blitWhole(snowLayer, 0, 0, SCREEN_WIDTH, SCREEN_HEIGHT);

    switch (phase) {
        case SCENE_SLIDE_IN:
            blitWhole(palm, static_cast<int32_t>(palmX), 0, PALM_WIDTH, PALM_HEIGHT);
            palmX = static_cast<float>(static_cast<double>(palmX) + PALM_STEP);
            if (palmX >= 0.0f) phase = SCENE_APPROACH;
            break;
        case SCENE_APPROACH:
            blitWhole(palm, 0, 0, PALM_WIDTH, PALM_HEIGHT);
            // Left first, then up: the vertical tween waits for the horizontal.
            if (approachX.advance(1.0f) && approachY.advance(1.0f)) phase = SCENE_WRITING;
            textWriter.drawHandAt(display, static_cast<int32_t>(approachX.value),
                                  static_cast<int32_t>(approachY.value));
            break;
        case SCENE_WRITING:
            blitWhole(palm, 0, 0, PALM_WIDTH, PALM_HEIGHT);
            textWriter.frame(display);
            break;
        default:
            break;
    }

    blitWhole(frameOverlay, 0, 0, SCREEN_WIDTH, SCREEN_HEIGHT);
    blitWhole(logo, 0, SCREEN_HEIGHT - LOGO_HEIGHT, LOGO_WIDTH, LOGO_HEIGHT);
}

void sceneContentShutdown() {
    // The music stops (and its feeder thread ends) before any picture goes.
    music.stop();
    music.close();
    logo.release();
    backdrop.release();
    frameOverlay.release();
    palm.release();
    snowLayer.release();
}
