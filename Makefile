# Thin front over CMake. `make run` builds and starts the card;
# `make test` builds and runs every test; `make install PREFIX=DIR` installs;
# `make package` writes the Debian package into the build folder. All install
# missing Debian packages first (with sudo when not root).
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
SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: all deps bench-deps install-missing configure build run test bench install package clean

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
	fi

$(BUILD)/CMakeCache.txt: | deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo

configure: $(BUILD)/CMakeCache.txt

build: deps configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	./$(BUILD)/yulecard

test: build
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

clean:
	rm -rf $(BUILD)
