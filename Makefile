# The two commands of the README: `make test` runs every test; `make run` starts the card index.
.PHONY: test deps bench run run-windows dist clean

test: deps
	scripts/test-all

deps:
	scripts/install-deps

bench: deps
	cmake --preset native >/dev/null
	cmake --build --preset native -j "$$(nproc)" --target store_bench form_bench text_bench search_bench tool_bench atlas_bench
	build/native/bench/store_bench
	build/native/bench/form_bench
	build/native/bench/text_bench
	build/native/bench/search_bench
	build/native/bench/tool_bench
	build/native/bench/atlas_bench

# make run [DOC=path/to/persons.qelvo]: the native program, on DOC or the user's default document.
run: deps
	scripts/run $(if $(DOC),"$(DOC)")

# make run-windows [DOC=...]: the Windows program under Wine, with its calculator beside it.
run-windows: deps
	scripts/run-windows $(if $(DOC),"$(DOC)")

# make dist: the release artifacts in dist/ (Windows installers and portable zips, Debian packages).
dist: deps
	scripts/dist

clean:
	rm -rf build dist
