# The three Debian packages, one per install component, built by CPack (tools/package.sh):
# kovaro (the participant), kovarosrv (the relay with its window), kovaro-relay (the relay
# for servers, with its systemd unit). Dependencies come from the binaries (dpkg-shlibdeps).
set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL kovaro kovarosrv kovaro-relay)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Kovaro developers")
set(CPACK_PACKAGE_CONTACT "The Kovaro developers <developers@kovaro.org>")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Files 0644 and folders 0755 whatever the umask of the build.
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
    WORLD_READ WORLD_EXECUTE)

# The windows speak Japanese, and sound goes through a PulseAudio server (PipeWire's or
# PulseAudio itself): a desktop has both, a minimal system gets them with the package.
set(recommends_for_windows "pipewire-pulse | pulseaudio, fonts-noto-cjk | fonts-ipafont-gothic | fonts-vlgothic")

set(CPACK_DEBIAN_KOVARO_PACKAGE_NAME kovaro)
set(CPACK_DEBIAN_KOVARO_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_KOVARO_PACKAGE_RECOMMENDS ${recommends_for_windows})
set(CPACK_COMPONENT_KOVARO_DESCRIPTION "voice conference for up to sixteen people
Kovaro records the microphone, compresses every 62.5 ms of speech and sends
it to a relay server over UDP, and plays every other speaker on an output
stream of its own, named after the speaker, so that each person's volume can
be set in the desktop's mixer. Any participant can host the relay itself.
.
This package holds the participant program with its window. It runs on
PulseAudio and on PipeWire.")

set(CPACK_DEBIAN_KOVAROSRV_PACKAGE_NAME kovarosrv)
set(CPACK_DEBIAN_KOVAROSRV_PACKAGE_SECTION net)
set(CPACK_DEBIAN_KOVAROSRV_PACKAGE_RECOMMENDS ${recommends_for_windows})
set(CPACK_COMPONENT_KOVAROSRV_DESCRIPTION "relay server for Kovaro voice conferences, with a window
Kovaro is a voice conference for up to sixteen people who talk through one
relay server over UDP.
.
This package holds the relay server with its window, which plays every
participant's voice so that whoever runs it can listen in.")

set(CPACK_DEBIAN_KOVARO-RELAY_PACKAGE_NAME kovaro-relay)
set(CPACK_DEBIAN_KOVARO-RELAY_PACKAGE_SECTION net)
set(CPACK_COMPONENT_KOVARO-RELAY_DESCRIPTION "relay server for Kovaro voice conferences, for servers
Kovaro is a voice conference for up to sixteen people who talk through one
relay server over UDP.
.
This package holds the relay alone, for machines without a desktop or a
sound card, and a systemd template unit whose instance is the UDP port:
systemctl enable --now kovaro-relay@9876")

include(CPack)
