# Sourced by the Xvfb test scripts: a private home for the real program under
# $work/home, with no keyring answering on a bus that is not there, so the
# passphrase goes to "PassKey" and the keyring of whoever runs the test is
# never reached.
home=$work/home
export HOME=$home/home XDG_CONFIG_HOME=$home/config XDG_DATA_HOME=$home/data XDG_RUNTIME_DIR=$home/run
mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
unset QT_QPA_PLATFORM TAMSEL_PASSPHRASE
export DBUS_SESSION_BUS_ADDRESS=unix:path=$XDG_RUNTIME_DIR/no-bus
passphrase='Open sesame 42'
