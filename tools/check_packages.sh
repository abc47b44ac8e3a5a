#!/usr/bin/env bash
# Checks the packages in dist/ (tools/package.sh) without installing them: lintian on each,
# the metainfo and .desktop files they carry, the relay's systemd unit, and the packaged
# kovaro-relay relaying between test participants (the relay tests of build/, run against the
# program unpacked into a scratch folder).
set -euo pipefail
cd "$(dirname "$0")/.."
for package in kovaro kovarosrv kovaro-relay; do
  ls dist/${package}_*.deb >/dev/null
done
status=0
echo "== lintian"
lintian --info --fail-on error,warning dist/*.deb || status=1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for deb in dist/*.deb; do
  dpkg-deb -x "$deb" "$work/root"
done
echo "== appstreamcli, desktop-file-validate"
appstreamcli validate --no-net "$work"/root/usr/share/metainfo/*.xml || status=1
desktop-file-validate "$work"/root/usr/share/applications/*.desktop || status=1
echo "== the relay's unit"
unit=$work/root/usr/lib/systemd/system/kovaro-relay@.service
mkdir -p "$work/units"
# An instance of the template, whose command is the unpacked program and whose manual page
# is found in the unpacked tree, as they would be on the installed system.
sed "s|/usr/bin/kovaro-relay|$work/root/usr/bin/kovaro-relay|" "$unit" >"$work/units/kovaro-relay@9876.service"
MANPATH="$work/root/usr/share/man" systemd-analyze verify "$work/units/kovaro-relay@9876.service" || status=1
systemd-analyze security --offline=true "$work/units/kovaro-relay@9876.service" | tail -1
# The unit's command, with the unpacked program in place of /usr/bin's.
exec_start=$(sed -n 's/^ExecStart=//p' "$unit")
[ "$exec_start" = "/usr/bin/kovaro-relay --port %i" ] || { echo "unexpected ExecStart: $exec_start"; status=1; }
echo "== the relay's dependencies"
# A relay server has no sound: its package must not pull in the sound server's library.
relay_depends=$(dpkg-deb -f dist/kovaro-relay_*.deb Depends)
echo "$relay_depends"
case "$relay_depends" in *libpulse*) echo "kovaro-relay depends on libpulse"; status=1 ;; esac
echo "== the packaged kovaro-relay, $("$work/root/usr/bin/kovaro-relay" --version)"
KOVARO_RELAY_PROGRAM="$work/root/usr/bin/kovaro-relay" build/bin/kovaro_integration_tests \
  --gtest_filter='RelayHostTest.*:RelayStatsTest.*' --gtest_brief=1 || status=1
[ "$status" -eq 0 ] && echo "check_packages: all passed"
exit "$status"
