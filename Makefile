# The two commands a new machine needs: `make run` and `make test`.
.PHONY: run test package bench bootstrap clean

run:
	@scripts/run.sh $(ARGS)

test:
	@scripts/test.sh

package:
	@scripts/package.sh

bench:
	@scripts/bench.sh

bootstrap:
	@scripts/bootstrap.sh

clean:
	rm -rf build/native build/win32 build/bench
