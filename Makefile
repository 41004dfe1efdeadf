# The two commands of the README, installing and packaging, the benchmarks and the fuzzers.
BUILD ?= build
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo
FUZZ_SECONDS ?= 60
PREFIX ?= /usr/local
DESTDIR ?=
# What the install rules take from the build (the tests are not needed for it).
INSTALLED_TARGETS = KezConverter kezconv kezcc theme_icons

.PHONY: all deps configure build run test install package bench fuzz clean

all: build

deps:
	@bash scripts/install-deps.sh

$(BUILD)/build.ninja:
	@cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS) >/dev/null

configure: deps $(BUILD)/build.ninja

build: configure
	@cmake --build $(BUILD)

run: build
	@bash scripts/run.sh $(BUILD)/bin/KezConverter

# In CI every warning is an error.
test: configure
	@cmake -S . -B $(BUILD) -DKEZ_WARNINGS_AS_ERRORS=ON >/dev/null
	@cmake --build $(BUILD)
	@bash scripts/test.sh $(BUILD)

# Under PREFIX, staged below DESTDIR when it is given. Installed for good (no DESTDIR), the menu,
# the .kez type and the icon are made known to the desktop at once, as a package's triggers do.
install: configure
	@cmake --build $(BUILD) --target $(INSTALLED_TARGETS)
	@DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)"
	@if [ -z "$(DESTDIR)" ]; then \
	  update-mime-database "$(PREFIX)/share/mime"; \
	  update-desktop-database -q "$(PREFIX)/share/applications"; \
	  if command -v gtk-update-icon-cache >/dev/null; then \
	    gtk-update-icon-cache -q -t -f "$(PREFIX)/share/icons/hicolor"; fi; \
	fi

# The Debian package, built as Debian builds it (debian/). dpkg-buildpackage writes it beside the
# source folder; it is moved from there to $(BUILD)/package/ with its .buildinfo and .changes, and
# the build's leftovers in the tree are cleaned away (the next build starts clean all the same).
package: deps
	@dpkg-buildpackage -us -uc -b
	@version=$$(dpkg-parsechangelog -S Version) arch=$$(dpkg --print-architecture) && \
	  mkdir -p $(BUILD)/package && \
	  for name in kezconverter kezconverter-dbgsym; do \
	    for file in ../$${name}_$${version}_$${arch}.deb ../$${name}_$${version}_$${arch}.buildinfo \
	                ../$${name}_$${version}_$${arch}.changes; do \
	      if [ -e "$$file" ]; then mv -f "$$file" $(BUILD)/package/; fi; done; done && \
	  ls $(BUILD)/package/kezconverter_$${version}_$${arch}.deb
	@debian/rules clean >/dev/null 2>&1

bench: configure
	@cmake --build $(BUILD) --target benchmarks
	@bash scripts/bench.sh $(BUILD)

# Each libFuzzer target for FUZZ_SECONDS, with AddressSanitizer and UndefinedBehaviorSanitizer.
fuzz: deps
	@bash scripts/sanitize.sh $(BUILD) fuzz $(FUZZ_SECONDS)

clean:
	rm -rf $(BUILD)
