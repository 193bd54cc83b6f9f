#!/bin/sh
# Every binary of the build and of an installation made from it finds its libraries through run
# paths with no empty entry: the loader takes an empty entry for the folder the program is run
# from, where any file of a library's name would be loaded in place of ours or Qt's.
# Usage: check_run_paths.sh BUILD_DIR
set -eu
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null

status=0
checked=0
for f in "$build"/bin/* "$build"/bin/plugins/*.so "$build"/lib/*.so "$prefix"/bin/* "$prefix"/lib/vantorel/*.so \
  "$prefix"/lib/vantorel/plugins/*.so; do
  [ -f "$f" ] || continue
  paths=$(readelf -d "$f" 2>/dev/null | sed -n 's/.*(R\(UN\)\{0,1\}PATH).*\[\(.*\)\]$/\2/p')
  [ -n "$paths" ] || continue
  checked=$((checked + 1))
  case ":$paths:" in
  *::*)
    echo "FAIL: $f has an empty entry in its run path \"$paths\"" >&2
    status=1
    ;;
  esac
done
[ "$checked" -gt 0 ] || { echo "FAIL: no binary with a run path under $build" >&2; exit 1; }
[ "$status" -eq 0 ] && echo "$checked run paths, none with an empty entry"
exit "$status"
