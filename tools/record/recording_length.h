#pragma once
// How long a recording runs when the user does not say: the lead-in, one
// whole pass of the greeting (until its last page has been written and that
// page's pause has ended) and two seconds more. What the pass takes depends
// on the greeting (its length and its pauses), so the show is run once
// ahead without recording, which costs far less than encoding it.
#include <atomic>
#include <cstdint>
#include <string>

// Show frames from the first up to and including the one in which the
// greeting has been written once; `capFrames` when it takes longer than
// that. 0 with one line in `error` when the show cannot be run, and 0 as
// soon as `stop` is set.
int64_t greetingPassFrames(int64_t clock, int64_t capFrames, const std::atomic<bool>& stop,
                           std::string& error);

// The pictures of a default recording for a pass of `passFrames`, at most
// MAX_RECORD_PICTURES.
int64_t defaultRecordingPictures(int64_t passFrames);

// The pictures of a recording of `milliseconds`: the video is at least
// that long (whole pictures), at most MAX_RECORD_PICTURES.
int64_t recordingPicturesFor(int64_t milliseconds);
