// The first reference player. Its library keeps one global mixer, set up
// once per process with the no-sound driver; we pull its software mix
// through VC_WriteBytes, which also runs its song ticks.
#include <mikmod.h>

#include <cstdio>

#include "peer_player.h"

namespace {

bool startLibrary(int32_t rate) {
    static const bool started = [rate] {
        MikMod_RegisterDriver(&drv_nos);
        MikMod_RegisterLoader(&load_xm);
        md_mixfreq = static_cast<UWORD>(rate);
        md_mode = DMODE_16BITS | DMODE_STEREO | DMODE_SOFT_MUSIC | DMODE_INTERP;
        md_reverb = 0;  // ours has none; not part of the work compared
        if (MikMod_Init("") != 0) {
            std::fprintf(stderr, "mikmod: cannot start: %s\n", MikMod_strerror(MikMod_errno));
            return false;
        }
        return true;
    }();
    return started && md_mixfreq == rate;
}

class MikmodPlayer final : public PeerPlayer {
  public:
    explicit MikmodPlayer(MODULE* module) : module_(module) {
        module_->wrap = 1;  // go on from the restart position, as ours does
        module_->loop = 1;
        Player_Start(module_);
    }
    ~MikmodPlayer() override {
        Player_Stop();
        Player_Free(module_);
    }
    MikmodPlayer(const MikmodPlayer&) = delete;
    MikmodPlayer& operator=(const MikmodPlayer&) = delete;

    void render(int16_t* out, int32_t frames) override {
        VC_WriteBytes(reinterpret_cast<SBYTE*>(out), static_cast<ULONG>(frames) * 4);
    }

  private:
    MODULE* module_;
};

}  // namespace

std::unique_ptr<PeerPlayer> openMikmodPlayer(const char* path, int32_t rate) {
    if (!startLibrary(rate)) return nullptr;
    MODULE* module = Player_Load(path, 64, 0);
    if (module == nullptr) {
        std::fprintf(stderr, "mikmod: %s: %s\n", path, MikMod_strerror(MikMod_errno));
        return nullptr;
    }
    return std::make_unique<MikmodPlayer>(module);
}
