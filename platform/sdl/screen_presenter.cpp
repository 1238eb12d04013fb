#include "platform/screen_presenter.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/sdl/sdl_window.h"

struct ScreenPresenter {
    SDL_Window* window;
    SDL_Renderer* renderer;  // null: the processor draws into the window's own surface
    SDL_Texture* frame;      // the frame at its own size
    SDL_Texture* sharp;      // the frame at the whole-number scale, when one is needed
    int32_t sharpScale;
    SDL_Surface* frameSurface;  // the same three for drawing by the processor
    SDL_Surface* sharpSurface;
    SDL_Surface* finalSurface;  // the linear pass, when the window is not 32-bit
    int32_t width, height, bitsPerPixel;
    int32_t textureBitsPerPixel;
    PresentFit fit;
    bool lost;  // a present failed: rebuild the textures before the next
};

namespace {

Uint32 textureFormat(const ScreenPresenter* p) {
    return p->textureBitsPerPixel == 16 ? SDL_PIXELFORMAT_RGB565 : SDL_PIXELFORMAT_RGB888;
}

void freeSurface(SDL_Surface*& s) {
    if (s) SDL_FreeSurface(s);
    s = nullptr;
}

void dropTextures(ScreenPresenter* p) {
    if (p->frame) SDL_DestroyTexture(p->frame);
    if (p->sharp) SDL_DestroyTexture(p->sharp);
    p->frame = p->sharp = nullptr;
    p->sharpScale = 0;
    freeSurface(p->frameSurface);
    freeSurface(p->sharpSurface);
    freeSurface(p->finalSurface);
}

bool makeFrameTexture(ScreenPresenter* p) {
    if (p->renderer == nullptr) {
        p->frameSurface = SDL_CreateRGBSurfaceWithFormat(0, p->width, p->height, 0, textureFormat(p));
        return p->frameSurface != nullptr;
    }
    p->frame =
        SDL_CreateTexture(p->renderer, textureFormat(p), SDL_TEXTUREACCESS_STREAMING, p->width, p->height);
    return p->frame != nullptr;
}

// A renderer is worth using when it has real hardware behind it. OpenGL
// emulated by the processor (as under a virtual X server) costs far more
// per frame than copying into the window's own surface.
bool hardwareRenderer(SDL_Renderer* renderer) {
    SDL_RendererInfo info;
    if (SDL_GetRendererInfo(renderer, &info) != 0 || (info.flags & SDL_RENDERER_ACCELERATED) == 0)
        return false;
    if (std::strncmp(info.name, "opengl", 6) != 0) return true;
    using GetString = const unsigned char* (*)(unsigned int);
    auto getString = reinterpret_cast<GetString>(SDL_GL_GetProcAddress("glGetString"));
    const char* name =
        getString ? reinterpret_cast<const char*>(getString(0x1F01 /* GL_RENDERER */)) : nullptr;
    if (name == nullptr) return true;
    for (const char* soft : {"llvmpipe", "softpipe", "Software Rasterizer", "swrast"})
        if (std::strstr(name, soft) != nullptr) return false;
    return true;
}

// Nearest-neighbour enlargement by a whole number into a 32-bit surface:
// each row is widened once and then copied down. (SDL's own scaled blit
// between two formats goes through a much slower general path.)
void scaleUpWhole(SDL_Surface* dst, const SDL_Surface* src, int32_t scale) {
    const bool narrow = src->format->BytesPerPixel == 2;
    for (int32_t y = 0; y < src->h; ++y) {
        const uint8_t* in = static_cast<const uint8_t*>(src->pixels) + y * src->pitch;
        auto* first =
            reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(dst->pixels) + y * scale * dst->pitch);
        uint32_t* out = first;
        for (int32_t x = 0; x < src->w; ++x) {
            uint32_t rgb;
            if (narrow) {
                uint16_t v = reinterpret_cast<const uint16_t*>(in)[x];
                uint32_t r = (v >> 11) & 0x1F, g = (v >> 5) & 0x3F, b = v & 0x1F;
                rgb = ((r << 3 | r >> 2) << 16) | ((g << 2 | g >> 4) << 8) | (b << 3 | b >> 2);
            } else {
                rgb = reinterpret_cast<const uint32_t*>(in)[x];
            }
            for (int32_t k = 0; k < scale; ++k) *out++ = rgb;
        }
        for (int32_t k = 1; k < scale; ++k)
            std::memcpy(static_cast<uint8_t*>(dst->pixels) + (y * scale + k) * dst->pitch, first,
                        static_cast<size_t>(dst->w) * 4);
    }
}

