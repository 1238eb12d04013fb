#pragma once
// The greeting card's content, run inside the scene's frame:
// - sceneContentSetup: once, after the display is open, its clip list set
//   and the cursor hidden;
// - sceneContentFrame: every frame, after the back buffer is cleared and
//   before it is presented;
// - sceneContentShutdown: once, first thing at shutdown, before the display
//   is released (also after a failed set-up: give up only what exists).

#include "effects/text_writer.h"

void sceneContentSetup();
void sceneContentFrame();
void sceneContentShutdown();

// How the card's writer is set up: the font sheet, its grid, where the pen
// starts and the greeting in use (usedCardContent: the sender's or ours).
TextWriterConfig greetingWriterConfig();

// For a preview of the greeting: the show as it stands when writing begins
// (the palm in place, the hand arrived), so the next frame starts the
// greeting's first letter. Call after the set-up, before the first frame.
void sceneSkipToWriting();
// Writes the greeting now in use (usedCardContent) from its beginning,
// while the rest of the show (snow, music) goes on.
void sceneRestartGreeting();
