# Frakle: `make demo` builds everything and renders the demo loop; `make test` builds and runs
# every test through CTest. Both first install the Debian packages they need and lack
# (tools/install-deps.sh). `make windows` cross-builds the Windows plug-in, `make test-windows`
# tests it under Wine, `make dist` packs both. The sanitizer builds, lint and fuzzing targets
# are used by CI.
SHELL := /bin/bash
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo
WIN_BUILD ?= build-win
VERSION := $(shell sed -n 's/^project.Frakle VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
DIST := $(BUILD)/dist

DEPS := tools/install-deps.sh

# Where `make install` puts the plug-in and the LV2 bundle: ~/.vst and ~/.lv2 for the user, or
# $(PREFIX)/lib/vst and $(PREFIX)/lib/lv2 for everyone when PREFIX is given; VSTDIR=... and
# LV2DIR=... choose any folders.
ifdef PREFIX
VSTDIR ?= $(PREFIX)/lib/vst
LV2DIR ?= $(PREFIX)/lib/lv2
else
VSTDIR ?= $(HOME)/.vst
LV2DIR ?= $(HOME)/.lv2
endif
LV2_FILES := manifest.ttl frakle.ttl frakle.so

.PHONY: all deps deps-test deps-ci build bench demo demo-effects test test-asan test-tsan lint format tidy \
	fuzz fuzz-corpus coverage install uninstall clean windows test-windows dist

all: build

deps:
	@$(DEPS) build

deps-test:
	@$(DEPS) build test

deps-ci:
	@$(DEPS) build ci

build: deps
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

# A test that cannot run here says why; the reasons are repeated after the summary.
test: deps-test build
	@ctest --test-dir $(BUILD) --output-on-failure -j$(JOBS); rc=$$?; \
	grep -h '^SKIPPED: ' $(BUILD)/Testing/Temporary/LastTest.log 2> /dev/null | sort -u; exit $$rc

# The Windows build: frakle.dll (and the test programs) cross-compiled with MinGW-w64 in
# build-win. Its tests run under Wine on a private X display and compare with the Linux build
# (the demo loop's render, the editor's picture), so test-windows makes the demo first.
windows:
	@$(DEPS) windows
	cmake -S . -B $(WIN_BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
	    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFRAKLE_LINUX_BUILD=$(abspath $(BUILD))
	cmake --build $(WIN_BUILD) -j$(JOBS)

test-windows: windows demo
	tests/editor/with_xvfb.sh tests/windows/run_tests.sh $(WIN_BUILD) -j$(JOBS)

# The release archives: build/dist/frakle-<version>-linux-x86_64.tar.gz (with the LV2 bundle) and
# frakle-<version>-windows-x64.zip, each the stripped plug-in, the README, and in docs/ the
# guide, its pictures and the licences (for Windows also those of the run-times linked in).
dist: build windows
	rm -rf $(DIST)
	@for pack in linux-x86_64:$(BUILD)/frakle.so:strip windows-x64:$(WIN_BUILD)/frakle.dll:x86_64-w64-mingw32-strip; do \
	  IFS=: read -r name plugin strip <<< "$$pack"; \
	  dir=$(DIST)/frakle-$(VERSION)-$$name; \
	  mkdir -p $$dir || exit 1; \
	  $$strip --strip-unneeded -o $$dir/$$(basename $$plugin) $$plugin || exit 1; \
	  mkdir -p $$dir/docs && cp README.md $$dir/ && \
	    cp docs/manual.md docs/third-party.md docs/editor.png docs/demo-plot.png $$dir/docs/ || exit 1; \
	done
	mkdir -p $(DIST)/frakle-$(VERSION)-linux-x86_64/frakle.lv2
	cp $(BUILD)/frakle.lv2/*.ttl $(DIST)/frakle-$(VERSION)-linux-x86_64/frakle.lv2/
	strip --strip-unneeded -o $(DIST)/frakle-$(VERSION)-linux-x86_64/frakle.lv2/frakle.so \
	    $(BUILD)/frakle.lv2/frakle.so
	mkdir -p $(DIST)/frakle-$(VERSION)-windows-x64/docs/licences
	cp /usr/share/doc/mingw-w64-common/copyright \
	    $(DIST)/frakle-$(VERSION)-windows-x64/docs/licences/mingw-w64-runtime.txt
	cp /usr/share/doc/gcc-mingw-w64-x86-64-posix-runtime/copyright \
	    $(DIST)/frakle-$(VERSION)-windows-x64/docs/licences/gcc-runtime.txt
	cd $(DIST) && tar czf frakle-$(VERSION)-linux-x86_64.tar.gz frakle-$(VERSION)-linux-x86_64
	cd $(DIST) && cmake -E tar cf frakle-$(VERSION)-windows-x64.zip --format=zip frakle-$(VERSION)-windows-x64
	@ls -l $(DIST)/*.tar.gz $(DIST)/*.zip

# Address + undefined-behaviour sanitizers, and the thread sanitizer, each in its own build.
test-asan:
	$(MAKE) test BUILD=build-asan CMAKE_FLAGS="-DCMAKE_BUILD_TYPE=Debug -DFRAKLE_SANITIZE=address"

test-tsan:
	$(MAKE) test BUILD=build-tsan CMAKE_FLAGS="-DCMAKE_BUILD_TYPE=RelWithDebInfo -DFRAKLE_SANITIZE=thread"

# libFuzzer (clang): the targets of tests/fuzz built in build-fuzz, each run for FUZZ_SECONDS, two
# at a time, every one of them even after a finding. Saved faults and the seed corpus are replayed
# first; new corpus entries go to build-fuzz/corpus/<target>, a finding to
# build-fuzz/findings/<target>/ and fails the run.
FUZZ_SECONDS ?= 60
FUZZ_JOBS ?= 2
FUZZ_BUILD := build-fuzz
FUZZ_TARGETS := chunk events params dispatcher

fuzz: deps-ci
	cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
	    -DFRAKLE_FUZZ=ON
	cmake --build $(FUZZ_BUILD) -j$(JOBS) --target $(addprefix frakle-fuzz-,$(FUZZ_TARGETS))
	@$(MAKE) --no-print-directory -k -j$(FUZZ_JOBS) -Otarget $(addprefix fuzz-run-,$(FUZZ_TARGETS))

fuzz-run-%:
	@mkdir -p $(FUZZ_BUILD)/corpus/$* $(FUZZ_BUILD)/findings/$*
	@dirs="$(FUZZ_BUILD)/corpus/$*"; \
	for d in tests/fuzz/regressions/$* tests/fuzz/corpus/$*; do \
	  if [ -d $$d ]; then dirs="$$dirs $$d"; fi; \
	done; \
	log=$(FUZZ_BUILD)/fuzz-$*.log; \
	if $(FUZZ_BUILD)/frakle-fuzz-$* -max_total_time=$(FUZZ_SECONDS) -timeout=25 \
	    -print_final_stats=1 -artifact_prefix=$(FUZZ_BUILD)/findings/$*/ $$dirs > $$log 2>&1; then \
	  echo "== fuzz $*: no findings in $(FUZZ_SECONDS) s"; \
	  grep -E '^#[0-9]+[[:space:]]+DONE|^stat::number_of_executed_units|^stat::average_exec_per_sec' $$log; \
	  echo "corpus: $$(ls $(FUZZ_BUILD)/corpus/$* | wc -l) entries in $(FUZZ_BUILD)/corpus/$*"; \
	else \
	  tail -n 80 $$log; \
	  echo "== fuzz $*: FINDING, input saved in $(FUZZ_BUILD)/findings/$*/ (full log: $$log)"; \
	  exit 1; \
	fi

install: build
	install -d "$(DESTDIR)$(VSTDIR)"
	install -m 644 $(BUILD)/frakle.so "$(DESTDIR)$(VSTDIR)/frakle.so"
	@echo "installed $(DESTDIR)$(VSTDIR)/frakle.so"
	install -d "$(DESTDIR)$(LV2DIR)/frakle.lv2"
	install -m 644 $(addprefix $(BUILD)/frakle.lv2/,$(LV2_FILES)) "$(DESTDIR)$(LV2DIR)/frakle.lv2/"
	@echo "installed $(DESTDIR)$(LV2DIR)/frakle.lv2"

uninstall:
	rm -f "$(DESTDIR)$(VSTDIR)/frakle.so"
	rm -f $(addprefix "$(DESTDIR)$(LV2DIR)/frakle.lv2/,$(addsuffix ",$(LV2_FILES)))
	rmdir "$(DESTDIR)$(LV2DIR)/frakle.lv2" 2> /dev/null || true

# Line and branch coverage of the product code (not tests/ or tools/) by the whole test suite:
# build-coverage/coverage.txt and the summary on the terminal.
coverage: deps-test
	@$(DEPS) coverage
	$(MAKE) --no-print-directory build BUILD=build-coverage \
	    CMAKE_FLAGS="-DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS='--coverage -fprofile-update=atomic' -DCMAKE_EXE_LINKER_FLAGS=--coverage -DCMAKE_SHARED_LINKER_FLAGS=--coverage -DCMAKE_MODULE_LINKER_FLAGS=--coverage"
	find build-coverage -name '*.gcda' -delete
	-ctest --test-dir build-coverage -j$(JOBS) > build-coverage/ctest.log 2>&1
	gcovr -r . --object-directory build-coverage $(foreach d,platform host state engine dsp effects midi gui editor lv2,-f '$(d)/') \
	    --exclude-throw-branches --exclude-unreachable-branches -s -o build-coverage/coverage.txt

lint: format tidy

format: deps-ci
	@files=$$(git ls-files '*.cpp' '*.h'); clang-format --dry-run --Werror $$files && echo "clang-format: clean"

# The Windows build's own sources (Win32*.cpp) are not in the Linux build's compile database.
tidy: deps-ci build
	@files=$$(git ls-files '*.cpp' | grep -v -e '^tests/' -e '/Win32[^/]*\.cpp$$'); \
	clang-tidy -p $(BUILD) --quiet $$files 2>&1 | grep -v "warnings generated" ; \
	exit $${PIPESTATUS[0]}

clean:
	rm -rf build build-asan build-tsan build-fuzz build-coverage build-win
