#!/usr/bin/env bash
# What a user installs: the manual pages pass mandoc's lint, `cmake --install`
# puts the programs, pages and documents under the prefix and nothing else, and
# the Debian package and the archive hold the same files, with programs that
# convert the bundled example, and lintian accepts the Debian package. Needs
# mandoc, dpkg-dev, file and lintian; .ci/run installs them.  PACKAGE_BUILD names
# the build folder (default: build).
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
  share/doc/songtools/LICENSE share/doc/songtools/examples/demo/demo.mid; do
  grep -qx "$needed" "$scratch/installed" || fail "$needed is not installed"
done
# The README's links to the pages under doc/ hold in the installed copy too.
for linked in $(grep -o '](doc/[a-z-]*\.md)' README.md | sed 's/^](//; s/)$//' | sort -u); do
  grep -qx "share/doc/songtools/$linked" "$scratch/installed" || fail "the README links to $linked, which is not installed"
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
# Both packages hold what the install put under the prefix: the archive exactly,
# the Debian package with what Debian asks (cmake/SongtoolsPackageDebian.cmake):
# its manual pages compressed, and the copyright file and a Debian changelog
# beside the documents.
dpkg-deb --contents "$deb" | awk '$1 !~ /^d/ {print $6}' | sed 's|^\./usr/||' | sort \
  >"$scratch/in-deb"
{
  sed -E 's|^(share/man/man[0-9]/.*)$|\1.gz|' "$scratch/installed"
  echo share/doc/songtools/copyright
  echo share/doc/songtools/changelog.gz
  # lintian's overrides, should a warning ever need one (checked below).
  grep -x 'share/lintian/overrides/songtools' "$scratch/in-deb" || true
} | sort >"$scratch/deb-expected"
diff -u "$scratch/deb-expected" "$scratch/in-deb" || fail "the package differs from the install"
tar -tzf "$archive" | grep -v '/$' | sed "s|^songtools-$version-Linux/||" | sort >"$scratch/in-tgz"
diff -u "$scratch/installed" "$scratch/in-tgz" || fail "the archive differs from the install"

echo "== the copyright file and the changelog of the Debian package"
dpkg -x "$deb" "$scratch/unpacked"
doc=$scratch/unpacked/usr/share/doc/songtools
# The copyright file in Debian's machine-readable format, holding LICENSE's terms.
head -n 1 "$doc/copyright" | grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ||
  fail "the copyright file is not in Debian's machine-readable format"
grep -qx "Copyright: $(sed -n '3s/^Copyright (c) //p' LICENSE)" "$doc/copyright" ||
  fail "the copyright file does not name LICENSE's holder"
sed -n '/^License: /,$p' "$doc/copyright" | tail -n +2 | sed 's/^ //; s/^\.$//' >"$scratch/terms"
tail -n +5 LICENSE | diff -u - "$scratch/terms" || fail "the copyright file's terms are not LICENSE's"
zcat "$doc/changelog.gz" | head -n 1 | grep -qx "songtools ($version) unstable; urgency=medium" ||
  fail "changelog.gz does not start with version $version"
echo "copyright: $(sed -n 's/^License: //p' "$doc/copyright"), $(sed -n 's/^Copyright: //p' "$doc/copyright")"

echo "== the example, converted with the unpacked programs"
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
# Debian's own checker: no error, and no warning left that the package does not
# override (an override, in share/lintian/overrides/songtools, comes after a
# comment line that gives its reason).
echo "== lintian $deb"
overrides=$scratch/unpacked/usr/share/lintian/overrides/songtools
if [ -f "$overrides" ]; then
  awk '!/^#/ && NF && prev !~ /^#/ {print "no reason given for: " $0; bad = 1} {prev = $0} END {exit bad}' \
    "$overrides" || fail "a lintian override without its reason"
fi
lintian_status=0
lintian_output=$(lintian --fail-on error,warning --show-overrides --tag-display-limit 0 "$deb" 2>&1) ||
  lintian_status=$?
echo "${lintian_output:-lintian reports nothing}"
[ "$lintian_status" -eq 0 ] || fail "lintian reports an error or a warning that is not overridden"
echo "package.sh: $deb and $archive are fine"
