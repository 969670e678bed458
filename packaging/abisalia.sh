#!/bin/sh
# Starts the installed game in its data folder, since it reads its levels, settings and media from
# the folder it starts in. ABISALIA_MEDIA_DIR, when set, names another data folder.
#
# A settings file of the user's own, ${XDG_CONFIG_HOME:-~/.config}/abisalia/configuracion.cfg,
# takes the place of the data folder's, which stays read-only: the game then starts in a folder of
# the user's, ${XDG_CACHE_HOME:-~/.cache}/abisalia/data, that links every entry of the data folder
# but its settings file and holds a copy of the user's. Links and copy are made again at each start,
# so they follow the installed data and the user's file.
set -e
prefix=$(dirname "$(dirname "$(readlink -f "$0")")")
data=${ABISALIA_MEDIA_DIR:-$prefix/share/abisalia}
if ! data=$(cd "$data" 2>/dev/null && pwd); then
    echo "abisalia: the data folder ${ABISALIA_MEDIA_DIR:-$prefix/share/abisalia} is missing" >&2
    exit 1
fi
start=$data
settings=${XDG_CONFIG_HOME:-$HOME/.config}/abisalia/configuracion.cfg
if [ -f "$settings" ]; then
    start=${XDG_CACHE_HOME:-$HOME/.cache}/abisalia/data
    if ! mkdir -p "$start"; then
        echo "abisalia: no folder $start to start in with the settings of $settings" >&2
        exit 1
    fi
    # A link that no longer names the same entry of this data folder goes.
    for entry in "$start"/*; do
        if [ -L "$entry" ] && [ "$(readlink "$entry")" != "$data/${entry##*/}" ]; then
            rm -f "$entry"
        fi
    done
    for entry in "$data"/*; do
        name=${entry##*/}
        [ -e "$entry" ] || continue
        [ "$name" = configuracion.cfg ] || ln -sfn "$entry" "$start/$name"
    done
    rm -f "$start/configuracion.cfg"
    cp "$settings" "$start/configuracion.cfg"
fi
cd "$start"
# The media lookup's folder stays the data folder itself.
ABISALIA_MEDIA_DIR=$data
export ABISALIA_MEDIA_DIR
exec "$prefix/lib/abisalia/abisalia" "$@"
