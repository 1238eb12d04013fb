// Our player behind the same interface as the two references, so that the
// in-process view times all three the same way.
#include <cstdio>

#include "music/loader.h"
#include "music/render.h"
#include "peer_player.h"

namespace {

class OurPlayer final : public PeerPlayer {
  public:
    explicit OurPlayer(Song* song) : song_(song) {}
    ~OurPlayer() override { freeSong(song_); }
    OurPlayer(const OurPlayer&) = delete;
    OurPlayer& operator=(const OurPlayer&) = delete;

    bool start(int32_t rate) { return startOfflineRender(render_, song_, rate); }
    void render(int16_t* out, int32_t frames) override { renderPcm16(render_, out, frames); }

  private:
    Song* song_;
    OfflineRender render_;
};

}  // namespace

std::unique_ptr<PeerPlayer> openOurPlayer(const char* path, int32_t rate) {
    Song* song = createSongFromFile(path);
    if (song == nullptr) {
        std::fprintf(stderr, "ours: %s: %s\n", path, lastLoadError().message);
        return nullptr;
    }
    auto player = std::make_unique<OurPlayer>(song);
    if (!player->start(rate)) return nullptr;
    return player;
}
