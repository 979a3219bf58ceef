#!/usr/bin/env bash
# Draws Seqget's icon and the demo site's eight pictures with ImageMagick (and
# packs the icon's Windows .ico with icotool, from icoutils).
# The results are committed under data/; run this again only to change them.
# Output is reproducible: no timestamps or comments are written into the files.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
icons="$root/data/icons"
demo="$root/data/demo/images"
font_bold=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

mkdir -p "$icons" "$demo"

# Flat palette shared by the icon's shapes.
ink='#27466b'
page_back='#8fb0d8'
page_mid='#c4d6ee'
page_front='#ffffff'
arrow_disc='#e8742a'

# Writes a PNG without date or software chunks so that regenerating an
# unchanged picture leaves git with nothing to commit.
png_clean() {
    local out="${*: -1}"
    convert "${@:1:$#-1}" -strip -define png:exclude-chunks=date,time,tEXt,zTXt,iTXt \
        "$out"
}

# The full icon at 256 px: three stacked pages, the front one numbered,
# and a download arrow on an orange disc over its lower right corner.
convert -size 256x256 xc:none \
    -stroke "$ink" -strokewidth 8 \
    -fill "$page_back" -draw 'roundrectangle 28,14 150,170 12,12' \
    -fill "$page_mid" -draw 'roundrectangle 52,36 174,192 12,12' \
    -fill "$page_front" -draw 'roundrectangle 76,58 198,214 12,12' \
    -stroke none -fill "$ink" -font "$font_bold" -pointsize 100 \
    -draw 'text 96,152 "1"' \
    -stroke "$ink" -strokewidth 8 -fill "$arrow_disc" -draw 'circle 198,198 198,250' \
    -stroke none -fill '#ffffff' \
    -draw 'polygon 186,164 210,164 210,196 228,196 198,232 168,196 186,196' \
    "$work/master.png"

# Below 48 px the number and thin outlines turn to mush, so the small sizes
# come from a bolder drawing: two pages, heavier strokes, a bigger arrow.
convert -size 256x256 xc:none \
    -stroke "$ink" -strokewidth 16 \
    -fill "$page_mid" -draw 'roundrectangle 16,8 152,172 10,10' \
    -fill "$page_front" -draw 'roundrectangle 64,48 200,212 10,10' \
    -stroke "$ink" -strokewidth 10 -fill "$ink" -font "$font_bold" -pointsize 110 \
    -draw 'text 84,150 "1"' \
    -stroke "$ink" -strokewidth 16 -fill "$arrow_disc" -draw 'circle 196,196 196,250' \
    -stroke none -fill '#ffffff' \
    -draw 'polygon 182,156 210,156 210,192 232,192 196,234 160,192 182,192' \
    "$work/small.png"

for n in 256 128 64 48; do
    png_clean "$work/master.png" -filter Lanczos -resize "${n}x${n}" "PNG32:$icons/seqget-$n.png"
done

# The window icon's two images keep to 16 colours, as a classic icon would.
png_clean "$work/small.png" -filter Lanczos -resize 32x32 \
    -channel A -threshold 50% +channel -dither None -colors 16 "PNG8:$icons/seqget-32.png"

# Windows also asks for 24 px (small icons at 150 %): the bold drawing, in full colour.
png_clean "$work/small.png" -filter Lanczos -resize 24x24 "PNG32:$icons/seqget-24.png"

# At 16 px no scaled drawing stays crisp, so that size is set pixel by pixel.
cat >"$work/seqget-16.xpm" <<EOF
/* XPM */
static char *seqget16[] = {
"16 16 5 1",
". c None",
"K c $ink",
"M c $page_mid",
"W c $page_front",
"O c $arrow_disc",
"KKKKKKKK........",
"KMMMMMMK........",
"KMKKKKKKKKK.....",
"KMKWWWWWWWK.....",
"KMKWWKWWWWK.....",
"KMKWKKWWWWK.....",
"KMKWWKWWWWK.....",
"KMKWWKWWWKKKKK..",
"KMKWKKKWKOOWOOK.",
"KMKWWWWKOOOWOOOK",
"KMKWWWWKOOOWOOOK",
"KKKWWWWKOWWWWWOK",
"..KWWWWKOOWWWOOK",
"..KWWWWKOOOWOOOK",
"..KKKKKKKOOOOOK.",
".........KKKKK.."
};
EOF
png_clean "$work/seqget-16.xpm" "PNG8:$icons/seqget-16.png"

# The Windows program file's icon: the same pictures in one .ico, pixel for
# pixel (all in 32 bits with alpha), every size Explorer and the taskbar ask
# for; the 256 px one is kept as PNG, as Windows expects of that size (a
# bitmap would take 256 KB).
# tests/windows/resources.sh checks the built program's icon against these.
mkdir -p "$root/data/windows"
icotool --create --bit-depth=32 --output="$root/data/windows/seqget.ico" \
    "$icons"/seqget-{16,24,32,48,64,128}.png --raw="$icons/seqget-256.png"

# Demo pictures: one colour per number around the hue circle, a simple
# five-petal flower (the series is called "hana"), and the number itself
# large enough to read in any image viewer's thumbnail.
for i in 1 2 3 4 5 6 7 8; do
    hue=$(((i - 1) * 45))
    bg="hsl($hue,55%,82%)"
    petal="hsl($(((hue + 180) % 360)),70%,62%)"
    petals=""
    for k in 0 1 2 3 4; do
        # Petal centres on a circle of radius 26 around (70,120).
        read -r px py < <(awk -v k="$k" 'BEGIN { a = k * 72 * 3.14159265 / 180;
            printf "%d %d\n", 70 + 26 * sin(a), 120 - 26 * cos(a) }')
        petals+="circle $px,$py $((px + 20)),$py "
    done
    convert -size 320x240 "xc:$bg" \
        -fill "hsl($hue,40%,45%)" -draw 'rectangle 66,140 74,230' \
        -fill "$petal" -draw "$petals" \
        -fill '#f6d23c' -draw 'circle 70,120 70,136' \
        -fill '#1d2b3a' -font "$font_bold" -pointsize 170 -gravity center \
        -annotate +60-10 "$i" \
        -pointsize 20 -gravity south -annotate +60+12 "hana$i.jpg" \
        -strip -quality 85 -sampling-factor 4:2:0 "$demo/hana$i.jpg"
done
