# The two entry points of the README: `make run` and `make test`.
BUILD    ?= build
TYPE     ?= RelWithDebInfo
WERROR   := $(if $(CI),ON,OFF)
CMAKE_FLAGS := -G Ninja -DCMAKE_BUILD_TYPE=$(TYPE) -DTAMSEL_WERROR=$(WERROR)

.PHONY: setup configure build course run test bench clean

setup:
	@tools/setup-debian.sh

$(BUILD)/build.ninja: | setup
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)

configure: $(BUILD)/build.ninja

build: configure
	cmake --build $(BUILD)

course: build
	cmake --build $(BUILD) --target demo_course

run: course
	@tools/first-run.sh $(BUILD)
	$(BUILD)/tamsel --course $(BUILD)/course $(ARGS)

test: build
	tests/with-audio.sh tests/with-printer.sh ctest --test-dir $(BUILD) --output-on-failure --timeout 600 $(CTEST_ARGS)

bench: build
	cmake --build $(BUILD) --target benchmarks
	@for b in $(BUILD)/bench/bench_*; do [ -f "$$b" ] && [ -x "$$b" ] && { echo "== $$b"; tests/with-audio.sh $$b; }; done; true

clean:
	rm -rf $(BUILD)
