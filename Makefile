# The two commands a new machine needs: `make run` and `make test`.
.PHONY: run test package bench bootstrap clean screenshots

run:
	@scripts/run.sh $(ARGS)

test:
	@scripts/test.sh

package:
	@scripts/package.sh

bench:
	@scripts/bench.sh

# The README's pictures; DPI=1 also takes them at 96, 144 and 192 DPI into build/screenshots.
screenshots:
	@scripts/screenshots.sh $(if $(DPI),--dpi)

bootstrap:
	@scripts/bootstrap.sh

clean:
	rm -rf build/native build/win32 build/bench
