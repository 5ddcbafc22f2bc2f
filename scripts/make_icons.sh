#!/usr/bin/env bash
# Draws the programs' icons with ImageMagick and writes them as .ico files
# (16 to 256 pixels) beside the programs' resources. The family: a white
# envelope on a blue rounded square; each companion program adds a badge in
# the lower right corner; the tray icons are the envelope alone, and with a
# red dot when mail waits. Run it after changing a drawing and commit the
# .ico files; builds use the committed files and need no ImageMagick.
set -euo pipefail
cd "$(dirname "$0")/.."
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The envelope on its tile, 256 pixels.
base() {
  convert -size 256x256 xc:none \
    -fill '#1f5fbf' -draw 'roundrectangle 8,8 247,247 44,44' \
    -fill '#3f7fdf' -draw 'roundrectangle 8,8 247,140 44,44' \
    -fill '#1f5fbf' -draw 'rectangle 8,100 247,140' \
    -fill white -stroke '#0f3f8f' -strokewidth 6 -draw 'roundrectangle 40,68 216,188 10,10' \
    -fill none -draw 'polyline 44,74 128,140 212,74' \
    -draw 'line 44,182 104,122' -draw 'line 212,182 152,122' \
    "$1"
}

# A badge: a filled disc with a drawing on it, over the lower right corner.
badge() {
  local out=$1 colour=$2
  shift 2
  convert "$work/base.png" \
    -fill "$colour" -stroke white -strokewidth 8 -draw 'circle 188,188 188,128' \
    -stroke none -fill white "$@" "$out"
}

# Every size Windows asks for: the list, Explorer's views, the task bar.
ico() {
  local from=$1 to=$2
  local sizes=()
  for s in 16 20 24 32 40 48 64 128 256; do
    convert "$from" -filter Lanczos -resize ${s}x${s} -depth 8 -define png:color-type=6 "$work/s$s.png"
    sizes+=("$work/s$s.png")
  done
  convert "${sizes[@]}" "$to"
}

base "$work/base.png"
ico "$work/base.png" ui/zenthmail.ico
ico "$work/base.png" ui/tray.ico
convert "$work/base.png" -fill '#d02020' -stroke white -strokewidth 10 -draw 'circle 196,60 196,12' "$work/mail.png"
ico "$work/mail.png" ui/tray_mail.ico
# Account manager: a person.
badge "$work/profiles.png" '#2f9f4f' -draw 'circle 188,170 188,150' -draw 'ellipse 188,222 34,22 180,360'
ico "$work/profiles.png" profiles/zenth-profiles.ico
# Options: a slider with its knob.
badge "$work/setup.png" '#8f4fbf' -draw 'rectangle 150,182 226,194' -draw 'circle 172,188 172,170'
ico "$work/setup.png" setup/zenth-setup.ico
# Installer: an arrow down into a tray.
badge "$work/install.png" '#df7f1f' -draw 'rectangle 180,146 196,190' -draw 'polygon 160,184 216,184 188,214' \
  -draw 'rectangle 156,218 220,226'
ico "$work/install.png" install/zenth-install.ico
# File dialogs: a folder.
badge "$work/picker.png" '#bf9f1f' -draw 'rectangle 154,170 222,214' -draw 'rectangle 154,160 184,172'
ico "$work/picker.png" picker/zenth-picker.ico
