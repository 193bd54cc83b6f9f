#!/bin/sh
# Installs the build into a temporary prefix and runs the installed vantorel from another
# folder with a bare environment, as a user who ran `make install PREFIX=...` would: it must
# find its host libraries and plug-ins through its own run paths, none of them in the build.
# Usage: check_install.sh BUILD_DIR EXAMPLES_DIR
set -eu
build=$1
examples=$2
prefix=$(mktemp -d)
elsewhere=$(mktemp -d)
trap 'rm -rf "$prefix" "$elsewhere"' EXIT

cmake --install "$build" --prefix "$prefix" >/dev/null
cp "$examples/arm_rig.xml" "$elsewhere/"
cd "$elsewhere"
run() { env -i PATH="$prefix/bin:/usr/bin:/bin" HOME="$elsewhere" ASAN_OPTIONS=detect_leaks=0 "$@"; }

out=$(run vantorel check arm_rig.xml)
echo "$out"
case "$out" in
"arm_rig.xml: ok, 5 nodes"*) ;;
*) echo "FAIL: unexpected check output" >&2; exit 1 ;;
esac
# The plug-in's node types come from the installed plug-in folder.
run vantorel types | grep -q '^Switch ' || { echo "FAIL: the plug-in's types are missing" >&2; exit 1; }
# The window comes from the installed window library: it opens and stays up until stopped.
status=0
run env QT_QPA_PLATFORM=offscreen timeout 3 vantorel view arm_rig.xml || status=$?
[ "$status" -eq 124 ] || { echo "FAIL: vantorel view ended with status $status instead of staying open" >&2; exit 1; }
# Nothing the installed files load comes from the build.
for f in "$prefix"/bin/vantorel "$prefix"/lib/vantorel/*.so "$prefix"/lib/vantorel/plugins/*.so; do
  if readelf -d "$f" | grep -E 'RUNPATH|RPATH' | grep -q "$build"; then
    echo "FAIL: $f has a run path into the build" >&2; exit 1
  fi
done
echo "installed vantorel runs from $elsewhere"
