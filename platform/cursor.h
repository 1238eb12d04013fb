#pragma once
// Hides the mouse pointer over the card's window for the rest of the run.
void hideCursor();
// True while the pointer is shown.
bool cursorShown();
