#!/usr/bin/env bash
# Builds the Debian package klaxo_<version>_<arch>.deb in build/package (with
# only the project's own compiler flags, which include Debian's hardening;
# stripped; dependencies from dpkg-shlibdeps) and checks it: lintian, the
# hardening of both programs, the list of files, the manual pages, the desktop
# entry and the AppStream metadata, then runs both programs from the unpacked
# package. Installs what is missing first; changes nothing else on the system.
#
# With KLAXO_PACKAGE_INSTALL_CHECK=1 it also installs the package with apt-get,
# runs both programs from /usr/bin and removes the package again, with any
# package the install brought in, whether the checks pass or fail. It does not
# do that where klaxo is installed already, which it would replace.
#
# The package names the person who builds it as its maintainer, taken from
# DEBFULLNAME and DEBEMAIL as Debian's own tools take it; without both it
# builds nothing.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ -z "${DEBFULLNAME:-}" ] || [ -z "${DEBEMAIL:-}" ]; then
  echo "package.sh: set DEBFULLNAME and DEBEMAIL to your name and e-mail address, as for dch and debuild:" >&2
  echo "  the package names you as its maintainer, where its users send their bug reports" >&2
  exit 1
fi
tools/deps.sh cmake make g++ qt6-base-dev libsqlite3-dev libcrypt-dev qtkeychain-qt6-dev pkg-config libcanberra-dev dpkg-dev file lintian desktop-file-utils appstream man-db

fail() {
  echo "package.sh: $*" >&2
  exit 1
}

work="$(mktemp -d)"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
installed_by_us=false
installed_packages() {
  dpkg-query -W -f='${db:Status-Abbrev}${Package}\n' | sed -n 's/^ii *//p' | sort
}
# What the install brought in: klaxo and the packages installed since then
# only as its dependencies (others may install packages meanwhile, by name).
brought_in() {
  echo klaxo
  comm -13 "$work/packages-before" <(installed_packages) | comm -12 - <(apt-mark showauto | sort)
}
# Removes what the install brought in; false if any of it is left.
remove_installed() {
  installed_by_us=false
  echo "== apt-get purge"
  brought_in | sort -u >"$work/packages-new"
  # shellcheck disable=SC2046 # one package name a line
  DEBIAN_FRONTEND=noninteractive $sudo apt-get purge -y -q $(cat "$work/packages-new") || true
  local left
  left="$(comm -12 "$work/packages-new" <(installed_packages))"
  [ -z "$left" ] || {
    echo "package.sh: still installed after the install check: $left" >&2
    return 1
  }
}
# Runs however the script ends: a failed check must not leave the package
# installed, nor files behind.
cleanup() {
  local status=$?
  if $installed_by_us; then remove_installed || status=1; fi
  rm -rf "$work"
  exit "$status"
}
trap cleanup EXIT
trap 'exit 1' HUP INT TERM

build=build/package
# Only the project's own flags: the hardening check below then holds for any
# build of the package, not for this script's alone.
# KLAXO_SCREENSHOTS_URL, where docs/ is published, puts its pictures in the
# AppStream metadata.
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DKLAXO_BUILD_TESTS=OFF \
  -DCMAKE_CXX_FLAGS= -DCMAKE_EXE_LINKER_FLAGS= -DKLAXO_SCREENSHOTS_URL="${KLAXO_SCREENSHOTS_URL:-}" >/dev/null
cmake --build "$build" -j2
rm -f "$build"/klaxo_*.deb
(cd "$build" && cpack -G DEB)

version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")"
deb="$build/klaxo_${version}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || fail "cpack made no $deb"

echo "== dpkg-deb --info"
dpkg-deb --info "$deb"
[ "$(dpkg-deb --field "$deb" Version)" = "$version" ] || fail "the package's version is not $version"
[ "$(dpkg-deb --field "$deb" Maintainer)" = "$DEBFULLNAME <$DEBEMAIL>" ] || fail "the package's maintainer is not $DEBFULLNAME <$DEBEMAIL>"

echo "== lintian"
lintian --display-info --pedantic --fail-on error "$deb" >"$work/lintian" || {
  cat "$work/lintian"
  fail "lintian found errors"
}
cat "$work/lintian"
! grep -q "hardening-" "$work/lintian" || fail "the programs lack some of Debian's hardening"

echo "== dpkg-deb --contents"
expected="$work/expected"
actual="$work/actual"
unpacked="$work/unpacked"
{
  echo ./usr/bin/klaxo
  echo ./usr/bin/klaxo-tocd
  echo ./usr/lib/systemd/system/klaxo-tocd.service
  echo ./usr/libexec/klaxo/klaxo-network.so
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

# Runs both programs from $1 and checks that they name $version.
check_programs() {
  local klaxo_says tocd_says
  klaxo_says="$(QT_QPA_PLATFORM=offscreen "$1/klaxo" --version)"
  tocd_says="$("$1/klaxo-tocd" --version)"
  echo "$klaxo_says"
  echo "$tocd_says"
  [ "$klaxo_says" = "klaxo $version" ] || fail "$1/klaxo --version does not say $version"
  [ "$tocd_says" = "klaxo-tocd $version" ] || fail "$1/klaxo-tocd --version does not say $version"
  "$1/klaxo-tocd" --help >/dev/null || fail "$1/klaxo-tocd --help failed"
}
echo "== unpacked programs"
check_programs "$unpacked/usr/bin"

if [ "${KLAXO_PACKAGE_INSTALL_CHECK:-0}" = 1 ]; then
  installed_packages >"$work/packages-before"
  if grep -qx klaxo "$work/packages-before"; then
    echo "== apt-get install: skipped, klaxo is installed on this system and would be replaced"
  else
    echo "== apt-get install"
    installed_by_us=true
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q "./$deb"
    echo "== installed programs"
    check_programs /usr/bin
    remove_installed || fail "removing the package left the system changed"
  fi
fi
echo "package checks passed: $deb"
