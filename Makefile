# The two commands of the README, and installing. Each installs what is missing first.
.PHONY: run test install uninstall deb

PREFIX ?= /usr/local

run:
	scripts/install-deps
	cmake --preset release >/dev/null
	cmake --build --preset release
	./build/release/app/vellumkite

test:
	scripts/install-deps
	cmake --preset asan >/dev/null
	cmake --build --preset asan
	ctest --preset asan -j2
	fuzz/run --smoke

# The fuzz targets, built apart with clang in build/fuzz; fuzz/run fuzzes them.
.PHONY: fuzz
fuzz:
	fuzz/run --build

# Installs a release build below PREFIX, then tells the desktop about the new menu entry and the
# picture types it opens, so that "Open with" offers it.
install:
	scripts/install-deps
	cmake --preset release >/dev/null
	cmake --build --preset release
	cmake --install build/release --prefix "$(PREFIX)"
	-update-desktop-database -q "$(DESTDIR)$(PREFIX)/share/applications"

# Removes what the last install put in place, as build/release/install_manifest.txt lists it.
uninstall:
	cmake --build build/release --target uninstall
	-update-desktop-database -q "$(DESTDIR)$(PREFIX)/share/applications"

# A Debian package of a release build, in build/release.
deb:
	scripts/install-deps
	cmake --preset release >/dev/null
	cmake --build --preset release
	cd build/release && cpack -G DEB
