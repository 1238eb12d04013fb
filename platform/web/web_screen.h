#pragma once
// What the web card's host tells the screen beyond the presenter interface.
// A browser's callback may run several of the show's frames at once (the
// ones that fell due while the browser was slow to call back); the page
// should draw only the last of them, since drawing is most of a browser's
// cost. Between holdPictures() and showHeldPicture() every present is taken
// in but only the last one is drawn, at showHeldPicture(). Outside a hold a
// present is drawn at once.
void holdPictures();
void showHeldPicture();
