# Two commands set everything up on a fresh Debian 12 machine:
#   make run   installs what is missing, builds, starts the program
#   make test  installs what is missing, builds, runs every test
BUILD ?= build
JOBS ?= $(shell nproc)

.PHONY: all deps configure build test run bench clean

all: build

deps:
	@bash scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

test: build
	@bash scripts/run-tests.sh $(BUILD)

run: build
	@bash scripts/run-app.sh $(BUILD)

bench: deps
	@bash bench/run-benchmarks.sh

# Pictures of the main window and its dialogs for review, in $(BUILD)/screenshots.
.PHONY: screenshots
screenshots: configure
	@cmake --build $(BUILD) --target pictorelle-screenshots -j $(JOBS)
	@$(BUILD)/bin/pictorelle-screenshots $(BUILD)/screenshots

clean:
	rm -rf $(BUILD)
