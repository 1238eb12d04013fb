# Thin front over CMake. `make run` builds and starts the card;
# `make test` builds and runs every test; `make install PREFIX=DIR` installs;
# `make package` writes the Debian package into the build folder; `make web`
# builds the web card into build-web/site/ and `make web-serve` serves it on
# 127.0.0.1. All install missing Debian packages first (with sudo when not
# root).
BUILD ?= build
JOBS  ?= $(shell nproc)
PREFIX ?= /usr/local
PACKAGES := cmake g++ make pkg-config libsdl2-dev libgtest-dev libbenchmark-dev \
            xvfb xdotool imagemagick pulseaudio pulseaudio-utils
# xwininfo and xprop: the window tests read the card's window with them;
# openbox: a window manager, for the test of the framed window.
PACKAGES += x11-utils openbox
# The installation test's validators, and dpkg-shlibdeps for the package.
PACKAGES += desktop-file-utils appstream groff-base dpkg-dev
# The tools' pictures; the video recorder (built only where these are found).
PACKAGES += libpng-dev
PACKAGES += libavcodec-dev libavformat-dev libavutil-dev libswscale-dev libswresample-dev
# The web card: Debian's emscripten, and the three browser engines its
# tests open it in (WebKitGTK through its WebDriver, under Xvfb).
PACKAGES += emscripten chromium firefox-esr webkit2gtk-driver
# The web tests drive Chromium through playwright-core and Firefox through
# puppeteer-core from npm, pinned, installed into the build folder (never
# into the repository).
NPM_PACKAGES := playwright-core@1.65.2 puppeteer-core@24.37.2
WEB_BUILD ?= build-web
# Debian's emscripten finds its JavaScript parser only on Debian's own node path.
EMSCRIPTEN_ENV := NODE_PATH=/usr/share/nodejs
SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: all deps bench-deps install-missing test-deps configure build run test bench install package \
        web web-serve clean

all: build

# The reference players bench_peers times ours against: only `make bench`
# needs them.
BENCH_PACKAGES := libmikmod-dev libxmp-dev

deps:
	@$(MAKE) --no-print-directory install-missing WANTED="$(PACKAGES)"

bench-deps:
	@$(MAKE) --no-print-directory install-missing WANTED="$(PACKAGES) $(BENCH_PACKAGES)"

install-missing:
	@missing=""; for p in $(WANTED); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  $(SUDO) apt-get update -qq && DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq $$missing; \
	fi; \
	command -v npm >/dev/null || DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq npm

# What the tests fetch from npm, into the build folder.
test-deps: deps
	@for p in $(NPM_PACKAGES); do \
	  have=$$(node -p "require('$(abspath $(BUILD))/npm/node_modules/$${p%@*}/package.json').version" 2>/dev/null); \
	  [ "$$have" = "$${p##*@}" ] || stale=1; \
	done; \
	[ -z "$$stale" ] || npm install --prefix $(BUILD)/npm --no-save --no-package-lock --no-audit --no-fund \
	  $(NPM_PACKAGES) || echo "make: $(NPM_PACKAGES) could not be installed; the browser tests will be skipped"

$(BUILD)/CMakeCache.txt: | deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo

configure: $(BUILD)/CMakeCache.txt

build: deps configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	./$(BUILD)/yulecard

test: build test-deps
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

install: build
	cmake --install $(BUILD) --prefix "$(PREFIX)"

package: build
	cmake --build $(BUILD) --target package

# A build made before the reference players were installed must look for
# them again, so bench configures anew.
bench: bench-deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD) -j $(JOBS)
	@for b in $(BUILD)/bench/bench_* $(BUILD)/bench/peers/bench_peers; do \
	  if [ -x "$$b" ]; then echo "== $$b"; $$b || exit 1; fi; \
	done

web: deps
	$(EMSCRIPTEN_ENV) emcmake cmake -S . -B $(WEB_BUILD) -DCMAKE_BUILD_TYPE=Release
	$(EMSCRIPTEN_ENV) cmake --build $(WEB_BUILD) -j $(JOBS)
	@echo "The web card: $(WEB_BUILD)/site/ (copy it to any static host)"

web-serve: web
	/usr/bin/python3 web/serve.py $(WEB_BUILD)/site

clean:
	rm -rf $(BUILD) $(WEB_BUILD)
