#include "greeting/greeting_text.h"

// Each page ends with a pause ("\r" and a digit), pages are separated by
// "\a" and the whole text by the zero bytes that pad the array. A literal
// too long for the array fails to compile, so the padding cannot be lost.
const char greetingText[greetingTextBytes] =
    "YCARD"
    // A greeting from us to whoever opened the card.
    "Dear friend,\n"
    "a merry Christmas to\n"
    "you and yours, from\n"
    "all of us who made\n"
    "this little card!"
    "\r1\a"
    // Wishes for the holidays and a promise for the new year.
    "Have a safe and happy\n"
    "holiday, warm and\n"
    "bright with cheer.\n"
    "We'll be back with\n"
    "more in the new year!"
    "\r2\a"
    // Thanks, and a look ahead.
    "Thank you to all who\n"
    "stood by us this year\n"
    "with kind words and\n"
    "help. The year ahead\n"
    "looks brighter still."
    "\r2\a"
    // Who made what.
    "The yulecard team:\n"
    "Graphics: the artist\n"
    "Music: the musician\n"
    "Code: the coder"
    "\r2\a"
    // Greetings to the people who make things like this.
    "Warm greetings to\n"
    "everyone who makes\n"
    "demos, music and\n"
    "pixel art, to all\n"
    "trackers, coders and\n"
    "painters out there,\n"
    "near and far!"
    "\r3\a"
    // And our respects to the craft itself.
    "Respect to the craft:\n"
    "every pixel placed,\n"
    "every note tracked,\n"
    "every line of code\n"
    "made with love."
    "\r2";
