#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The files a distribution reads besides the program: the AppStream metainfo validates (offline)
# and the manual page renders without a warning from man or groff.
#   docs_test.sh SOURCE_DIR
set -euo pipefail
data=$1/data
appstreamcli validate --no-net --explain "$data/quillbar.metainfo.xml"
warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$data/quillbar.1" 2>&1 >/dev/null)
if [[ -n $warnings ]]; then
    echo "FAIL: man reports on quillbar.1:" >&2
    echo "$warnings" >&2
    exit 1
fi
# Every option --help lists has its entry in the page.
for option in $(grep -o -- '--[a-z0-9-]*' "$1/src/app/CommandLine.cpp" | sort -u); do
    grep -q -- "$(sed 's/-/\\\\-/g' <<<"$option")" "$data/quillbar.1" ||
        { echo "FAIL: quillbar.1 does not describe $option" >&2; exit 1; }
done
echo PASS
