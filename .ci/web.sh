#!/usr/bin/env bash
# The WebAssembly build and its checks: each program under Node.js against the
# native one on the tests' MIDI files, then the web page in headless Chromium
# and headless Firefox.
# SCREENSHOT=doc/web-page.png bash .ci/web.sh also takes the README's picture.
set -euo pipefail
cd "$(dirname "$0")/.."

# Debian's emscripten; its optimizer needs acorn, found through NODE_PATH.
packages=(emscripten node-acorn chromium chromium-driver python3-selenium firefox-esr
          cmake g++ make libgtest-dev libgmock-dev)
bash .ci/install-missing.sh "${packages[@]}"
export NODE_PATH=/usr/share/nodejs

cmake --preset web && cmake --build --preset web
# The native programs to compare with, the tests' MIDI files, and the song of a
# million events the page must work through.
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
cmake --build build -j2 --target songmake songasm songdump songcheck songplay songprep \
  write_test_songs make_bench_song

songs=$(mktemp -d)
trap 'rm -rf "$songs"' EXIT
build/tests/web/write_test_songs "$songs"
cp examples/demo/demo.mid "$songs"
/usr/bin/python3 web/test/node_matches_native.py build build-web "$songs" examples/demo
/usr/bin/python3 web/test/browser_test.py build-web/site build examples/demo ${SCREENSHOT:+"$SCREENSHOT"}
/usr/bin/python3 web/test/firefox_test.py build-web/site build examples/demo

# Installed as a folder of the documentation.
rm -rf build-web/installed
cmake --install build-web --prefix "$PWD/build-web/installed" >/dev/null
test -f build-web/installed/share/doc/songtools/web/index.html
test -f build-web/installed/share/doc/songtools/web/songtools.js
echo "web: the site installs under share/doc/songtools/web/"
