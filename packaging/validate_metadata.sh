#!/usr/bin/env bash
# Fails when the desktop's own validators find anything to say about Tamsel's
# desktop entry or its AppStream metadata.
#
# usage: validate_metadata.sh DESKTOP_ENTRY METAINFO
set -u
desktop=$1
metainfo=$2
status=0

for tool in desktop-file-validate:desktop-file-utils appstreamcli:appstream; do
    command -v "${tool%%:*}" >/dev/null \
        || { echo "FAIL: ${tool%%:*} is missing (apt-get install ${tool##*:})"; exit 1; }
done

# Office and Utility are both main categories, which the validator notes as
# a hint: the entry is meant to appear under both.
output=$(desktop-file-validate --no-hints "$desktop" 2>&1)
if [ $? -ne 0 ] || [ -n "$output" ]; then
    echo "FAIL: desktop-file-validate $desktop:"
    echo "$output"
    status=1
else
    echo "desktop-file-validate: $desktop is valid"
fi

output=$(appstreamcli validate --no-net "$metainfo" 2>&1)
if [ $? -ne 0 ] || grep -q '^[EWI]:' <<<"$output"; then
    echo "FAIL: appstreamcli validate $metainfo:"
    echo "$output"
    status=1
else
    echo "appstreamcli validate: $metainfo is valid"
fi
exit $status
