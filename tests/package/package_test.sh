#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian package in two steps, so that the long one runs beside the other tests:
#   package_test.sh build SOURCE_DIR BUILD_DIR VERSION
#     builds it (scripts/package) into BUILD_DIR/packages, checks its contents, dependencies and
#     lintian;
#   package_test.sh install SOURCE_DIR BUILD_DIR VERSION
#     installs that package with apt-get and runs the installed quillbar; removes it unless it
#     was there before. Alone: an installed GNOME Shell extension would be seen by other tests.
set -euo pipefail
step_name=$1 source_dir=$2 build_dir=$3 version=$4
packages=$build_dir/packages
fail() { echo "FAIL: $*" >&2; exit 1; }
installed() { dpkg-query -W -f='${Status}' quillbar 2>/dev/null | grep -q "install ok installed"; }
apt() { "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get -y -q "$@"; }

build_and_check() {
    local step=$SECONDS deb
    rm -rf "$packages"
    deb=$("$source_dir/scripts/package" "$build_dir" "$packages")
    echo "package: $deb, built in $((SECONDS - step)) s"
    check_contents "$deb"
}

check_contents() {
    local deb=$1 contents depends report extension paths path dependency
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
        if grep -E '^[EW]: ' <<<"$report"; then fail "lintian reports errors or warnings"; fi
    fi
}

install_and_run() {
    local debs=("$packages"/quillbar_*.deb) step=$SECONDS output german installed_version
    [[ -f ${debs[0]} ]] || fail "no package in $packages (package.build failed?)"
    sudo=()
    if [[ $(id -u) -ne 0 ]]; then
        if ! sudo -n true 2>/dev/null; then
            echo "SKIP: installing a package needs root or password-less sudo" >&2
            exit 77
        fi
        sudo=(sudo -n)
    fi
    was_installed=no
    installed && was_installed=yes
    trap 'if [[ $was_installed == no ]] && installed; then apt remove quillbar >/dev/null; fi' EXIT
    # The form a user types: apt-get install ./file.deb resolves the dependencies.
    (cd "$packages" && apt install "./$(basename "${debs[0]}")") ||
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
}

case $step_name in
build) build_and_check ;;
install) install_and_run ;;
*) fail "unknown step $step_name" ;;
esac
echo "PASS"
