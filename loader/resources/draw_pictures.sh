#!/usr/bin/env bash
# Draws the loader's splash pictures beside this script with ImageMagick (Debian package
# imagemagick). Run by hand when the artwork changes; the build only embeds the files it wrote.
#   NIMBET.bmp   795 x 687, 256 colours: the splash of the first branding
#   KELT.jpg     800 x 700 JPEG: the splash of the second branding
#   MARVETH.bmp  a small picture the splash keeps hidden
set -euo pipefail
cd "$(dirname "$0")"
font=DejaVu-Sans-Bold
convert -size 795x687 gradient:'#0b2545-#13315c' \
    -fill '#8da9c4' -draw 'rectangle 0,560 795,600' \
    -fill '#eef4ed' -font "$font" -pointsize 96 -gravity center -annotate +0-80 'QUILLON' \
    -pointsize 28 -annotate +0+20 'Firmware Loader' \
    -fill '#134074' -pointsize 20 -gravity south -annotate +0+100 'Marveth Pellory LLC' \
    -type Palette -colors 256 BMP3:NIMBET.bmp
convert -size 800x700 radial-gradient:'#fefae0-#bc6c25' \
    -fill '#283618' -font "$font" -pointsize 110 -gravity center -annotate +0-60 'KELT' \
    -pointsize 30 -annotate +0+50 'Quillon Firmware Loader' \
    -quality 85 KELT.jpg
convert -size 32x32 xc:'#606c38' -fill '#fefae0' -draw 'circle 16,16 16,4' -type Palette BMP3:MARVETH.bmp
