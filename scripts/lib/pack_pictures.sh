# Sourced. pack_pictures SHOTS IMAGES: every PNG in SHOTS, packed, into
# IMAGES. 256 colours are plenty for windows and pages; optipng then packs
# what is left. Needs pngquant and optipng (the guide set).
pack_pictures() {
  local shots=$1 images=$2 shot name packed
  mkdir -p "$images"
  for shot in "$shots"/*.png; do
    name=$(basename "$shot")
    packed="$shots/../packed-$name"
    pngquant --force --skip-if-larger --output "$packed" 256 "$shot" || cp "$shot" "$packed"
    optipng -quiet -o2 -strip all "$packed"
    mv "$packed" "$images/$name"
  done
}
