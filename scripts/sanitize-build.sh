# Sourced by sanitize.sh and fuzz.sh: configures build-sanitize (clang with AddressSanitizer,
# UBSan and the fuzzer's coverage; tests and fuzz targets) and builds $KESTRO_TARGETS there
# (everything when unset), through ccache when it is installed. Unoptimised with line tables
# only: it builds in half the time of -O1, and reports still name file and line.
launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
KESTRO_EXTRA_PACKAGES="clang libclang-rt-14-dev" bash scripts/prepare.sh build-sanitize \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O0 -gline-tables-only" \
  "-DCMAKE_C_FLAGS_RELWITHDEBINFO=-O0 -gline-tables-only" \
  -DKESTRO_SANITIZE=ON -DKESTRO_BUILD_FUZZ=ON -DKESTRO_BUILD_TESTS=ON \
  "${launcher[@]}"
