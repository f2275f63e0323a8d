# The two commands of the README. Both install what is missing first.
.PHONY: run test

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
