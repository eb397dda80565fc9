#!/usr/bin/env bash
# Installs the build tree into a scratch prefix, then builds a consumer program and the
# example against it twice: through find_package(Quillon) and through pkg-config.
set -euo pipefail
build=$1
src=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cmake --install "$build" --prefix "$tmp/prefix" >/dev/null
cmake -S "$src/tests/package" -B "$tmp/cmake" -DCMAKE_PREFIX_PATH="$tmp/prefix" \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$tmp/cmake" >/dev/null
"$tmp/cmake/consumer"
"$tmp/cmake/example" 6996 86 | grep -q "^# 3 gates, proven optimal"
pc=$(dirname "$(find "$tmp/prefix" -name quillon.pc | head -n 1)")
flags=$(PKG_CONFIG_PATH="$pc" pkg-config --cflags --libs quillon)
# shellcheck disable=SC2086
g++ -std=c++17 -O1 "$src/tests/package/consumer.cpp" -o "$tmp/pc-consumer" $flags
"$tmp/pc-consumer"
# The Python module, where /usr/bin/python3 finds it under the prefix.
module=$(find "$tmp/prefix" -name 'quillon*.so' -path '*dist-packages*' | head -n 1)
if [ -n "$module" ]; then
    PYTHONPATH=$(dirname "$module") /usr/bin/python3 -c \
        'import quillon; assert quillon.synthesize("6996", library="86").nodes == 3'
    echo "package: the installed Python module imports and synthesises"
fi
echo "package: find_package and pkg-config consumers passed"
