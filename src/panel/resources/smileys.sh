#!/bin/sh
# Renders the tray pictures' double-size forms (for screens at a device-pixel ratio of 2)
# from the two drawings below (librsvg2-bin). The 16 by 16 forms are the originals.
set -eu
cd "$(dirname "$0")"
render() {
  printf '%s' "$2" | rsvg-convert -w 32 -h 32 -o "$1@2x.png"
}
render SMILEYCONNECTED '<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 16 16">
  <circle cx="8" cy="8" r="7.3" fill="#ffd200" stroke="#3a3000" stroke-width="0.9"/>
  <rect x="4.6" y="4" width="1.6" height="3" fill="#000"/>
  <rect x="9.8" y="4" width="1.6" height="3" fill="#000"/>
  <path d="M4 9.6 Q8 13.6 12 9.6" fill="none" stroke="#000" stroke-width="1.1" stroke-linecap="round"/>
</svg>'
render SMILEYDISCONNECTED '<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 16 16">
  <circle cx="8" cy="8" r="7.3" fill="#a8a8a8" stroke="#202020" stroke-width="0.9"/>
  <path d="M4.3 4 L6.7 6.6 M6.7 4 L4.3 6.6 M9.3 4 L11.7 6.6 M11.7 4 L9.3 6.6" stroke="#d00000"
        stroke-width="1" stroke-linecap="round"/>
  <path d="M4.6 12.4 Q8 9.4 11.4 12.4" fill="none" stroke="#000" stroke-width="1.1" stroke-linecap="round"/>
</svg>'
