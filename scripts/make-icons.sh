#!/usr/bin/env bash
# Renders the program's scalable icon to the PNG sizes the desktops ask for.
# The PNGs are kept in the repository so that building needs no rasteriser;
# run this after changing packaging/icons/valofax.svg and commit the result.
set -euo pipefail
cd "$(dirname "$0")/../packaging/icons"
for size in 16 22 24 32 48 64 128 256; do
  rsvg-convert -w "$size" -h "$size" valofax.svg -o "valofax-$size.png"
done
