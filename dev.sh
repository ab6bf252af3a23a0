#!/usr/bin/env bash
# Developer entry point: installs the toolchains, builds the native and Windows configurations
# and runs every test suite.
#   ./dev.sh test        install what is missing, build everything, run all tests
#   ./dev.sh install     only install the packages
#   ./dev.sh bench       build and run the benchmarks
set -euo pipefail
cd "$(dirname "$0")"
ROOT=$PWD
JOBS=$(nproc)

native_packages=(cmake g++ make zlib1g-dev libcurl4-openssl-dev googletest libgtest-dev
                 libbenchmark-dev python3 openssl curl)
windows_packages=(g++-mingw-w64-i686 libz-mingw-w64-dev wine wine32:i386)

missing_packages() {
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q '^install ok installed$' || echo "$p"
  done
}

install_packages() {
  local as_root=()
  [ "$(id -u)" -eq 0 ] || as_root=(sudo)
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    "${as_root[@]}" dpkg --add-architecture i386
  fi
  local missing
  missing=$(missing_packages "${native_packages[@]}" "${windows_packages[@]}")
  [ -z "$missing" ] && return 0
  echo "installing: $missing"
  export DEBIAN_FRONTEND=noninteractive
  "${as_root[@]}" apt-get update -q
  # shellcheck disable=SC2086
  "${as_root[@]}" apt-get install -y -q --no-install-recommends $missing
}

configure_and_build() {  # folder, cmake arguments...
  local folder=$1
  shift
  cmake -S "$ROOT" -B "$folder" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  cmake --build "$folder" -j "$JOBS" ${BUILD_TARGETS:+--target $BUILD_TARGETS}
}

# The Wine prefix lives in the build folder; create it once so parallel tests do not race.
# Overriding mscoree and mshtml keeps Wine from offering its Mono and Gecko installs.
prepare_wine() {
  export WINEPREFIX="$ROOT/build/windows/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  [ -f "$WINEPREFIX/system.reg" ] || wineboot -i >/dev/null 2>&1 || true
}

# The suites whose threads meet: the job driver with the dispatcher, the library driven by the
# test host, the process-wide paths and the transfer worker.
tsan_suites_targets="job_tests integration_tests host_tests transfer_tests"
tsan_suites_pattern='^(job|integration|host|transfer)(-|$)'

run_tests() {
  local status=0
  configure_and_build build/native-sanitize -DVU_SANITIZE=ON
  configure_and_build build/windows -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-mingw-i686.cmake"
  BUILD_TARGETS="$tsan_suites_targets" configure_and_build build/native-tsan -DVU_SANITIZE_THREAD=ON

  echo "== native tests (AddressSanitizer + UndefinedBehaviorSanitizer)"
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir build/native-sanitize --output-on-failure -j "$JOBS" || status=1

  echo "== native concurrency tests (ThreadSanitizer)"
  TSAN_OPTIONS=halt_on_error=1 \
    ctest --test-dir build/native-tsan --output-on-failure -j "$JOBS" -R "$tsan_suites_pattern" || status=1

  echo "== Windows tests under Wine"
  prepare_wine
  ctest --test-dir build/windows --output-on-failure -j "$JOBS" || status=1
  wineserver -k 2>/dev/null || true
  return $status
}

run_benchmarks() {
  BUILD_TARGETS="md5_bench ini_bench http_bench analysis_bench download_bench" \
    configure_and_build build/native-release -DCMAKE_BUILD_TYPE=Release
  BUILD_TARGETS="ini_bench http_bench download_bench" configure_and_build build/windows-release \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-mingw-i686.cmake"
  local server_dir=$ROOT/build/bench-server
  python3 tests/server/launch.py start --dir "$server_dir"
  # The Windows download benchmark cannot start the Linux curl; it is given curl's time from the
  # Linux run instead.
  local bench curl_seconds=
  for bench in build/native-release/bench/*_bench; do
    echo "== $bench (Linux)"
    case $bench in
      *http_bench) "$bench" "$server_dir/port" ;;
      *download_bench)
        "$bench" "$server_dir/port" | tee "$server_dir/download_bench.txt"
        curl_seconds=$(sed -n 's/^  curl: \([0-9.]*\) s.*/\1/p' "$server_dir/download_bench.txt") ;;
      *) "$bench" ;;
    esac
  done
  echo "== curl, the same body, for comparison (Linux)"
  curl -s -o /dev/null -w '  %{time_total} s  (%{speed_download} bytes/s)\n' \
    "http://127.0.0.1:$(head -n1 "$server_dir/port")/_gen/268435456/bench"
  export WINEPREFIX="$ROOT/build/windows-release/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  local port_file="Z:${server_dir//\//\\}\\port"
  for bench in build/windows-release/bench/*_bench.exe; do
    echo "== $bench (Windows build under Wine)"
    case $bench in
      *http_bench.exe) wine "$bench" "$port_file" ;;
      *download_bench.exe) wine "$bench" "$port_file" ${curl_seconds:+"$curl_seconds"} ;;
      *) wine "$bench" ;;
    esac
  done
  wineserver -k 2>/dev/null || true
  python3 tests/server/launch.py stop --dir "$server_dir"
}

case "${1:-}" in
  install) install_packages ;;
  test) install_packages; run_tests ;;
  bench) install_packages; run_benchmarks ;;
  *) echo "usage: $0 test|install|bench" >&2; exit 2 ;;
esac
