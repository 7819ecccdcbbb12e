#!/usr/bin/env bash
# Builds the Debian package klaxo_<version>_<arch>.deb in build/package (with
# Debian's hardening flags, stripped, dependencies from dpkg-shlibdeps) and
# checks it: lintian, the list of files, the manual pages, the desktop entry
# and the AppStream metadata, then installs it with apt-get and runs both
# programs from /usr/bin; a package that was not installed before is removed
# again at the end. Installs what is missing first.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/deps.sh cmake make g++ qt6-base-dev qtkeychain-qt6-dev dpkg-dev file lintian desktop-file-utils appstream man-db

fail() {
  echo "package.sh: $*" >&2
  exit 1
}

build=build/package
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=None -DKLAXO_BUILD_TESTS=OFF \
  -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
  -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >/dev/null
cmake --build "$build" -j2
rm -f "$build"/klaxo_*.deb
(cd "$build" && cpack -G DEB)

version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")"
deb="$build/klaxo_${version}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || fail "cpack made no $deb"

echo "== dpkg-deb --info"
dpkg-deb --info "$deb"
[ "$(dpkg-deb --field "$deb" Version)" = "$version" ] || fail "the package's version is not $version"

echo "== lintian"
lintian --display-info --pedantic --fail-on error "$deb" || fail "lintian found errors"

echo "== dpkg-deb --contents"
expected="$(mktemp)"
actual="$(mktemp)"
unpacked="$(mktemp -d)"
trap 'rm -rf "$expected" "$actual" "$unpacked"' EXIT
{
  echo ./usr/bin/klaxo
  echo ./usr/bin/klaxo-tocd
  echo ./usr/share/applications/org.klaxo.Klaxo.desktop
  echo ./usr/share/doc/klaxo/changelog.gz
  echo ./usr/share/doc/klaxo/copyright
  for size in 16 22 24 32 48 64 128 256; do
    echo "./usr/share/icons/hicolor/${size}x${size}/apps/org.klaxo.Klaxo.png"
  done
  echo ./usr/share/icons/hicolor/scalable/apps/org.klaxo.Klaxo.svg
  echo ./usr/share/man/man1/klaxo-tocd.1.gz
  echo ./usr/share/man/man1/klaxo.1.gz
  echo ./usr/share/metainfo/org.klaxo.Klaxo.metainfo.xml
} | sort >"$expected"
dpkg-deb --contents "$deb" >"$actual"
cat "$actual"
awk '$1 !~ /^d/ {print $6}' "$actual" | sort --output="$actual"
diff -u "$expected" "$actual" || fail "the package does not hold the files listed above"

dpkg-deb --extract "$deb" "$unpacked"
echo "== manual pages"
for page in "$unpacked"/usr/share/man/man1/*.1.gz; do
  warnings="$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null)"
  [ -z "$warnings" ] || fail "man warns about $(basename "$page"): $warnings"
  echo "$(basename "$page"): no warnings"
done

echo "== desktop-file-validate"
desktop-file-validate "$unpacked/usr/share/applications/org.klaxo.Klaxo.desktop"
echo "valid"
echo "== appstreamcli validate"
metainfo="$unpacked/usr/share/metainfo/org.klaxo.Klaxo.metainfo.xml"
appstreamcli validate --no-net "$metainfo"
appstreamcli validate-tree --no-net "$unpacked"
grep -q "<release version=\"$version\"" "$metainfo" || fail "the metainfo has no release $version"

echo "== apt-get install"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
installed_before=false
dpkg-query -W -f='${Status}' klaxo 2>/dev/null | grep -q "install ok installed" && installed_before=true
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --reinstall "./$deb"
echo "== installed programs"
klaxo_says="$(QT_QPA_PLATFORM=offscreen /usr/bin/klaxo --version)"
tocd_says="$(/usr/bin/klaxo-tocd --version)"
echo "$klaxo_says"
echo "$tocd_says"
[ "$klaxo_says" = "klaxo $version" ] || fail "klaxo --version does not say $version"
[ "$tocd_says" = "klaxo-tocd $version" ] || fail "klaxo-tocd --version does not say $version"
/usr/bin/klaxo-tocd --help
if ! $installed_before; then
  echo "== apt-get purge"
  DEBIAN_FRONTEND=noninteractive $sudo apt-get purge -y -q klaxo
  [ ! -e /usr/bin/klaxo ] || fail "/usr/bin/klaxo is left after removing the package"
fi
echo "package checks passed: $deb"
