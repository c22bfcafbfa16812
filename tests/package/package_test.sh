#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package (scripts/package), checks its contents, dependencies and lintian, installs
# it on this machine with apt-get and runs the installed quillbar. Removes it again afterwards
# unless it was installed before.
#   package_test.sh SOURCE_DIR BUILD_DIR VERSION
set -euo pipefail
source_dir=$1
build_dir=$2
version=$3

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
if dpkg-query -W -f='${Status}' quillbar 2>/dev/null | grep -q "install ok installed"; then
    was_installed=yes
fi
cleanup() {
    if [[ $was_installed == no ]] &&
        dpkg-query -W -f='${Status}' quillbar 2>/dev/null | grep -q "install ok installed"; then
        "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get remove -y -q quillbar >/dev/null
    fi
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

step=$SECONDS
deb=$("$source_dir/scripts/package" "$build_dir" "$work")
echo "package: $deb, built in $((SECONDS - step)) s"

contents=$(dpkg-deb --contents "$deb")
for path in ./usr/bin/quillbar ./usr/libexec/quillbar/quillbar-app \
    ./usr/share/applications/quillbar.desktop \
    ./usr/share/icons/hicolor/scalable/apps/quillbar.svg ./usr/share/doc/quillbar/README.md.gz \
    ./usr/share/doc/quillbar/copyright ./usr/share/doc/quillbar/changelog.gz \
    ./usr/share/man/man1/quillbar.1.gz ./usr/share/metainfo/org.quillbar.Quillbar.metainfo.xml \
    ./usr/share/quillbar/translations/quillbar_de.qm ./usr/share/quillbar/translations/quillbar_fr.qm; do
    grep -q " $path\$" <<<"$contents" || fail "the package lacks $path"
done

# The GNOME Shell extension: both variants, and the folder GNOME Shell reads linking to one.
extension=quillbar@quillbar.org
for variant in legacy module; do
    for file in quillbar.js extension.js metadata.json; do
        path=./usr/share/quillbar/gnome-shell/$variant/$extension/$file
        grep -q " $path\$" <<<"$contents" || fail "the package lacks $path"
    done
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

recommends=$(dpkg-deb --field "$deb" Recommends)
[[ $recommends == *qt6-wayland* ]] || fail "Recommends lacks qt6-wayland"

# Debian's own checks: not one error, warning or override left unexplained.
if command -v lintian >/dev/null; then
    report=$(lintian --tag-display-limit 0 --fail-on none "$deb" 2>&1)
    echo "lintian: ${report:-(nothing)}"
    grep -E '^[EW]: ' <<<"$report" && fail "lintian reports errors or warnings"
fi

# The form a user types: apt-get install ./file.deb resolves the dependencies.
step=$SECONDS
(cd "$(dirname "$deb")" &&
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "./$(basename "$deb")") ||
    fail "apt-get could not install the package"
echo "package: installed in $((SECONDS - step)) s"

installed_version=$(dpkg-query -W -f='${Version}' quillbar)
[[ $installed_version == "$version" ]] || fail "apt-get installed version $installed_version"

# Run the installed program, not the one in the build tree.
output=$(env -u DISPLAY QT_QPA_PLATFORM=offscreen /usr/bin/quillbar --version) ||
    fail "quillbar --version failed"
echo "quillbar --version: $output"
[[ $output == *"$version"* ]] || fail "--version does not print $version"

# The installed program finds its translations from libexec.
german=$(env -u LANGUAGE -u LC_ALL -u LC_MESSAGES LANG=de_DE.UTF-8 /usr/bin/quillbar --help)
grep -q "Diese Hilfe anzeigen" <<<"$german" || fail "the installed --help is not German"
echo "PASS"
