# Sourced: the environment every Wine command of one build tree runs in. Needs
# KOVARO_WINE_DIR, the folder that holds the tree's prefix and locale (BUILD/wine).
# A 64-bit prefix of its own, quiet, without the Mono and Gecko installers.
export WINEPREFIX=$KOVARO_WINE_DIR/prefix
export WINEARCH=win64
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="
export LOCPATH=$KOVARO_WINE_DIR/locale

# A Japanese locale (ANSI code page 932, as on a Japanese Windows), built privately with
# localedef. Given per command (env "${KOVARO_WINE_LOCALE[@]}" wine ...), since the shell
# itself cannot switch to it.
KOVARO_WINE_LOCALE=(LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8)
kovaro_wine() {
  env "${KOVARO_WINE_LOCALE[@]}" wine "$@"
}
