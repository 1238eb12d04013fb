#include "platform/screen_presenter.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>
#include <new>

struct ScreenPresenter {
    SDL_Window* window;
    SDL_Renderer* renderer;
    SDL_Texture* frame;  // the frame at its own size
    SDL_Texture* sharp;  // the frame at the whole-number scale, when one is needed
    int32_t sharpScale;
    int32_t width, height, bitsPerPixel;
    int32_t textureBitsPerPixel;
    bool fullScreen;
    bool lost;  // a present failed: rebuild the textures before the next
};

PresentLayout presentLayout(int32_t frameWidth, int32_t frameHeight, int32_t outputWidth, int32_t outputHeight) {
    PresentLayout l{1, 0, 0, frameWidth, frameHeight};
    if (frameWidth <= 0 || frameHeight <= 0 || outputWidth <= 0 || outputHeight <= 0) return l;
    // Largest size with the frame's aspect that fits, in integers so that a
    // whole-number fit comes out exact.
    if (int64_t{outputWidth} * frameHeight <= int64_t{outputHeight} * frameWidth) {
        l.w = outputWidth;
        l.h = static_cast<int32_t>(int64_t{outputWidth} * frameHeight / frameWidth);
    } else {
        l.h = outputHeight;
        l.w = static_cast<int32_t>(int64_t{outputHeight} * frameWidth / frameHeight);
    }
    l.scale = std::max(1, std::min(l.w / frameWidth, l.h / frameHeight));
    l.x = (outputWidth - l.w) / 2;
    l.y = (outputHeight - l.h) / 2;
    return l;
}

void convertFrame(uint8_t* dst, int32_t dstPitch, int32_t dstBitsPerPixel, const uint8_t* src, int32_t srcPitch,
                  int32_t srcBitsPerPixel, int32_t width, int32_t height, const uint32_t* palette) {
    const size_t rowBytes = static_cast<size_t>(width) * (dstBitsPerPixel / 8);
    for (int32_t y = 0; y < height; ++y, dst += dstPitch, src += srcPitch) {
        if (srcBitsPerPixel == dstBitsPerPixel) {
            std::memcpy(dst, src, rowBytes);
        } else if (srcBitsPerPixel == 8 && dstBitsPerPixel == 32) {
            auto* d = reinterpret_cast<uint32_t*>(dst);
            for (int32_t x = 0; x < width; ++x) d[x] = palette[src[x]];
        }
    }
}

namespace {

void dropTextures(ScreenPresenter* p) {
    if (p->frame) SDL_DestroyTexture(p->frame);
    if (p->sharp) SDL_DestroyTexture(p->sharp);
    p->frame = p->sharp = nullptr;
    p->sharpScale = 0;
}

bool makeFrameTexture(ScreenPresenter* p) {
    Uint32 format = p->textureBitsPerPixel == 16 ? SDL_PIXELFORMAT_RGB565 : SDL_PIXELFORMAT_RGB888;
    p->frame = SDL_CreateTexture(p->renderer, format, SDL_TEXTUREACCESS_STREAMING, p->width, p->height);
    return p->frame != nullptr;
}

// The frame scaled up by the whole number `scale`, nearest-neighbour, as a
// render target; drawn from there to the screen with one linear pass.
SDL_Texture* sharpTexture(ScreenPresenter* p, int32_t scale) {
    if (p->sharp && p->sharpScale == scale) return p->sharp;
    if (p->sharp) SDL_DestroyTexture(p->sharp);
    p->sharp = SDL_CreateTexture(p->renderer, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_TARGET, p->width * scale,
                                 p->height * scale);
    p->sharpScale = p->sharp ? scale : 0;
    if (p->sharp) SDL_SetTextureScaleMode(p->sharp, SDL_ScaleModeLinear);
    return p->sharp;
}

}  // namespace

