#pragma once
// The invariants the row processing, the song clock and the mixer rely on
// in a loaded song. The loader checks every song with it before handing it
// out; tests and the fuzzer call it too.
#include <string>

struct Song;

// The first violation found, as text; empty when the song is sound.
std::string checkSong(const Song* song);
