#!/usr/bin/env bash
# Writes a sample diary with plausible readings for the last DAYS days, the
# last one today; some Night and After Lunch readings are missing ("-").
#
#   scripts/sample-diary.sh "FOLDER/Ann Smith.bcl" [DAYS]
set -euo pipefail
file=$1
days=${2:-60}
if [ -e "$file" ]; then
    echo "$file exists already" >&2
    exit 1
fi
{
    # The number by which Levelbook knows its own diaries.
    echo "PRAGMA application_id = $((0x4C42434C));"
    echo "BEGIN;"
    echo "CREATE TABLE BLOOD (Bdate TEXT(15), Bfast TEXT(6), Afast TEXT(6), Blunch TEXT(6), Alunch TEXT(6),"
    echo "  Bdinner TEXT(6), Adinner TEXT(6), Bedtime TEXT(6), Night TEXT(6));"
    echo "CREATE UNIQUE INDEX Readings ON BLOOD (Bdate ASC);"
    for ((i = days - 1; i >= 0; i--)); do
        date -d "today - $i days" +"%F $i"
    done | awk '{
        srand($2 * 7 + 3)
        split("105 165 110 150 115 170 130 100", base, " ")
        line = "INSERT INTO BLOOD VALUES (\047" $1 "\047"
        for (k = 1; k <= 8; k++) {
            v = int(base[k] + (rand() - 0.5) * 50 + 10 * sin($2 / 5))
            if ((k == 8 && $2 % 3 != 0) || (k == 4 && $2 % 7 == 2)) v = "-"
            line = line ", \047" v "\047"
        }
        print line ");"
    }'
    echo "COMMIT;"
} | sqlite3 "$file"
