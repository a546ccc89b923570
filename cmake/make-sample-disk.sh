#!/usr/bin/env bash
# Makes the sample disk: a 1.44 MB FAT12 floppy image with a volume label
# and a few text files, and a dosdevices folder beside it that maps it as
# drive A:. Usage: make-sample-disk.sh FOLDER
set -euo pipefail
folder=$1
image=$folder/floppy.img
mkdir -p "$folder/dosdevices"
ln -sfn ../floppy.img "$folder/dosdevices/a::"
[ -f "$image" ] && exit 0

files=$(mktemp -d)
trap 'rm -rf "$files"' EXIT
cat > "$files/README.TXT" <<'TEXT'
This is the sample disk of Orvasse, a disk sector editor.
Sector 0 is the boot sector of this FAT12 floppy; the two FATs follow,
then the root directory, then these files.
TEXT
printf 'Hello from sector space.\r\n' > "$files/HELLO.TXT"
for n in $(seq 0 15); do printf 'Line %02d of a file that spans more than one sector.\r\n' "$n"; done > "$files/SECTORS.TXT"

mkfs.fat -C -F 12 -n ORVASSE -i 0A55F00D "$image.part" 1440 > /dev/null
mcopy -i "$image.part" "$files/README.TXT" "$files/HELLO.TXT" "$files/SECTORS.TXT" ::
mv "$image.part" "$image"
