#!/bin/sh
# Installs what is missing, builds everything from scratch and runs every
# test under Wine in private X servers, the release packages included, in
# two lanes:
#   32  the release tree in build/: the 32-bit module, host, installer and
#       test programs in a 32-bit prefix, with the 64-bit module and its
#       companion started by the 32-bit host in a 64-bit prefix;
#   64  the 64-bit tree in build64/: the same sources, every program
#       64-bit, every test in a 64-bit prefix; with the native sanitizer
#       and fuzzer runs.
# Where the kernel runs no 32-bit code, the 32-bit lane runs its 32-bit
# programs under a user-mode emulator (scripts/emulate32.sh);
# BRIVANE_EMULATE32=1 asks for that on any machine.
#   test.sh          both lanes
#   test.sh 32|64    one lane alone
# Ends with each lane's CTest summary and one line for both.
set -eu
cd "$(dirname "$0")/.."
lanes="${1:-32 64}"
case "$lanes" in 32|64|"32 64") ;; *) echo "usage: test.sh [32|64]" >&2; exit 2 ;; esac

sh scripts/deps.sh test
run32=""
mode32=natively
if [ "${BRIVANE_EMULATE32:-0}" = 1 ] || ! sh scripts/probe32.sh; then
  run32="sh $PWD/scripts/emulate32.sh"
  mode32="under emulation ($(sh scripts/qemu/build.sh --path))"
fi
for lane in $lanes; do
  case $lane in
    32) echo "lane 32: the release tree, 32-bit programs run $mode32, 64-bit ones natively" ;;
    64) echo "lane 64: the 64-bit tree, every program 64-bit, run natively" ;;
  esac
done

x_server='xvfb-run -a -s "-screen 0 1280x1024x24"'
for lane in $lanes; do
  case $lane in
    32) dir=build toolchain=cmake/mingw32.cmake native_tests=OFF ;;
    64) dir=build64 toolchain=cmake/mingw64.cmake native_tests=ON ;;
  esac
  rm -rf $dir
  cmake -S . -B $dir -DCMAKE_TOOLCHAIN_FILE=$toolchain -DCMAKE_BUILD_TYPE=Release \
        -DBRIVANE_NATIVE_TESTS=$native_tests
  cmake --build $dir -j "$(nproc)"
  # Both release packages: the tests install the one and list the other.
  cmake --build $dir --target package
done

failed=0
summary=""
for lane in $lanes; do
  case $lane in
    32) dir=build runner="$run32" ;;
    64) dir=build64 runner="" ;;
  esac
  start=$(date +%s)
  (cd $dir && rc=0 && { eval "$runner $x_server ctest --output-on-failure" || rc=$?; } && echo $rc >ctest.rc) 2>&1 \
    | tee $dir/ctest.log
  rc=$(cat $dir/ctest.rc 2>/dev/null || echo 1)
  [ "$rc" = 0 ] || failed=1
  secs=$(( $(date +%s) - start ))
  line=$(grep -E 'tests passed, [0-9]+ tests failed out of' $dir/ctest.log | tail -1 || true)
  summary="$summary
lane $lane: ${line:-no CTest summary (exit status $rc)}, in $((secs / 60)) min $((secs % 60)) s"
done
echo "$summary"
passed=0 failures=0
for lane in $lanes; do
  case $lane in 32) dir=build ;; 64) dir=build64 ;; esac
  total=$(sed -n 's/.*tests failed out of \([0-9]*\).*/\1/p' $dir/ctest.log | tail -1)
  bad=$(sed -n 's/.* \([0-9]*\) tests failed out of.*/\1/p' $dir/ctest.log | tail -1)
  passed=$((passed + ${total:-0} - ${bad:-0}))
  failures=$((failures + ${bad:-1}))
done
echo "lanes: $passed passed, $failures failed"
exit $failed