// Copies the frame into the window's surface by the processor: nearest up
// to the whole-number scale, then the linear pass when one is needed.
bool presentBySurface(ScreenPresenter* p) {
    SDL_Surface* window = SDL_GetWindowSurface(p->window);
    if (window == nullptr) return false;
    SDL_Rect dest{0, 0, window->w, window->h};
    int32_t scale = 1;
    if (p->fit == PresentFit::KeepShape) {
        PresentLayout l = presentLayout(p->width, p->height, window->w, window->h);
        dest = SDL_Rect{l.x, l.y, l.w, l.h};
        scale = l.scale;
        if (l.w != window->w || l.h != window->h) SDL_FillRect(window, nullptr, 0);
    }
    bool whole = p->fit == PresentFit::Stretch || (dest.w == p->width * scale && dest.h == p->height * scale);
    if (whole) return SDL_BlitScaled(p->frameSurface, nullptr, window, &dest) == 0;

    if (p->sharpSurface == nullptr || p->sharpScale != scale) {
        freeSurface(p->sharpSurface);
        p->sharpSurface =
            SDL_CreateRGBSurfaceWithFormat(0, p->width * scale, p->height * scale, 0, SDL_PIXELFORMAT_RGB888);
        p->sharpScale = p->sharpSurface ? scale : 0;
        if (p->sharpSurface == nullptr) return false;
    }
    scaleUpWhole(p->sharpSurface, p->frameSurface, scale);
    if (window->format->format == SDL_PIXELFORMAT_RGB888)
        return SDL_SoftStretchLinear(p->sharpSurface, nullptr, window, &dest) == 0;
    if (p->finalSurface == nullptr || p->finalSurface->w != dest.w || p->finalSurface->h != dest.h) {
        freeSurface(p->finalSurface);
        p->finalSurface = SDL_CreateRGBSurfaceWithFormat(0, dest.w, dest.h, 0, SDL_PIXELFORMAT_RGB888);
        if (p->finalSurface == nullptr) return false;
    }
    if (SDL_SoftStretchLinear(p->sharpSurface, nullptr, p->finalSurface, nullptr) != 0) return false;
    return SDL_BlitSurface(p->finalSurface, nullptr, window, &dest) == 0;
}

// The frame scaled up by the whole number `scale`, nearest-neighbour, as a
// render target; drawn from there to the screen with one linear pass.
SDL_Texture* sharpTexture(ScreenPresenter* p, int32_t scale) {
    if (p->sharp && p->sharpScale == scale) return p->sharp;
    if (p->sharp) SDL_DestroyTexture(p->sharp);
    p->sharp = SDL_CreateTexture(p->renderer, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_TARGET,
                                 p->width * scale, p->height * scale);
    p->sharpScale = p->sharp ? scale : 0;
    if (p->sharp) SDL_SetTextureScaleMode(p->sharp, SDL_ScaleModeLinear);
    return p->sharp;
}

}  // namespace

