#pragma once
// Hides the mouse pointer over the card's window for the rest of the run.
void hideCursor();
// 1 while the pointer is shown, 0 while hidden.
int cursorShown();
