# Sourced by sanitize.sh and fuzz.sh: configures build-sanitize (clang with AddressSanitizer,
# UBSan and the fuzzer's coverage; tests and fuzz targets) and builds $KESTRO_TARGETS there
# (everything when unset), through ccache when it is installed.
launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
KESTRO_EXTRA_PACKAGES="clang libclang-rt-14-dev" bash scripts/prepare.sh build-sanitize \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g" "-DCMAKE_C_FLAGS_RELWITHDEBINFO=-O1 -g" \
  -DKESTRO_SANITIZE=ON -DKESTRO_BUILD_FUZZ=ON -DKESTRO_BUILD_TESTS=ON \
  "${launcher[@]}"
