#!/usr/bin/env bash
# CI: builds the two Debian packages (scripts/package.sh) and checks them: the files they install,
# that the unpacked programs run, that hostaq-headless needs no Qt, and what lintian,
# desktop-file-validate, appstreamcli and man say of them.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/package.sh >/dev/null

version=$(sed -n 's/^Version: //p' <(dpkg-deb -f build/packages/hostaq_*.deb))
gui=$(ls build/packages/hostaq_*.deb)
headless=$(ls build/packages/hostaq-headless_*.deb)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
    echo "check-packages: $*" >&2
    failures=$((failures + 1))
}

# The files each package installs.
common=(
    ./usr/bin/hostaq
    ./usr/share/man/man1/hostaq.1.gz
    ./usr/share/bash-completion/completions/hostaq
)
desktop=(
    ./usr/share/applications/hostaq.desktop
    ./usr/share/metainfo/example.hostaq.Updater.metainfo.xml
    ./usr/share/icons/hicolor/scalable/apps/hostaq.svg
    ./usr/share/hostaq/help/hostaq/index.html
)
for size in 16 22 24 32 48 64 128 256; do
    desktop+=("./usr/share/icons/hicolor/${size}x${size}/apps/hostaq.png")
done
check_contents() {
    local deb=$1 package=$2
    shift 2
    dpkg-deb --contents "$deb" | awk '{print $6}' >"$work/$package.list"
    for f in "$@" "./usr/share/doc/$package/copyright" "./usr/share/doc/$package/changelog.gz"; do
        grep -qxF "$f" "$work/$package.list" || fail "$package lacks $f"
    done
}
check_contents "$gui" hostaq "${common[@]}" "${desktop[@]}"
check_contents "$headless" hostaq-headless "${common[@]}"
grep -q '^\./usr/share/\(applications\|icons\|metainfo\|hostaq\)/' "$work/hostaq-headless.list" &&
    fail "hostaq-headless installs desktop files"

# The unpacked programs run and name their version.
for deb in "$gui" "$headless"; do
    root="$work/root-$(basename "$deb" .deb)"
    dpkg -x "$deb" "$root"
    out=$("$root/usr/bin/hostaq" --version) || fail "$(basename "$deb"): hostaq --version failed"
    # Version 1.0.0.1 is shown as "Version 1.0.0 (Build 1)".
    [[ $out == *"Version ${version%.*} (Build ${version##*.})"* ]] ||
        fail "$(basename "$deb"): --version says \"$out\", not version $version"
done

# Dependencies: computed from what the programs link; none on Qt without the tray program.
headless_depends=$(dpkg-deb -f "$headless" Depends)
gui_depends=$(dpkg-deb -f "$gui" Depends)
grep -qi 'qt' <<<"$headless_depends" && fail "hostaq-headless depends on Qt: $headless_depends"
for deps in "$headless_depends" "$gui_depends"; do
    grep -q 'libssl3' <<<"$deps" || fail "dependencies lack libssl3: $deps"
done
# Every Qt library the tray program links is named among its dependencies.
gui_root="$work/root-$(basename "$gui" .deb)"
for lib in $(objdump -p "$gui_root/usr/bin/hostaq" | awk '/NEEDED/ && /Qt/ {print $2}'); do
    package=$(tr '[:upper:]' '[:lower:]' <<<"${lib%.so*}" | tr -d '_')
    grep -q "$package" <<<"$gui_depends" || fail "hostaq links $lib but does not depend on $package"
done

# Debian's own checks.
lintian --fail-on error "$gui" "$headless" || fail "lintian reports errors"
desktop-file-validate "$gui_root/usr/share/applications/hostaq.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$gui_root/usr/share/metainfo/example.hostaq.Updater.metainfo.xml" ||
    fail "appstreamcli validate"
LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l "$gui_root/usr/share/man/man1/hostaq.1.gz" \
    >/dev/null 2>"$work/man.err" || fail "man cannot render hostaq.1"
[ -s "$work/man.err" ] && fail "man warns: $(cat "$work/man.err")"

if [ "$failures" -gt 0 ]; then
    echo "check-packages: $failures problem(s)" >&2
    exit 1
fi
echo "check-packages: hostaq and hostaq-headless $version are fine"