ScreenPresenter* openPresenter(SDL_Window* window, int32_t width, int32_t height, int32_t bitsPerPixel,
                               bool fullScreen) {
    if (window == nullptr || width <= 0 || height <= 0) {
        SDL_SetError("no window to present into");
        return nullptr;
    }
    if (bitsPerPixel != 8 && bitsPerPixel != 16 && bitsPerPixel != 32) {
        SDL_SetError("%d bits per pixel cannot be shown", static_cast<int>(bitsPerPixel));
        return nullptr;
    }
    if (fullScreen && SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN_DESKTOP) != 0) return nullptr;
    SDL_Renderer* renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_PRESENTVSYNC);
    if (renderer == nullptr) renderer = SDL_CreateRenderer(window, -1, 0);
    if (renderer == nullptr) return nullptr;
    auto* p = new (std::nothrow) ScreenPresenter{window, renderer, nullptr, nullptr, 0,         width,
                                                 height, bitsPerPixel, bitsPerPixel == 32 ? 32 : 16,
                                                 fullScreen, false};
    if (p == nullptr) {
        SDL_DestroyRenderer(renderer);
        SDL_SetError("out of memory");
        return nullptr;
    }
    // 8-bit frames are expanded through their palette into a true-colour texture.
    if (bitsPerPixel == 8) p->textureBitsPerPixel = 32;
    if (!makeFrameTexture(p)) {
        closePresenter(p);
        return nullptr;
    }
    return p;
}

void closePresenter(ScreenPresenter* p) {
    if (p == nullptr) return;
    dropTextures(p);
    if (p->renderer) SDL_DestroyRenderer(p->renderer);
    delete p;
}

int presentFrame(ScreenPresenter* p, const uint8_t* pixels, int32_t pitch, const uint32_t* palette) {
    if (p == nullptr || pixels == nullptr) return 0;
    if (p->lost || p->frame == nullptr) {
        dropTextures(p);
        if (!makeFrameTexture(p)) return 0;
        p->lost = false;
    }
    void* texels = nullptr;
    int texturePitch = 0;
    if (SDL_LockTexture(p->frame, nullptr, &texels, &texturePitch) != 0) {
        p->lost = true;
        return 0;
    }
    convertFrame(static_cast<uint8_t*>(texels), texturePitch, p->textureBitsPerPixel, pixels, pitch,
                 p->bitsPerPixel, p->width, p->height, palette);
    SDL_UnlockTexture(p->frame);

    int outW = 0, outH = 0;
    if (SDL_GetRendererOutputSize(p->renderer, &outW, &outH) != 0) outW = p->width, outH = p->height;
    SDL_Rect dest{0, 0, outW, outH};
    SDL_Texture* source = p->frame;
    SDL_ScaleMode mode = SDL_ScaleModeNearest;
    if (p->fullScreen) {
        PresentLayout l = presentLayout(p->width, p->height, outW, outH);
        dest = SDL_Rect{l.x, l.y, l.w, l.h};
        bool whole = l.w == p->width * l.scale && l.h == p->height * l.scale;
        if (!whole) {
            mode = SDL_ScaleModeLinear;
            // Scale up by whole pixels first where the renderer allows; a
            // linear pass over that is sharper than one over the small frame.
            SDL_Texture* sharp = l.scale > 1 && SDL_RenderTargetSupported(p->renderer) ? sharpTexture(p, l.scale)
                                                                                      : nullptr;
            if (sharp && SDL_SetRenderTarget(p->renderer, sharp) == 0) {
                SDL_SetTextureScaleMode(p->frame, SDL_ScaleModeNearest);
                int ok = SDL_RenderCopy(p->renderer, p->frame, nullptr, nullptr);
                SDL_SetRenderTarget(p->renderer, nullptr);
                if (ok == 0) source = sharp;
            }
        }
    }
    if (source == p->frame) SDL_SetTextureScaleMode(p->frame, mode);
    SDL_SetRenderDrawColor(p->renderer, 0, 0, 0, 255);
    SDL_RenderClear(p->renderer);
    if (SDL_RenderCopy(p->renderer, source, nullptr, &dest) != 0) {
        p->lost = true;
        return 0;
    }
    SDL_RenderPresent(p->renderer);
    return 1;
}
