#!/usr/bin/env bash
# The menu entry and the software centre's description, read by the desktop's own checkers.
# Any remark fails: hints and warnings included, as the stores reject them too.
#   check_desktop_files.sh ENTRY.desktop METAINFO.xml
set -euo pipefail
remarks=$(desktop-file-validate "$1")
if [ -n "$remarks" ]; then
  echo "$remarks"
  exit 1
fi
appstreamcli validate --no-net --strict "$2"
