#!/bin/sh
# Proves that cmake/wine-test fails every stand-in fault and lets through
# only Wine's exact teardown crash, counted, and not too often:
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

# Wine's teardown crash, played by a stand-in Wine: the verdict, then the
# process killed by SIGSEGV.
cat >"$work/fake-wine" <<'FAKE'
#!/bin/sh
echo "[ RUN      ] Suite.Case"
echo "[       OK ] Suite.Case (0 ms)"
echo "[==========] 1 test from 1 test suite ran. (0 ms total)"
echo "[  PASSED  ] 1 test."
[ -n "${AFTER:-}" ] && echo "$AFTER" >&2
kill -SEGV $$
FAKE
chmod +x "$work/fake-wine"
fake="$work/suite.exe"
fence() { HUEVANE_WINE="$work/fake-wine" HUEVANE_FENCE_LOG="$work/fence.log" "$wine_test" "$fake" "$@"; }
expect pass "Wine's teardown crash, the first time" fence
expect fail "the same crash with a message after the verdict" env AFTER="wine: Unhandled page fault" \
  HUEVANE_WINE="$work/fake-wine" "$wine_test" "$fake"
expect fail "the same crash again at once: too often" fence
echo "99 1" >"$fake.wine-fence"
expect pass "a second crash in 100 runs" fence
expect fail "a third right after" fence
if [ "$(wc -l <"$work/fence.log")" -eq 4 ]; then
  passed=$((passed + 1))
  echo "ok: every firing is noted in the run's fence log"
else
  failed=$((failed + 1))
  echo "WRONG: the fence log holds $(wc -l <"$work/fence.log") lines, expected 4"
fi

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
