#!/usr/bin/env bash
# What a user installs: the manual pages pass mandoc's lint, `cmake --install`
# puts the programs, pages and documents under the prefix and nothing else, and
# the Debian package and the archive hold the same files, with programs that
# convert the bundled example. Needs mandoc, dpkg-dev and file; .ci/run installs
# them.  PACKAGE_BUILD names the build folder (default: build).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${PACKAGE_BUILD:-build}

fail() {
  echo "package.sh: $*" >&2
  exit 1
}

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 >/dev/null
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[ -n "$version" ] || fail "no project version in $build/CMakeCache.txt"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# Every page, those of programs not in this build included. At -W warning mandoc
# leaves out style notes and exits non-zero on a warning or worse.
echo "== mandoc -T lint -W warning"
for page in "$build"/man/man1/*.1 "$build"/man/man5/*.5; do
  mandoc -T lint -W warning "$page" || fail "mandoc finds fault with $page"
  grep -qx "\.Os songtools $version" "$page" || fail "$page does not carry version $version"
  echo "clean: ${page#"$build"/}"
done

echo "== cmake --install"
prefix=$scratch/install
cmake --install "$build" --prefix "$prefix" >/dev/null
(cd "$prefix" && find . -type f -o -type l | sed 's|^\./||' | sort) >"$scratch/installed"
cat "$scratch/installed"
unexpected=$(grep -v -E '^(bin/song[a-z]+|share/man/man1/song[a-z]+\.1|share/man/man5/song[a-z]+\.5|share/doc/songtools/.+)$' \
  "$scratch/installed" || true)
[ -z "$unexpected" ] || fail "installed beyond the programs, pages and documents: $unexpected"
for needed in bin/songmake bin/songasm bin/songdump share/man/man5/songfile.5 \
  share/man/man5/songenv.5 share/doc/songtools/README.md share/doc/songtools/CHANGELOG.md \
  share/doc/songtools/examples/demo/demo.mid; do
  grep -qx "$needed" "$scratch/installed" || fail "$needed is not installed"
done
# A program and its page go together.
for program in "$prefix"/bin/*; do
  name=$(basename "$program")
  [ -f "$prefix/share/man/man1/$name.1" ] || fail "$name is installed without its page"
done
for page in "$prefix"/share/man/man1/*.1; do
  name=$(basename "$page" .1)
  [ -x "$prefix/bin/$name" ] || fail "the page of $name is installed without the program"
done
# man renders through groff, which has warnings of its own.
if command -v man >/dev/null; then
  for page in "$prefix"/share/man/man*/*; do
    warnings=$(MANWIDTH=80 man --warnings -P cat -l "$page" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "man -l $page: $warnings"
  done
fi
# Every program with options says its version; songmake and songasm take a file name only.
for program in "$prefix"/bin/*; do
  name=$(basename "$program")
  case $name in songmake | songasm) continue ;; esac
  [ "$("$program" --version)" = "$name $version" ] || fail "$name --version"
done

echo "== cpack -G DEB, cpack -G TGZ"
(cd "$build" && cpack -G DEB >/dev/null && cpack -G TGZ >/dev/null)
deb=$build/songtools_${version}_$(dpkg --print-architecture).deb
archive=$build/songtools-$version-Linux.tar.gz
[ -f "$deb" ] || fail "no $deb"
[ -f "$archive" ] || fail "no $archive"

echo "== dpkg-deb --info $deb"
dpkg-deb --info "$deb"
[ "$(dpkg-deb --field "$deb" Package)" = songtools ] || fail "package name"
[ "$(dpkg-deb --field "$deb" Version)" = "$version" ] || fail "package version"
[ "$(dpkg-deb --field "$deb" Section)" = sound ] || fail "package section"
dpkg-deb --field "$deb" Depends | grep -q 'libc6 (>=' || fail "no dependencies worked out"
echo "== dpkg-deb --contents $deb"
dpkg-deb --contents "$deb"
# Both packages hold exactly what the install put under the prefix.
dpkg-deb --contents "$deb" | awk '$1 !~ /^d/ {print $6}' | sed 's|^\./usr/||' | sort \
  >"$scratch/in-deb"
diff -u "$scratch/installed" "$scratch/in-deb" || fail "the package differs from the install"
tar -tzf "$archive" | grep -v '/$' | sed "s|^songtools-$version-Linux/||" | sort >"$scratch/in-tgz"
diff -u "$scratch/installed" "$scratch/in-tgz" || fail "the archive differs from the install"

echo "== the example, converted with the unpacked programs"
dpkg -x "$deb" "$scratch/unpacked"
bin=$scratch/unpacked/usr/bin
examples=$scratch/unpacked/usr/share/doc/songtools/examples/demo
mkdir "$scratch/packaged" "$scratch/built"
cp "$examples"/demo.mid "$examples"/demo-0.raw "$examples"/demo-1.raw "$examples"/demo.env \
  "$scratch/packaged"
cp "$scratch/packaged"/* "$scratch/built"
(
  cd "$scratch/packaged"
  "$bin/songcheck" --strict demo.mid >/dev/null
  "$bin/songprep" demo.mid prepared.mid >/dev/null
  "$bin/songmake" demo.mid
  "$bin/songasm" demo.sng
  "$bin/songdump" --summary --svg demo.sng
  "$bin/songplay" demo.sng
) || fail "the unpacked programs do not check, prepare, convert and play the example"
[ "$("$bin/songdump" --version)" = "songdump $version" ] || fail "unpacked songdump --version"
# The stripped programs of the package write what the tested ones write.
(
  cd "$scratch/built"
  "$OLDPWD/$build/songmake/songmake" demo.mid >/dev/null
  "$OLDPWD/$build/songasm/songasm" demo.sng >/dev/null
)
for output in demo.sng demo.S; do
  cmp "$scratch/packaged/$output" "$scratch/built/$output" || fail "$output differs"
done
echo "package.sh: $deb and $archive are fine"
