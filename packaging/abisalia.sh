#!/bin/sh
# Starts the installed game in its data folder, since it reads its levels, settings and media from
# the folder it starts in. ABISALIA_MEDIA_DIR, when set, names another data folder.
set -e
prefix=$(dirname "$(dirname "$(readlink -f "$0")")")
data=${ABISALIA_MEDIA_DIR:-$prefix/share/abisalia}
if ! cd "$data" 2>/dev/null; then
    echo "abisalia: the data folder $data is missing" >&2
    exit 1
fi
ABISALIA_MEDIA_DIR=$(pwd)
export ABISALIA_MEDIA_DIR
exec "$prefix/lib/abisalia/abisalia" "$@"
