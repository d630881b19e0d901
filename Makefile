# Frakle: `make demo` builds everything and renders the demo loop; `make test` builds and runs
SHELL := /bin/bash
# every test through CTest. The sanitizer builds, lint and fuzzing targets are used by CI.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo

.PHONY: all build bench demo demo-effects test test-asan test-tsan lint format tidy clean

all: build

build:
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)
	cmake --build $(BUILD) -j$(JOBS)

demo: build
	@mkdir -p $(BUILD)/demo
	$(BUILD)/frakle-demo-loop $(BUILD)/demo/in.wav --bpm 120 --bars 4
	$(BUILD)/frakle-render --bpm 120 --plot $(BUILD)/demo/plot.png $(BUILD)/demo/in.wav $(BUILD)/demo/out.wav

# The demo once per effect, soloed on every event: build/demo/out-<effect>.wav.
demo-effects: demo
	@for pair in "tape-stop:S> TapeS" "modulator:S> Modul" "retrigger:S> Retrg" \
	    "shuffler:S> Shufl" "reverser:S> Revrs" "crusher:S> Crush" "gater:S> Gater" \
	    "delay:S> Delay" "stretcher:S> Stret"; do \
	  name=$${pair%%:*}; label=$${pair#*:}; \
	  echo "== $$name"; \
	  $(BUILD)/frakle-render --bpm 120 --param "$$label=1" $(BUILD)/demo/in.wav \
	      $(BUILD)/demo/out-$$name.wav | grep "output peak" || exit 1; \
	done

bench: build
	$(BUILD)/frakle_bench

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j$(JOBS)

# Address + undefined-behaviour sanitizers, and the thread sanitizer, each in its own build.
test-asan:
	$(MAKE) test BUILD=build-asan CMAKE_FLAGS="-DCMAKE_BUILD_TYPE=Debug -DFRAKLE_SANITIZE=address"

test-tsan:
	$(MAKE) test BUILD=build-tsan CMAKE_FLAGS="-DCMAKE_BUILD_TYPE=RelWithDebInfo -DFRAKLE_SANITIZE=thread"

lint: format tidy

format:
	@files=$$(git ls-files '*.cpp' '*.h'); clang-format --dry-run --Werror $$files && echo "clang-format: clean"

tidy: build
	@files=$$(git ls-files '*.cpp' | grep -v '^tests/'); \
	clang-tidy -p $(BUILD) --quiet $$files 2>&1 | grep -v "warnings generated" ; \
	exit $${PIPESTATUS[0]}

clean:
	rm -rf build build-asan build-tsan
