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

# Installs a release build (the programs alone, no tests) below PREFIX. The install itself
# refreshes the desktop's caches, so that the menu and "Open with" offer the program at once.
install:
	scripts/install-deps
	cmake --preset release >/dev/null
	cmake --build --preset release
	cmake --install build/release --prefix "$(PREFIX)"

# Removes what the last install put in place, as build/release/install_manifest.txt lists it,
# and the folders the install made, once empty; refreshes the caches or removes empty ones.
uninstall:
	cmake --build build/release --target uninstall

# A Debian package of a release build, in build/deb, with its debug symbols in a package of
# their own beside it; both checked by lintian, where an error or a warning fails the target.
deb:
	scripts/install-deps --deb
	cmake --preset deb >/dev/null
	cmake --build --preset deb
	cpack --preset deb
	lintian --fail-on error,warning build/deb/vellumkite_*.deb build/deb/vellumkite-dbgsym_*.ddeb
