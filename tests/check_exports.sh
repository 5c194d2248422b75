#!/bin/sh
# A plug-in exports exactly its two entries and needs nothing beyond the C library.
set -eu
lib=$1
exports=$(nm -D --defined-only "$lib" | awk '{print $3}' | sort | tr '\n' ' ')
if [ "$exports" != "getModuleProperties makeModule " ]; then
  echo "$lib exports: $exports"; exit 1
fi
needed=$(readelf -d "$lib" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p' | sort | tr '\n' ' ')
for n in $needed; do
  case "$n" in
    libc.so.6|libm.so.6|ld-linux*.so.2|ld-linux.so.2) ;;
    *) echo "$lib needs $n"; exit 1 ;;
  esac
done
echo "$lib: exports and dependencies as expected"
