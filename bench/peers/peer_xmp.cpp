// The second reference player: one context per module.
#include <xmp.h>

#include <cstdio>

#include "peer_player.h"

namespace {

class XmpPlayer final : public PeerPlayer {
  public:
    explicit XmpPlayer(xmp_context context) : context_(context) {}
    ~XmpPlayer() override {
        xmp_end_player(context_);
        xmp_release_module(context_);
        xmp_free_context(context_);
    }
    XmpPlayer(const XmpPlayer&) = delete;
    XmpPlayer& operator=(const XmpPlayer&) = delete;

    void render(int16_t* out, int32_t frames) override {
        // Loop count 0: no stop at the song's end, it plays on as ours does.
        xmp_play_buffer(context_, out, frames * 4, 0);
    }

  private:
    xmp_context context_;
};

}  // namespace

std::unique_ptr<PeerPlayer> openXmpPlayer(const char* path, int32_t rate) {
    xmp_context context = xmp_create_context();
    if (context == nullptr) return nullptr;
    if (xmp_load_module(context, const_cast<char*>(path)) != 0) {
        std::fprintf(stderr, "xmp: %s: cannot load\n", path);
        xmp_free_context(context);
        return nullptr;
    }
    if (xmp_start_player(context, rate, 0) != 0 ||
        xmp_set_player(context, XMP_PLAYER_INTERP, XMP_INTERP_LINEAR) != 0) {
        std::fprintf(stderr, "xmp: %s: cannot start playing at %d Hz\n", path, rate);
        xmp_release_module(context);
        xmp_free_context(context);
        return nullptr;
    }
    return std::make_unique<XmpPlayer>(context);
}
