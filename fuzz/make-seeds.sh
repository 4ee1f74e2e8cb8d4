#!/usr/bin/env bash
# Writes the seed inputs of the fuzz targets into fuzz/corpus/ (they are kept
# in the repository; run this again only to renew them). Needs the sqlite3
# command. Diaries use 512-byte pages to keep the seeds small.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
diary=$here/corpus/diary
salvage=$here/corpus/salvage
cfg=$here/corpus/backup_cfg
rm -rf "$diary" "$salvage" "$cfg"
mkdir -p "$diary" "$salvage" "$cfg"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

schema="PRAGMA page_size = 512;
PRAGMA application_id = 1279411020;
CREATE TABLE BLOOD (Bdate TEXT(15), Bfast TEXT(6), Afast TEXT(6), Blunch TEXT(6), Alunch TEXT(6),
                    Bdinner TEXT(6), Adinner TEXT(6), Bedtime TEXT(6), Night TEXT(6));
CREATE UNIQUE INDEX Readings ON BLOOD (Bdate ASC);"
days="INSERT INTO BLOOD VALUES ('2013-01-01', '95', '140', '-', '120', '101', '160', '110', '-');
INSERT INTO BLOOD VALUES ('2013-01-02', '5.6', '7.8', '6.1', '-', '5.9', '8.2', '6.6', '5.0');
INSERT INTO BLOOD VALUES ('2013-01-03', '-', '-', '-', '-', '-', '-', '-', '-');
INSERT INTO BLOOD VALUES ('2013-01-31', '88', '132', '99', '141', '97', '150', '105', '92');
INSERT INTO BLOOD VALUES ('2013-02-01', '90', '128', '100', '138', '96', '149', '104', '91');"

make() { # name sql
  sqlite3 "$work/$1" "$2" >/dev/null
  cp "$work/$1" "$diary/$1"
}
make empty-diary "$schema"
make five-days "$schema $days"
make empty-field-on-the-last-day "$schema $days INSERT INTO BLOOD VALUES ('2013-02-02', '90', '', '1', '2', '3', '4', '5', '6');"
make null-date "$schema $days INSERT INTO BLOOD VALUES (NULL, '1', '2', '3', '4', '5', '6', '7', '8');"
make no-index "$schema $days DROP INDEX Readings;"
make index-on-another-field "$schema $days DROP INDEX Readings; CREATE INDEX Readings ON BLOOD (Bfast);"
make another-program "$(echo "$schema $days" | sed 's/1279411020/42/')"
make missing-field "PRAGMA page_size = 512; PRAGMA application_id = 1279411020;
  CREATE TABLE BLOOD (Bdate TEXT, Bfast TEXT); CREATE UNIQUE INDEX Readings ON BLOOD (Bdate);
  INSERT INTO BLOOD VALUES ('2013-01-01', '1');"
make write-ahead-log "PRAGMA journal_mode = WAL; $schema $days"
make numbers-not-texts "$schema INSERT INTO BLOOD VALUES ('2013-01-01', 95, 140.5, X'00', 1, 2, 3, 4, 5);"
head -c 700 "$diary/five-days" > "$diary/cut-short"
printf 'Ann Smith, readings typed by hand\n95 140 - 120\n' > "$diary/plain-text"
: > "$diary/empty-file"

# Damaged diaries for the repair's page scan: freed pages, a spoiled page.
sqlite3 "$work/freed" "$schema
  WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 199)
  INSERT INTO BLOOD SELECT date('2013-01-01', '+' || i || ' days'), i, '140', '-', '120', '101', '160', '110', '-' FROM n;
  PRAGMA secure_delete = OFF; DELETE FROM BLOOD WHERE Bdate < '2013-06-01';" >/dev/null
cp "$work/freed" "$salvage/freed-pages"
cp "$work/five-days" "$work/spoiled"
printf '\245%.0s' $(seq 512) | dd of="$work/spoiled" bs=512 seek=1 conv=notrunc status=none
cp "$work/spoiled" "$salvage/spoiled-page"

# BACKUP.CFG: one 75-byte record, blank-padded.
record() { printf '%-75s' "$1"; }
record "/media/usb/backups" > "$cfg/usb-stick"
record "" > "$cfg/blanks-only"
record "backups" > "$cfg/relative"
printf '%s' "/home/ann/Zoë's backups" > "$cfg/no-padding"
printf '/home/ann/caf\351 backups%55s' "" > "$cfg/latin-1"
printf '/%074d/after-the-record' 0 > "$cfg/longer-than-a-record"
printf '/home/ann/%s' "$(printf 'é%.0s' $(seq 40))" | head -c 75 > "$cfg/cut-in-a-character"
printf '/tmp/a\000b%68s' "" > "$cfg/nul-inside"
: > "$cfg/empty"
ls -l "$diary" "$salvage" "$cfg" | awk '{s+=$5} END {print s " bytes of seeds"}'
