#pragma once
// What the web card's host tells the sound device beyond the AudioDevice
// interface. A page has no threads: the device asks for sound when the
// player in the page wants more, and calls `refill` (the audio output's
// feeder pass) first, so the ring is always fresh where it reads.
void setWebAudioRefill(void (*refill)());
