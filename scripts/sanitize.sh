#!/usr/bin/env bash
# Runs the whole test suite against a build of the module with
# AddressSanitizer and UndefinedBehaviorSanitizer:
#   bash scripts/sanitize.sh [pytest args]
#
# The module is built into build-sanitize/. Debian's interpreter is not
# instrumented, so the sanitizer runtimes are preloaded into it, and
# PYTHONMALLOC=malloc routes every object allocation through the sanitized
# allocator, so that a use after free or an overrun of a Python object is
# seen. Leak detection stays off: the interpreter and the toolkit keep
# memory until exit by design; reference leaks are the business of
# tests/test_refleaks.py and scripts/soak.sh.
#
# The run fails on the first report (the process aborts) and also when any
# report was written to the log directory, even by a child process. Reports
# from third-party libraries may be suppressed in scripts/asan.supp and
# scripts/ubsan.supp; the module's own never are.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
install_missing_packages

NUV_TOUCH_BUILD=$NUV_ROOT/build-sanitize
export NUV_TOUCH_BUILD
export PYTHONPATH="$NUV_TOUCH_BUILD:$PYTHONPATH"
if ! grep -qs '^NUV_TOUCH_SANITIZE:BOOL=ON$' "$NUV_TOUCH_BUILD/CMakeCache.txt"; then
    rm -rf "$NUV_TOUCH_BUILD"
fi
build_module "$NUV_TOUCH_BUILD" -DNUV_TOUCH_SANITIZE=ON

runtimes=""
for lib in libasan.so libubsan.so; do
    path=$(g++ -print-file-name=$lib)
    [ -e "$path" ] || { echo "sanitize.sh: $lib not found" >&2; exit 2; }
    runtimes="${runtimes:+$runtimes:}$(readlink -f "$path")"
done

logs=$(mktemp -d "${TMPDIR:-/tmp}/nuv-sanitize.XXXXXX")
asan_options=(
    detect_leaks=0
    halt_on_error=1
    abort_on_error=1
    # The classes and functions are static tables spread over several
    # translation units: catch one read before it is initialised.
    check_initialization_order=1
    strict_init_order=1
    suppressions="$NUV_ROOT/scripts/asan.supp"
    log_path="$logs/asan"
)
ubsan_options=(
    halt_on_error=1
    print_stacktrace=1
    suppressions="$NUV_ROOT/scripts/ubsan.supp"
    log_path="$logs/ubsan"
)

cd "$NUV_ROOT"
start_xvfb
set +e
env LD_PRELOAD="$runtimes" PYTHONMALLOC=malloc \
    ASAN_OPTIONS="$(IFS=:; echo "${asan_options[*]}")" \
    UBSAN_OPTIONS="$(IFS=:; echo "${ubsan_options[*]}")" \
    "$PYTHON" -m pytest -p no:cacheprovider -p no:xvfb "$@" tests
status=$?
set -e

reports=$(find "$logs" -type f | sort)
if [ -n "$reports" ]; then
    echo "sanitize.sh: sanitizer reports:" >&2
    for report in $reports; do
        echo "==== $report" >&2
        cat "$report" >&2
    done
    [ $status -eq 0 ] && status=1
else
    echo "sanitize.sh: sanitizer reports: 0"
fi
rm -rf "$logs"
[ $status -eq 5 ] && echo "No tests ran." >&2
exit $status
