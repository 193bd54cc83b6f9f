# The two everyday commands: `make test` (install what is missing, build, run every test in the
# normal and the sanitizer build) and `make demo` (build, run every example scene; pictures and
# edited scenes, glTF exports and the window's pictures go to build/demo, the README's pictures to
# docs/images).
JOBS ?= 2
VANTOREL := build/default/bin/vantorel
EXAMPLE := examples/arm_rig.xml

# Where `make install` puts vantorel: PREFIX/bin/vantorel, its host libraries and plug-in folder
# in PREFIX/lib/vantorel.
PREFIX ?= $(HOME)/.local

.PHONY: bootstrap build build-asan build-tsan test test-default test-asan test-tsan format-check demo bench fuzz install clean

bootstrap:
	@./scripts/bootstrap

build: bootstrap
	@cmake --preset default >/dev/null
	@cmake --build --preset default -j $(JOBS)

build-asan: bootstrap
	@cmake --preset asan >/dev/null
	@cmake --build --preset asan -j $(JOBS)

test-default: build
	@ctest --preset default -j $(JOBS)

test-asan: build-asan
	@ctest --preset asan -j $(JOBS)

# ThreadSanitizer over what runs on several threads (vantorel --jobs and its tests only, to keep
# CI's time down; the preset names the targets and the tests).
build-tsan: bootstrap
	@cmake --preset tsan >/dev/null
	@cmake --build --preset tsan -j $(JOBS)

test-tsan: build-tsan
	@ctest --preset tsan -j $(JOBS)

test: test-default test-asan test-tsan

# Every tracked C++ file as the repository's .clang-format would write it; nothing is changed.
format-check:
	@WITH_FORMAT=1 ./scripts/bootstrap
	@git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror
	@echo "format-check: every tracked C++ file is formatted"

DEMO_OUT ?= build/demo

