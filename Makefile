# Thin front over CMake. Each goal installs the Debian packages it needs and
# no more (with sudo when not root), then builds what it needs:
#   make run      the card's packages; builds the card alone and starts it
#   make          the card and its tools (xmrender, yulecard-shot,
#                 yulecard-pack, and the recorder where FFmpeg's libraries
#                 are installed)
#   make test     the test packages; builds everything and runs every test
#   make web      emscripten; builds the web card into build-web/site/ and
#                 the card as one file, build-web/yulecard.html
#   make bench    the reference players; builds and runs the benchmarks
#   make install PREFIX=DIR, make package (the Debian package, with the
#                 one-file card yulecard-pack fills in: needs emscripten)
BUILD ?= build
JOBS  ?= $(shell nproc)
PREFIX ?= /usr/local
WEB_BUILD ?= build-web
SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

# What the card itself builds with: the compiler, CMake and SDL2, and libpng
# for the tools' pictures (the tools are configured with the card).
CARD_PACKAGES := cmake g++ make pkg-config libsdl2-dev libpng-dev
# The video recorder, built wherever these are installed.
RECORDER_PACKAGES := libavcodec-dev libavformat-dev libavutil-dev libswscale-dev libswresample-dev
# The web card: Debian's emscripten.
WEB_PACKAGES := cmake make emscripten
# The tests: GoogleTest and Google Benchmark (the budgets the web test prints);
# a virtual X screen, xdotool, xwininfo/xprop and a window manager for the
# card's window tests, ImageMagick for their screenshots, a private PulseAudio
# for the sound-server test; the installation test's validators and
# dpkg-dev; the recorder's libraries; emscripten and the three browser
# engines for the web card's tests, two of them driven by npm packages pinned
# below.
TEST_PACKAGES := $(CARD_PACKAGES) $(RECORDER_PACKAGES) $(WEB_PACKAGES) libgtest-dev libbenchmark-dev \
                 xvfb xdotool imagemagick pulseaudio pulseaudio-utils x11-utils openbox \
                 desktop-file-utils appstream groff-base dpkg-dev chromium firefox-esr webkit2gtk-driver
# The reference players bench_peers times ours against.
BENCH_PACKAGES := $(CARD_PACKAGES) $(RECORDER_PACKAGES) libbenchmark-dev libmikmod-dev libxmp-dev
# The web tests drive Chromium through playwright-core and Firefox through
# puppeteer-core from npm, pinned, installed into the build folder (never
# into the repository); WebKitGTK through its own WebKitWebDriver.
NPM_PACKAGES := playwright-core@1.65.2 puppeteer-core@24.37.2
# Debian's emscripten finds its JavaScript parser only on Debian's own node path.
EMSCRIPTEN_ENV := NODE_PATH=/usr/share/nodejs

.PHONY: all card-deps tool-deps test-deps web-deps bench-deps install-missing configure build card \
        run test bench install package web web-serve clean

all: build

card-deps:
	@$(MAKE) --no-print-directory install-missing WANTED="$(CARD_PACKAGES)"

tool-deps:
	@$(MAKE) --no-print-directory install-missing WANTED="$(CARD_PACKAGES) $(RECORDER_PACKAGES)"

web-deps:
	@$(MAKE) --no-print-directory install-missing WANTED="$(WEB_PACKAGES)"

bench-deps:
	@$(MAKE) --no-print-directory install-missing WANTED="$(BENCH_PACKAGES)"

# The packages, then what the tests fetch from npm into the build folder.
test-deps:
	@$(MAKE) --no-print-directory install-missing WANTED="$(TEST_PACKAGES)"
	@command -v npm >/dev/null || DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq npm
	@for p in $(NPM_PACKAGES); do \
	  have=$$(node -p "require('$(abspath $(BUILD))/npm/node_modules/$${p%@*}/package.json').version" 2>/dev/null); \
	  [ "$$have" = "$${p##*@}" ] || stale=1; \
	done; \
	[ -z "$$stale" ] || npm install --prefix $(BUILD)/npm --no-save --no-package-lock --no-audit --no-fund \
	  $(NPM_PACKAGES) || echo "make: $(NPM_PACKAGES) could not be installed; the browser tests will be skipped"

install-missing:
	@missing=""; for p in $(WANTED); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  $(SUDO) apt-get update -qq && DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq $$missing; \
	fi

# Configures anew each time: a build folder made before some packages were
# installed (the tests', the reference players') must look for them again.
configure:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo

# The card alone: what a person who asks for the card waits for.
card: card-deps
	@[ -f $(BUILD)/CMakeCache.txt ] || $(MAKE) --no-print-directory configure
	cmake --build $(BUILD) -j $(JOBS) --target yulecard

run: card
	./$(BUILD)/yulecard

build: tool-deps configure
	cmake --build $(BUILD) -j $(JOBS)

test: test-deps configure
	cmake --build $(BUILD) -j $(JOBS)
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

install: build
	cmake --install $(BUILD) --prefix "$(PREFIX)"

# The package carries the empty one-file card that yulecard-pack fills in,
# built with emscripten into BUILD/web, where the installation looks for it.
package: build web-deps
	@$(MAKE) --no-print-directory install-missing WANTED="dpkg-dev"
	$(EMSCRIPTEN_ENV) emcmake cmake -S . -B $(BUILD)/web -DCMAKE_BUILD_TYPE=Release
	$(EMSCRIPTEN_ENV) cmake --build $(BUILD)/web -j $(JOBS) --target yulecard-one-file
	cmake --build $(BUILD) --target package

bench: bench-deps configure
	cmake --build $(BUILD) -j $(JOBS)
	@for b in $(BUILD)/bench/bench_* $(BUILD)/bench/peers/bench_peers; do \
	  if [ -x "$$b" ]; then echo "== $$b"; $$b || exit 1; fi; \
	done

web: web-deps
	$(EMSCRIPTEN_ENV) emcmake cmake -S . -B $(WEB_BUILD) -DCMAKE_BUILD_TYPE=Release
	$(EMSCRIPTEN_ENV) cmake --build $(WEB_BUILD) -j $(JOBS)
	@echo "The web card: $(WEB_BUILD)/site/ (copy it to any static host)"
	@echo "The card as one file: $(WEB_BUILD)/yulecard.html (yulecard-pack --page fills it in)"

web-serve: web
	/usr/bin/python3 web/serve.py $(WEB_BUILD)/site

clean:
	rm -rf $(BUILD) $(WEB_BUILD)
