#!/usr/bin/env bash
# Draws the program icon and the three action pictures with ImageMagick and writes
# them as .ico files beside this script. The outputs are committed; run this again
# only after changing a drawing.
#   trifolio.ico       16, 24, 32, 48, 64, 256 pixels: three stacked sheets
#   action_cut.ico     16, 24, 32 pixels: scissors
#   action_copy.ico    two sheets
#   action_paste.ico   a clipboard with a sheet
set -euo pipefail
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A sheet of paper on the 256-pixel canvas: a rounded card with an outline and three
# lines of "text".
sheet() {  # sheet X Y W H FILL OUTLINE
  local x=$1 y=$2 w=$3 h=$4 fill=$5 line=$6 i
  echo "fill '$fill' stroke '$line' stroke-width 12"
  echo "roundrectangle $x,$y $((x + w)),$((y + h)) 18,18"
  echo "stroke none fill '$line'"
  for i in 0 1 2; do
    local top=$((y + 40 + i * 34)) right=$((x + w - 30 - (i == 2 ? 40 : 0)))
    echo "rectangle $((x + 28)),$top $right,$((top + 12))"
  done
}

# Renders the drawing on stdin (MVG) at 256 pixels and scales it to each size; the
# small sizes get a little sharpening so that their edges stay crisp.
render() {  # render NAME SIZES...
  local name=$1 s files=()
  shift
  cat > "$work/$name.mvg"
  convert -size 256x256 xc:none -draw "$(cat "$work/$name.mvg")" "$work/$name-256.png"
  for s in "$@"; do
    if [ "$s" -ge 64 ]; then
      convert "$work/$name-256.png" -filter Lanczos -resize "${s}x${s}" "$work/$name-$s.png"
    else
      convert "$work/$name-256.png" -filter Lanczos -resize "${s}x${s}" -unsharp 0x0.6+0.8+0 \
        "$work/$name-$s.png"
    fi
    files+=("$work/$name-$s.png")
  done
  convert "${files[@]}" "$name.ico"
}

{
  sheet 20 16 140 176 '#F6C453' '#9A6B00'
  sheet 58 50 140 176 '#6FA8DC' '#1F4E79'
  sheet 96 84 140 160 '#93D18B' '#2E6B2A'
} | render trifolio 16 24 32 48 64 256

{
  sheet 24 16 136 172 '#FFFFFF' '#1F4E79'
  sheet 96 68 136 172 '#DCEBFA' '#1F4E79'
} | render action_copy 16 24 32

render action_cut 16 24 32 <<'EOF'
fill none stroke '#303030' stroke-width 24 stroke-linecap round
line 78,24 166,168
line 178,24 90,168
stroke '#C0392B' stroke-width 22
circle 74,198 74,234
circle 182,198 182,234
stroke none fill '#303030'
circle 128,110 128,122
EOF

{
  echo "fill '#B5651D' stroke '#6E3B0E' stroke-width 12"
  echo "roundrectangle 28,30 196,240 20,20"
  echo "fill '#C8C8C8' stroke '#505050' stroke-width 10"
  echo "roundrectangle 76,10 148,52 10,10"
  sheet 104 92 128 156 '#FFFFFF' '#1F4E79'
} | render action_paste 16 24 32
