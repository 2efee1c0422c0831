# make run   installs what is missing, builds and starts Verdolin
# make test  installs what is missing, builds, runs every test under Xvfb, then again under
#            AddressSanitizer and UndefinedBehaviorSanitizer
# make fuzz  builds the libFuzzer targets with clang and runs each for FUZZ_SECONDS (default 600);
#            FUZZ_TARGETS=... picks some, FUZZ_MERGE=1 merges new inputs into the corpus
# make screenshots  renders the translator in its states, the settings tabs and the onboarding
#                   steps, in English and Russian, light and dark, to build/screenshots
# make deb   builds the release build and the Debian package build/verdolin_<version>_<arch>.deb,
#            and runs lintian on it

BUILD      ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 600
FUZZ_TARGETS ?=
FUZZ_MERGE ?= 0
JOBS       ?= $(shell nproc)
CMAKE_GEN  := -G Ninja
CTEST      := xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure -j$(JOBS)

.PHONY: all deps configure build run test test-plain test-sanitize fuzz screenshots deb format clean

all: build

deps:
	@scripts/install-deps

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVERDOLIN_WERROR=ON

$(ASAN_BUILD)/build.ninja:
	cmake -S . -B $(ASAN_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug -DVERDOLIN_WERROR=ON \
	    -DVERDOLIN_SANITIZE=ON

configure: deps $(BUILD)/build.ninja

build: configure
	cmake --build $(BUILD) -j$(JOBS)

run: build
	exec $(BUILD)/cli/verdolin

test: deps
	$(MAKE) test-plain
	$(MAKE) test-sanitize

test-plain: $(BUILD)/build.ninja
	cmake --build $(BUILD) -j$(JOBS)
	cd $(BUILD) && $(CTEST)

test-sanitize: $(ASAN_BUILD)/build.ninja
	cmake --build $(ASAN_BUILD) -j$(JOBS)
	cd $(ASAN_BUILD) && VERDOLIN_RESTORE_TRIALS=200 ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	    LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan-suppressions.txt \
	    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 $(CTEST) -LE plain-only

$(FUZZ_BUILD)/build.ninja:
	cmake -S . -B $(FUZZ_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	    -DCMAKE_CXX_COMPILER=clang++ -DVERDOLIN_FUZZ=ON

fuzz: deps $(FUZZ_BUILD)/build.ninja
	cmake --build $(FUZZ_BUILD) -j$(JOBS) --target fuzz_targets
	FUZZ_SECONDS=$(FUZZ_SECONDS) FUZZ_MERGE=$(FUZZ_MERGE) scripts/run-fuzz $(FUZZ_BUILD) $(FUZZ_TARGETS)

screenshots: configure
	cmake --build $(BUILD) -j$(JOBS) --target TranslatorScreenTest SettingsScreensTest
	rm -rf $(BUILD)/screenshots
	for test in TranslatorScreenTest SettingsScreensTest; do \
	    VERDOLIN_SCREENSHOTS=$(CURDIR)/$(BUILD)/screenshots \
	        $(BUILD)/tests/ui/$$test --gtest_filter='*Screenshots' || exit 1; \
	done

# Only the executable: the package holds nothing else that is built.
deb: configure
	cmake --build $(BUILD) -j$(JOBS) --target verdolin
	cd $(BUILD) && cpack
	lintian $(BUILD)/verdolin_*.deb

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)
