#!/usr/bin/env sh
# with-display: runs a command on $DISPLAY, or on an X server of its own when none is set.
[ -n "${DISPLAY:-}" ] && exec "$@"
exec xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" "$@"
