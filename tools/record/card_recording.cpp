#include "tools/record/card_recording.h"

#include <memory>
#include <vector>

#include "app/card_content.h"
#include "app/scene_host.h"
#include "music/loader.h"
#include "music/render.h"
#include "tools/record/recording_length.h"
#include "tools/record/recording_timeline.h"

namespace {

struct SongDeleter {
    void operator()(Song* song) const { freeSong(song); }
};
using SongPtr = std::unique_ptr<Song, SongDeleter>;

// Feeds the pictures and their sound; the writer is open, the show set up.
RecordOutcome feed(VideoWriter& writer, SceneHost& show, int64_t pictures, const std::atomic<bool>& stop,
                   const RecordProgress& progress, std::string& error) {
    // The show's music, rendered as the card's sound device would receive
    // it: a song of its own, so nothing the show does can touch it.
    const SongPtr song(createContentSong(usedCardContent()));
    OfflineRender music;
    if (!song || !startOfflineRender(music, song.get(), RECORD_SOUND_RATE)) {
        error = std::string("cannot load the card's music: ") + lastLoadError().message;
        return RecordOutcome::Failed;
    }
    // The first picture's sound: the silence that makes up the lead-in's
    // extra length, then the music from its start.
    std::vector<int16_t> sound(static_cast<size_t>(RECORD_SOUND_FRAMES_PER_PICTURE) * 2, 0);
    renderPcm16(music, sound.data() + 2 * LEAD_IN_SILENT_FRAMES,
                RECORD_SOUND_FRAMES_PER_PICTURE - LEAD_IN_SILENT_FRAMES);
    const PixelBuffer* frame = &show.nextFrame();
    for (int64_t picture = 0; picture < pictures; ++picture) {
        if (stop.load(std::memory_order_relaxed)) return RecordOutcome::Stopped;
        if (picture > 0) {
            // The lead-in holds the first frame; after it, a frame a picture.
            if (showFrameOfPicture(picture) > 0) frame = &show.nextFrame();
            renderPcm16(music, sound.data(), RECORD_SOUND_FRAMES_PER_PICTURE);
        }
        if (!writer.addPicture(*frame) || !writer.addSound(sound.data(), RECORD_SOUND_FRAMES_PER_PICTURE)) {
            error = writer.error();
            return RecordOutcome::Failed;
        }
        if (progress) progress(picture + 1, pictures);
    }
    if (stop.load(std::memory_order_relaxed)) return RecordOutcome::Stopped;
    if (!writer.finish()) {
        error = writer.error();
        return RecordOutcome::Failed;
    }
    return RecordOutcome::Written;
}

}  // namespace

RecordOutcome recordCard(const CardRecording& recording, const std::atomic<bool>& stop,
                         const RecordProgress& progress, std::string& error) {
    // The file first, so a folder that cannot be written fails at once.
    // Unless finished, the writer takes its temporary file away with it.
    std::unique_ptr<VideoWriter> writer = VideoWriter::create(recording.path, recording.settings, error);
    if (!writer) return RecordOutcome::Failed;
    int64_t pictures = recording.pictures;
    if (pictures <= 0) {
        const int64_t pass = greetingPassFrames(recording.clock, MAX_RECORD_PICTURES, stop, error);
        if (stop.load(std::memory_order_relaxed)) return RecordOutcome::Stopped;
        if (pass == 0) return RecordOutcome::Failed;
        pictures = defaultRecordingPictures(pass);
    }
    SceneHost show;
    if (!show.open(recording.clock, error)) return RecordOutcome::Failed;
    return feed(*writer, show, pictures, stop, progress, error);
}
