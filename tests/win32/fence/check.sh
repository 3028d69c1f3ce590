#!/bin/sh
# Proves that cmake/wine-test fails every stand-in fault and lets through
# only Wine's exact teardown crash, once per suite in a run, noted with
# Wine's trace, and only when the case's second run is clean:
#   check.sh WINE_TEST STANDINS_EXE
# Prints one line per check and "N passed, N failed".
set -u
wine_test=$1
standins=$2
work=$(mktemp -d) || exit 1
trap 'rm -rf "$work"' EXIT
passed=0
failed=0

expect() {  # expect pass|skip|fail WHAT COMMAND...
  want=$1 what=$2
  shift 2
  "$@" >"$work/log" 2>&1
  case $? in 0) got=pass ;; 77) got=skip ;; *) got=fail ;; esac
  if [ "$got" = "$want" ]; then
    passed=$((passed + 1))
    echo "ok: $what: $got"
  else
    failed=$((failed + 1))
    echo "WRONG: $what: $got, expected $want"
    sed 's/^/    /' "$work/log"
  fi
}

run_case() { "$wine_test" "$standins" --gtest_filter="Standin.$1"; }
expect pass "a passing case" run_case Passes
expect skip "a skip that says why" run_case SkipsSayingWhy
expect fail "a skip that says nothing" run_case SkipsSayingNothing
expect fail "a null write in a static destructor" run_case NullWriteInAStaticDestructor
expect fail "a detached thread that crashes after the verdict" run_case ThreadThatCrashesAfterTheVerdict
expect fail "abort() in an atexit handler" run_case AbortInAnAtexitHandler
expect fail "a joinable std::thread left at exit" run_case JoinableThreadLeftAtExit
expect fail "ExitProcess(3)" run_case ExitProcessWithACode
expect fail "a failure in TearDownTestSuite" "$wine_test" "$standins" --gtest_filter='FailingTearDown.*'
expect fail "a failure in SetUpTestSuite" "$wine_test" "$standins" --gtest_filter='FailingSetUp.*'

# Wine's teardown crash, played by a stand-in Wine: the verdict, a line of
# Wine's trace, then the process killed by SIGSEGV; CRASHES is how many of
# its runs end so, counted down in a file.
cat >"$work/fake-wine" <<'FAKE'
#!/bin/sh
echo "[ RUN      ] Suite.Case"
echo "[       OK ] Suite.Case (0 ms)"
echo "[==========] 1 test from 1 test suite ran. (0 ms total)"
echo "[  PASSED  ] 1 test."
echo "0024:trace:process:NtTerminateProcess (nil) 0" >&2
[ -n "${AFTER:-}" ] && echo "$AFTER" >&2
left=$(cat "$CRASHES")
[ "$left" -gt 0 ] || exit 0
echo $((left - 1)) >"$CRASHES"
kill -SEGV $$
FAKE
chmod +x "$work/fake-wine"
fence() {  # fence CRASHES SUITE [env...]: one ctest case under the stand-in
  echo "$1" >"$work/crashes"
  suite=$2
  shift 2
  env CRASHES="$work/crashes" HUEVANE_WINE="$work/fake-wine" HUEVANE_FENCE_LOG="$work/fence.log" \
    "$@" "$wine_test" "$work/$suite.exe"
}
expect pass "Wine's teardown crash once, then a clean run" fence 1 a
expect fail "the crash again in the run after it" fence 2 b
expect fail "the crash with a message after the verdict" fence 1 c AFTER="wine: Unhandled page fault"
expect fail "a second crash of the same suite in one run" fence 1 a
expect pass "another suite's crash in the same run" fence 1 d
fired=$(grep -c '^fired: ' "$work/fence.log")
traced=$(grep -c 'trace: .*NtTerminateProcess' "$work/fence.log")
if [ "$fired" -eq 4 ] && [ "$traced" -eq 4 ]; then
  passed=$((passed + 1))
  echo "ok: every firing is noted in the run's fence log, with Wine's trace"
else
  failed=$((failed + 1))
  echo "WRONG: the fence log holds $fired firings with $traced traces, expected 4 and 4"
  sed 's/^/    /' "$work/fence.log"
fi

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
