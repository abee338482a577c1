#!/usr/bin/env bash
# Draws the PNG sizes of the icons from their SVG; run after changing a drawing, and commit the result.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
for size in 48 256; do
    rsvg-convert -w "$size" -h "$size" pelorin.svg -o "$size/pelorin.png"
done
for type in application-x-pelorin-etq text-x-pelorin-scb; do
    rsvg-convert -w 48 -h 48 "$type.svg" -o "48/$type.png"
done