demo: build
	@mkdir -p $(DEMO_OUT)
	$(VANTOREL) types
	$(VANTOREL) check $(EXAMPLE)
	$(VANTOREL) eval $(EXAMPLE) --frames 1-3 --format csv
	$(VANTOREL) eval $(EXAMPLE) --frames 12 --node Hand --format json
	$(VANTOREL) render $(EXAMPLE) --frame 24 -o $(DEMO_OUT)/arm_rig.png
	$(VANTOREL) render $(EXAMPLE) --frame 24 --view top -o $(DEMO_OUT)/arm_rig_top.svg
	$(VANTOREL) bake examples/static_bake.xml Hold --all --frame 10 -o $(DEMO_OUT)/static_baked.xml
	$(VANTOREL) eval $(DEMO_OUT)/static_baked.xml --frames 10 --node Arm --node Hold
	$(VANTOREL) eval examples/switch_gate.xml --frames 1 --node Gate
	$(VANTOREL) render examples/switch_gate.xml --frame 1 -o $(DEMO_OUT)/switch_gate.png
	$(VANTOREL) drag examples/switch_gate.xml Switch --from 226,342 --to 226,100 -o $(DEMO_OUT)/switch_dragged.xml
	$(VANTOREL) eval $(DEMO_OUT)/switch_dragged.xml --frames 1 --node Gate
	$(VANTOREL) eval examples/limit_forearm.xml --frames 24 --node Forearm --node Limit
	$(VANTOREL) render examples/limit_forearm.xml --frame 24 -o $(DEMO_OUT)/limit_forearm.png
	$(VANTOREL) drag examples/limit_forearm.xml Limit --frame 24 --from 439,192 --to 391,108 -o $(DEMO_OUT)/limit_dragged.xml
	$(VANTOREL) render $(DEMO_OUT)/limit_dragged.xml --frame 24 -o $(DEMO_OUT)/limit_dragged.png
	$(VANTOREL) eval $(DEMO_OUT)/limit_dragged.xml --frames 24 --node Forearm --node Limit
	$(VANTOREL) eval examples/multi_points_card.xml --frames 24 --node Fit --node Card
	$(VANTOREL) render examples/multi_points_card.xml --frame 24 -o $(DEMO_OUT)/multi_points_card.png
	$(VANTOREL) eval examples/multi_points_perspective.xml --frames 24 --node Pin --node Sign
	$(VANTOREL) render examples/multi_points_perspective.xml --frame 24 -o $(DEMO_OUT)/multi_points_perspective.png
	$(VANTOREL) eval examples/two_points_arm.xml --frames 16 --node Arm
	$(VANTOREL) render examples/two_points_arm.xml --frame 16 -o $(DEMO_OUT)/two_points_arm.png
	$(VANTOREL) pick examples/two_points_arm.xml --frame 16 --at 751,328
	$(VANTOREL) eval examples/three_points_patch.xml --frames 30 --node Patch
	$(VANTOREL) render examples/three_points_patch.xml --frame 30 -o $(DEMO_OUT)/three_points_patch.png
	$(VANTOREL) eval examples/spring_tail.xml --frames 1-8 --node Root --node Mid --node Tip
	$(VANTOREL) eval examples/spring_tail.xml --frames 10000 --node Tip
	$(VANTOREL) render examples/spring_tail.xml --frame 20 --view top -o $(DEMO_OUT)/spring_tail_top.png
	$(VANTOREL) bake-keys examples/spring_tail.xml Tip --frames 1-48 --replace -o $(DEMO_OUT)/spring_tail_baked.xml
	$(VANTOREL) eval $(DEMO_OUT)/spring_tail_baked.xml --frames 24 --node Tip --node Tip-baked
	$(VANTOREL) eval $(DEMO_OUT)/spring_tail_baked.xml --frames 22-24 --node Tip-baked --values peg
	@rm -rf $(DEMO_OUT)/tail_onion && mkdir -p $(DEMO_OUT)/tail_onion
	$(VANTOREL) render $(DEMO_OUT)/spring_tail_baked.xml --frames 1-48 --view top --onion 6 --labels -o $(DEMO_OUT)/tail_onion/tail%04d.png
	$(VANTOREL) render $(DEMO_OUT)/spring_tail_baked.xml --frame 24 --view top --onion 6 --labels -o $(DEMO_OUT)/spring_tail_onion.png
	$(VANTOREL) curves $(DEMO_OUT)/spring_tail_baked.xml --node Body --node Root --node Tip-baked --channels ty,rz -o $(DEMO_OUT)/spring_tail_curves.png
	$(VANTOREL) curves examples/limit_forearm.xml --node Forearm --node Limit --channels rz,skew,sx,sy -o $(DEMO_OUT)/limit_forearm_curves.png
	$(VANTOREL) export examples/spring_tail.xml -o $(DEMO_OUT)/spring_tail.glb
	$(VANTOREL) export $(EXAMPLE) --hierarchy -o $(DEMO_OUT)/arm_rig.glb
	$(VANTOREL) graph examples/three_points_patch.xml -o $(DEMO_OUT)/three_points_patch_graph.png
	$(VANTOREL) graph examples/spring_tail.xml -o $(DEMO_OUT)/spring_tail_graph.svg
	QT_QPA_PLATFORM=offscreen build/default/bin/view_demo $(DEMO_OUT)
	@mkdir -p docs/images
	cp $(DEMO_OUT)/spring_tail_onion.png $(DEMO_OUT)/spring_tail_curves.png $(DEMO_OUT)/limit_forearm_curves.png docs/images/
	cp $(DEMO_OUT)/view_switch_dragging.png $(DEMO_OUT)/view_switch_gate.png $(DEMO_OUT)/view_spring_tail.png \
	   $(DEMO_OUT)/view_limit_forearm.png $(DEMO_OUT)/three_points_patch_graph.png docs/images/
	@echo "demo: pictures and edited scenes in $(DEMO_OUT)/"

bench: build
	@for b in build/default/bin/bench_*; do echo "== $$b"; $$b --benchmark_min_time=0.2; done
	@echo "== bench/python_session.py"; /usr/bin/python3 bench/python_session.py

fuzz: bootstrap
	@WITH_FUZZ=1 ./scripts/bootstrap
	@cmake --preset fuzz >/dev/null
	@cmake --build --preset fuzz -j $(JOBS)
	build/fuzz/bin/SceneReaderFuzz -max_total_time=$${FUZZ_SECONDS:-600} fuzz/corpus

install: build
	@cmake --install build/default --prefix "$(PREFIX)" >/dev/null
	@echo "installed $(PREFIX)/bin/vantorel (host libraries and plug-ins in $(PREFIX)/lib/vantorel)"
	@case ":$$PATH:" in *":$(PREFIX)/bin:"*) ;; *) echo "note: $(PREFIX)/bin is not on your PATH; add it, e.g. export PATH=\"$(PREFIX)/bin:\$$PATH\"";; esac

clean:
	rm -rf build
