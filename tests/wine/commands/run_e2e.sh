#!/usr/bin/env bash
# Runs the end-to-end tests of both buttons in a Wine prefix of their own, made for
# this run and thrown away after it: the tests change HKEY_CLASSES_ROOT.
set -u
here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(cd "$here/../../.." && pwd)

WINE_ENV_DIR=$(mktemp -d /tmp/wine-commands-e2e.XXXXXX)
export WINE_ENV_DIR
# shellcheck source=/dev/null
source "$source_dir/scripts/wine-env"
trap 'wine_env_stop; rm -rf "$WINE_ENV_DIR"' EXIT

export PYTHONPATH="$source_dir/tests/wine${PYTHONPATH:+:$PYTHONPATH}"
python3 "$here/test_commands.py" "$@"
