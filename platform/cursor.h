#pragma once
// The mouse pointer over the card's window: hidden while the card fills the
// screen, the desktop's own in a desktop window.
void hideCursor();
void showCursor();
// True while the pointer is shown.
bool cursorShown();
