# Shared wine set-up for scripts/wine-run, scripts/test and scripts/run. Source it; it runs nothing.
#
# The project uses a private 64-bit prefix (not ~/.wine). It is created on first use, under a lock
# because CTest starts several tests at once. wine's background processes inherit the standard
# streams of whoever starts them, and CTest waits for its output pipes to close, so the server is
# always started here with its streams closed and kept alive for a while between tests.

# Where the prefix lives; VT_WINEPREFIX overrides.
vt_wine_cache_dir() {
  if [ -n "${XDG_CACHE_HOME:-}" ]; then
    printf '%s\n' "$XDG_CACHE_HOME"
  elif [ -n "${HOME:-}" ] && [ -d "$HOME" ] && [ -w "$HOME" ]; then
    printf '%s\n' "$HOME/.cache"
  else
    printf '%s\n' "/tmp/vantrel-cache-$(id -u)"
  fi
}

vt_wine_env() {
  export WINEPREFIX="${VT_WINEPREFIX:-$(vt_wine_cache_dir)/vantrel-wine}"
  export WINEARCH=win64
  export WINEDEBUG=-all
  # No .NET or HTML engine installs: the prefix is made without prompts or downloads.
  # No desktop menu entries either.
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  VT_WINE=$(command -v wine || command -v wine64 || echo /usr/lib/wine/wine64)
  VT_WINESERVER=$(command -v wineserver || echo /usr/lib/wine/wineserver64)
  VT_WINEBOOT=$(command -v wineboot || echo /usr/lib/wine/wineboot)
  VT_WINE_LOCK="$WINEPREFIX.lock"
  VT_WINE_READY="$WINEPREFIX/.vantrel-ready"
  VT_WINE_DISPLAY_FILE="$WINEPREFIX/.vantrel-display"
}

# Creates the prefix when it is missing. Every wine command in the locked region closes fd 9, or
# the server it spawns would hold the lock for as long as it lives.
vt_wine_prefix_ensure() {
  [ -f "$VT_WINE_READY" ] && return 0
  mkdir -p "$(dirname "$WINEPREFIX")" || return 1
  (
    flock 9 || exit 1
    [ -f "$VT_WINE_READY" ] && exit 0
    "$VT_WINEBOOT" -i </dev/null >/dev/null 2>&1 9>&- || true
    # Windows close at once without a window manager (the GUI tests run on a bare X server).
    "$VT_WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f \
      </dev/null >/dev/null 2>&1 9>&- || exit 1
    "$VT_WINESERVER" -w </dev/null >/dev/null 2>&1 9>&-
    [ -f "$WINEPREFIX/system.reg" ] || exit 1
    touch "$VT_WINE_READY"
  ) 9>"$VT_WINE_LOCK"
}

# Starts a persistent server with closed streams. A server bound to another X display (or to none)
# is stopped first: windows cannot appear on a display the server's desktop does not use.
vt_wine_server_start() {
  (
    flock 9 || exit 1
    local recorded=
    [ -f "$VT_WINE_DISPLAY_FILE" ] && recorded=$(cat "$VT_WINE_DISPLAY_FILE")
    if [ "$recorded" != "${DISPLAY:-}" ]; then
      "$VT_WINESERVER" -k </dev/null >/dev/null 2>&1 9>&-
      "$VT_WINESERVER" -w </dev/null >/dev/null 2>&1 9>&-
      printf '%s' "${DISPLAY:-}" >"$VT_WINE_DISPLAY_FILE"
    fi
    # Exits with a non-zero status when a server for this prefix is already running. A new server
    # is booted here too: the first program of a session starts wine's services, and they would
    # otherwise inherit that program's (CTest's) output pipes and keep them open.
    if "$VT_WINESERVER" -p30 </dev/null >/dev/null 2>&1 9>&-; then
      "$VT_WINE" cmd.exe /c exit 0 </dev/null >/dev/null 2>&1 9>&- || true
    fi
  ) 9>"$VT_WINE_LOCK"
}

# Stops the server and every wine process of the prefix, and waits for them.
vt_wine_server_stop() {
  "$VT_WINESERVER" -k </dev/null >/dev/null 2>&1 || true
  "$VT_WINESERVER" -w </dev/null >/dev/null 2>&1 || true
}
