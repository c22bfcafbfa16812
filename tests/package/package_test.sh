#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package (scripts/package), checks its contents, dependencies and lintian,
# installs it with apt-get and runs the installed quillbar; removes it unless it was there before.
#   package_test.sh SOURCE_DIR BUILD_DIR VERSION
set -euo pipefail
source_dir=$1 build_dir=$2 version=$3
fail() { echo "FAIL: $*" >&2; exit 1; }
installed() { dpkg-query -W -f='${Status}' quillbar 2>/dev/null | grep -q "install ok installed"; }
apt() { "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get -y -q "$@"; }

sudo=()
if [[ $(id -u) -ne 0 ]]; then
    if ! sudo -n true 2>/dev/null; then
        echo "SKIP: installing a package needs root or password-less sudo" >&2
        exit 77
    fi
    sudo=(sudo -n)
fi
work=$(mktemp -d)
was_installed=no
installed && was_installed=yes
cleanup() {
    if [[ $was_installed == no ]] && installed; then apt remove quillbar >/dev/null; fi
    rm -rf "$work"
}
trap cleanup EXIT

step=$SECONDS
deb=$("$source_dir/scripts/package" "$build_dir" "$work")
echo "package: $deb, built in $((SECONDS - step)) s"
contents=$(dpkg-deb --contents "$deb")
# Both variants of the GNOME Shell extension, and the folder GNOME Shell reads linking to one.
extension=quillbar@quillbar.org
paths=(bin/quillbar libexec/quillbar/quillbar-app share/applications/quillbar.desktop
    share/icons/hicolor/scalable/apps/quillbar.svg share/doc/quillbar/{README.md.gz,copyright}
    share/doc/quillbar/changelog.gz share/man/man1/quillbar.1.gz
    share/metainfo/org.quillbar.Quillbar.metainfo.xml
    share/quillbar/translations/quillbar_{de,fr}.qm
    share/quillbar/gnome-shell/{legacy,module}/"$extension"/{quillbar.js,extension.js,metadata.json})
for path in "${paths[@]}"; do
    grep -q " ./usr/$path\$" <<<"$contents" || fail "the package lacks /usr/$path"
done
grep -Eq " ./usr/share/gnome-shell/extensions/$extension -> \.\./\.\./quillbar/gnome-shell/(legacy|module)/$extension\$" \
    <<<"$contents" || fail "the package does not link the GNOME Shell extension into place"

[[ $(dpkg-deb --field "$deb" Version) == "$version" ]] || fail "the package's version is not $version"
depends=$(dpkg-deb --field "$deb" Depends)
echo "Depends: $depends"
for dependency in libqt6core6 libqt6gui6 libqt6widgets6 libqt6dbus6 libqt6network6 libicu \
    libxcb1 libxcb-ewmh2 libxcb-randr0 libuuid1 libsystemd0 fonts-noto-color-emoji; do
    grep -q "$dependency" <<<"$depends" || fail "Depends lacks $dependency"
done
[[ $(dpkg-deb --field "$deb" Recommends) == *qt6-wayland* ]] || fail "Recommends lacks qt6-wayland"

# Debian's own checks: not one error, warning or override left unexplained.
if command -v lintian >/dev/null; then
    report=$(lintian --tag-display-limit 0 --fail-on none "$deb" 2>&1)
    echo "lintian: ${report:-(nothing)}"
    grep -E '^[EW]: ' <<<"$report" && fail "lintian reports errors or warnings"
fi

# The form a user types: apt-get install ./file.deb resolves the dependencies.
step=$SECONDS
(cd "$(dirname "$deb")" && apt install "./$(basename "$deb")") ||
    fail "apt-get could not install the package"
echo "package: installed in $((SECONDS - step)) s"
installed_version=$(dpkg-query -W -f='${Version}' quillbar)
[[ $installed_version == "$version" ]] || fail "apt-get installed version $installed_version"

# The installed program, not the build tree's, and its translations found from libexec.
output=$(env -u DISPLAY QT_QPA_PLATFORM=offscreen /usr/bin/quillbar --version) ||
    fail "quillbar --version failed"
echo "quillbar --version: $output"
[[ $output == *"$version"* ]] || fail "--version does not print $version"
german=$(env -u LANGUAGE -u LC_ALL -u LC_MESSAGES LANG=de_DE.UTF-8 /usr/bin/quillbar --help)
grep -q "Diese Hilfe anzeigen" <<<"$german" || fail "the installed --help is not German"
echo "PASS"
