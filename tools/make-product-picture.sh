#!/usr/bin/env bash
# Renders the about box's product picture from its drawing:
# resources/picture/qzt-unit.svg -> resources/picture/qzt-unit.jpg
# Needs ImageMagick (apt-get install imagemagick).
set -euo pipefail
cd "$(dirname "$0")/../resources/picture"
convert -density 96 qzt-unit.svg -background '#eef1f4' -flatten -quality 88 qzt-unit.jpg
identify qzt-unit.jpg