ScreenPresenter* openPresenter(PlatformWindow* platformWindow, int32_t width, int32_t height,
                               int32_t bitsPerPixel, PresentFit fit) {
    SDL_Window* window = platformWindow != nullptr ? platformWindow->sdl : nullptr;
    if (window == nullptr || width <= 0 || height <= 0) {
        SDL_SetError("no window to present into");
        return nullptr;
    }
    if (bitsPerPixel != 8 && bitsPerPixel != 16 && bitsPerPixel != 32) {
        SDL_SetError("%d bits per pixel cannot be shown", static_cast<int>(bitsPerPixel));
        return nullptr;
    }
    // A renderer the user asked for by name (SDL_RENDER_DRIVER) is kept as it is.
    const bool chosenByUser = SDL_GetHint(SDL_HINT_RENDER_DRIVER) != nullptr;
    SDL_Renderer* renderer =
        SDL_CreateRenderer(window, -1, SDL_RENDERER_ACCELERATED | SDL_RENDERER_PRESENTVSYNC);
    if (renderer == nullptr) renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_ACCELERATED);
    if (renderer != nullptr && !chosenByUser && !hardwareRenderer(renderer)) {
        SDL_DestroyRenderer(renderer);
        renderer = nullptr;
    }
    if (renderer == nullptr) {
        // The window's own surface, filled by the processor and sent to the
        // screen as it is (shared memory where the platform has it).
        SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
        if (SDL_GetWindowSurface(window) == nullptr) return nullptr;
    }
    auto* p = new (std::nothrow) ScreenPresenter{window, renderer, nullptr,      nullptr,
                                                 0,      nullptr,  nullptr,      nullptr,
                                                 width,  height,   bitsPerPixel, bitsPerPixel == 32 ? 32 : 16,
                                                 fit,    false};
    if (p == nullptr) {
        if (renderer) SDL_DestroyRenderer(renderer);
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

bool presentFrame(ScreenPresenter* p, const uint8_t* pixels, int32_t pitch, const uint32_t* palette) {
    if (p == nullptr || pixels == nullptr) return false;
    if (p->lost || (p->frame == nullptr && p->frameSurface == nullptr)) {
        dropTextures(p);
        if (!makeFrameTexture(p)) return false;
        p->lost = false;
    }
    if (p->renderer == nullptr) {
        convertFrame(static_cast<uint8_t*>(p->frameSurface->pixels), p->frameSurface->pitch,
                     p->textureBitsPerPixel, pixels, pitch, p->bitsPerPixel, p->width, p->height, palette);
        if (!presentBySurface(p) || SDL_UpdateWindowSurface(p->window) != 0) {
            p->lost = true;
            return false;
        }
        return true;
    }
    void* texels = nullptr;
    int texturePitch = 0;
    if (SDL_LockTexture(p->frame, nullptr, &texels, &texturePitch) != 0) {
        p->lost = true;
        return false;
    }
    convertFrame(static_cast<uint8_t*>(texels), texturePitch, p->textureBitsPerPixel, pixels, pitch,
                 p->bitsPerPixel, p->width, p->height, palette);
    SDL_UnlockTexture(p->frame);

    int outW = 0, outH = 0;
    if (SDL_GetRendererOutputSize(p->renderer, &outW, &outH) != 0) outW = p->width, outH = p->height;
    SDL_Rect dest{0, 0, outW, outH};
    SDL_Texture* source = p->frame;
    SDL_ScaleMode mode = SDL_ScaleModeNearest;
    if (p->fit == PresentFit::KeepShape) {
        PresentLayout l = presentLayout(p->width, p->height, outW, outH);
        dest = SDL_Rect{l.x, l.y, l.w, l.h};
        bool whole = l.w == p->width * l.scale && l.h == p->height * l.scale;
        if (!whole) {
            mode = SDL_ScaleModeLinear;
            // Scale up by whole pixels first where the renderer allows; a
            // linear pass over that is sharper than one over the small frame.
            SDL_Texture* sharp =
                l.scale > 1 && SDL_RenderTargetSupported(p->renderer) ? sharpTexture(p, l.scale) : nullptr;
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
        return false;
    }
    SDL_RenderPresent(p->renderer);
    return true;
}
