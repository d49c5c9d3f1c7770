#!/bin/sh
# Renders the PNG sizes of the two program icons from their SVGs (librsvg2-bin).
# The PNGs are committed, so building needs no SVG renderer; run this after
# an SVG changes.
set -eu
cd "$(dirname "$0")"
for app in org.example.volmar.VolmarSetup org.example.volmar.Inspecta; do
    for size in 16 24 32 48 64 128 256; do
        mkdir -p "${size}x${size}"
        rsvg-convert -w "$size" -h "$size" "$app.svg" -o "${size}x${size}/$app.png"
    done
done
