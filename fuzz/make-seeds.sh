#!/usr/bin/env bash
# Writes the seed inputs of the fuzz targets into fuzz/corpus/ (they are kept
# in the repository; run this again only to renew them). Needs the sqlite3
# command. Diaries use 512-byte pages to keep the seeds small.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
diary=$here/corpus/diary
salvage=$here/corpus/salvage
cfg=$here/corpus/backup_cfg
reads=$here/corpus/reads
meter=$here/corpus/meter
rm -rf "$diary" "$salvage" "$cfg" "$reads" "$meter"
mkdir -p "$diary" "$salvage" "$cfg" "$reads" "$meter"
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

# Diaries for the listing, chart and report walks: more days than two chart
# groups and four listing pages, gaps in one kind, and what a walk meets only
# far from the last day: an empty field, keys that are no dates, readings that
# are no numbers.
seventy="$schema
  WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 69)
  INSERT INTO BLOOD SELECT date('2013-01-01', '+' || i || ' days'),
    CASE WHEN i % 3 = 0 THEN '-' ELSE 80 + i END, 90 + i, '-', 100 + i % 7, '5.5', '-', 120, i FROM n;"
sqlite3 "$work/seventy" "$seventy" >/dev/null
cp "$work/seventy" "$reads/seventy-days"
sqlite3 "$work/gap" "$seventy UPDATE BLOOD SET Night = '' WHERE Bdate = '2013-01-20';" >/dev/null
cp "$work/gap" "$reads/empty-field-far-back"
sqlite3 "$work/keys" "$seventy UPDATE BLOOD SET Bdate = '2013-02-30' WHERE Bdate = '2013-01-10';
  UPDATE BLOOD SET Bdate = 'no date' WHERE Bdate = '2013-01-11'; UPDATE BLOOD SET Bdate = '0000-00-00' WHERE Bdate = '2013-01-12';" >/dev/null
cp "$work/keys" "$reads/keys-that-are-no-dates"
sqlite3 "$work/values" "$seventy UPDATE BLOOD SET Bfast = 'abc', Afast = '1e999', Blunch = '-5', Alunch = '.',
  Bdinner = '99999999999999999999', Adinner = '1.2.3', Bedtime = ' 7', Night = '+' WHERE Bdate >= '2013-02-01';" >/dev/null
cp "$work/values" "$reads/readings-that-are-no-numbers"

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
# Meters' exports: the test files, and a few shapes they do not show.
cp "$here/../tests/data/meters/"*.csv "$meter/"
printf 'Timestamp;Glucose (mmol/L);Meal\r\n2026-03-14T06:30:00Z;"5,6";Fasting\r\n03/04/2026 7:05 PM;6,1;After lunch\r\n' > "$meter/utc-decimal-commas"
printf 'Stamp\tLevel\n14/03/2026\t101\n' > "$meter/unknown-columns-tabs"
printf '\377\376D\000a\000t\000e\000,\000T\000i\000m\000e\000,\000B\000G\000\n\0001\000.\0003\000.\0002\0000\0002\0006\000,\0007\000:\0000\0000\000,\0009\0009\000\n\000' > "$meter/utf-16le"
ls -l "$diary" "$salvage" "$cfg" "$reads" "$meter" | awk '{s+=$5} END {print s " bytes of seeds"}'
