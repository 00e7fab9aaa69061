# The two commands a new machine needs: `make run` and `make test`.
.PHONY: run test fuzz package bench bootstrap clean screenshots

run:
	@ARCH=$(ARCH) scripts/run.sh $(ARGS)

# ARCH=win32 or ARCH=win64 tests one Windows build; without it, every build
# this machine can run.
test:
	@ARCH=$(ARCH) scripts/test.sh

# Each fuzz target for FUZZ_SECONDS seconds (make fuzz FUZZ_SECONDS=600).
FUZZ_SECONDS ?= 60
fuzz:
	@FUZZ_SECONDS=$(FUZZ_SECONDS) scripts/fuzz.sh

package:
	@scripts/package.sh

bench:
	@ARCH=$(ARCH) scripts/bench.sh

# The README's pictures, of the build ARCH names or else of the one this machine
# runs; DPI=1 also takes them at 96, 144 and 192 DPI into build/screenshots.
screenshots:
	@ARCH=$(ARCH) scripts/screenshots.sh $(if $(DPI),--dpi)

bootstrap:
	@scripts/bootstrap.sh

clean:
	rm -rf build/native build/win32 build/win64 build/bench build/fuzz
