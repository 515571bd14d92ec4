#!/usr/bin/env bash
# Screenshots of every message dialog (English and Russian, and the resume question at scale 2)
# and of the first-screen preview,
# taken from the X display with ImageMagick: BUILD_DIR/screenshots/x11_<name>.png. Each dialog
# must come up, be captured and close itself, when told, with the expected end code.
set -u
build=$(cd "$1" && pwd)
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
out="$build/screenshots"
mkdir -p "$out"
cd "$build"
status=0
shoot() {  # name expected_code demo arguments...   (crop: the middle 800 x 500, or $CROP)
  local name=$1 expected=$2
  shift 2
  rm -f ui_demo_ready.txt ui_demo_close.txt
  "$source_dir/cmake/wine-run" "$build/ui_demo.exe" --ready-file=ui_demo_ready.txt --close-file=ui_demo_close.txt "$@" \
    >"$out/x11_$name.log" 2>&1 &
  local pid=$!
  # Until the dialog is up or the demo has ended (a loaded machine may take its time).
  while [ ! -f ui_demo_ready.txt ] && kill -0 $pid 2>/dev/null; do sleep 0.1; done
  if [ ! -f ui_demo_ready.txt ]; then
    echo "FAIL $name: the dialog did not come up"; status=1
  else
    import -window root -crop "${CROP:-800x500+240+262}" +repage "$out/x11_$name.png" || status=1
  fi
  touch ui_demo_close.txt
  wait $pid
  local code=$?
  if [ "$code" != "$expected" ]; then echo "FAIL $name: end code $code, expected $expected"; status=1; fi
  echo "$name: end code $code, $out/x11_$name.png"
}
shoot resume_en 113 --dialog=resume
shoot resume_ru 113 --dialog=resume --language=1049
shoot resume_en_x2 113 --dialog=resume --force-device-scale-factor=2
shoot error_en 113 --dialog=error
shoot error_ru 113 --dialog=error --language=1049
shoot revocation_en 113 --dialog=revocation
shoot revocation_ru 113 --dialog=revocation --language=1049
shoot newer_en 1 --dialog=newer
shoot newer_de 1 --dialog=newer --language=1031
shoot diskspace_en 1 --dialog=diskspace
shoot diskspace_ru 1 --dialog=diskspace --language=1049
# The first screen assembled from the same resources (check-box masks 7, 3 and 0).
shoot first_en_mask7 113 --dialog=first --mask=7
shoot first_ru_mask7 113 --dialog=first --mask=7 --language=1049
shoot first_en_mask3 113 --dialog=first --mask=3
shoot first_de_mask0 113 --dialog=first --mask=0 --language=1031
CROP=1280x1024+0+0 shoot first_en_mask7_x2 113 --dialog=first --mask=7 --force-device-scale-factor=2
exit $status
