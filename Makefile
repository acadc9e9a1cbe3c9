# The two entry points of the README: `make run` and `make test`; `make install` and
# `make package` install the player (PREFIX, DESTDIR) or build its Debian package.
BUILD    ?= build
PREFIX   ?= /usr/local
TYPE     ?= RelWithDebInfo
WERROR   := $(if $(CI),ON,OFF)
CMAKE_FLAGS := -G Ninja -DCMAKE_BUILD_TYPE=$(TYPE) -DTAMSEL_WERROR=$(WERROR)

.PHONY: setup configure build course run test bench install package clean

setup:
	@tools/setup-debian.sh

$(BUILD)/build.ninja: | setup
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)

configure: $(BUILD)/build.ninja

# setup costs nothing once every package is there, and brings in the ones added since
# the build folder was configured.
build: setup configure
	cmake --build $(BUILD)

course: build
	cmake --build $(BUILD) --target demo_course

run: course
	@tools/first-run.sh $(BUILD)
	$(BUILD)/tamsel --course $(BUILD)/course $(ARGS)

test: build
	tests/with-postgres.sh tests/with-audio.sh tests/with-printer.sh ctest --test-dir $(BUILD) --output-on-failure --timeout 600 $(CTEST_ARGS)

install: course
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)"

package: course
	cmake --build $(BUILD) --target package

bench: build
	cmake --build $(BUILD) --target benchmarks
	@status=0; for b in $(BUILD)/bench/bench_*; do [ -f "$$b" ] && [ -x "$$b" ] && { echo "== $$b"; tests/with-postgres.sh tests/with-audio.sh $$b || status=1; }; done; exit $$status

clean:
	rm -rf $(BUILD)
