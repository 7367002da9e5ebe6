#!/bin/sh
# Stands in for "cmd /c" in the scenario of external transform batches (the
# scenarios' VELMO.INI names it): answers a batch by copying every chosen
# line 500 up and adding a circle of radius 100 at the base point.
awk '/^#/ { body = 1; next } body && /^ / { printf " %s %s %s %s\r\n", $1, $2 + 500, $3, $4 + 500 }' JWC_TEMP.TXT > out.txt
printf 'ci 0 0 100\r\n' >> out.txt
mv out.txt JWC_TEMP.TXT
