#!/usr/bin/env bash
# A private print server for the printing tests, so that they print through a
# real print system without using or changing the machine's own one.
#
#   private-cups.sh start FOLDER   starts it, with two PDF queues
#   private-cups.sh stop FOLDER    stops it and removes FOLDER
#
# The server keeps its configuration, spool, logs and socket in FOLDER; clients
# reach it with CUPS_SERVER=FOLDER/cups.sock. The PDF backend reads its settings
# from a fixed system path, so the server runs in a mount namespace of its own
# in which FOLDER/etc stands in for that path; the machine's files are never
# written. Finished PDF files arrive in FOLDER/out.
set -euo pipefail

action=${1:-}
dir=${2:-}
if [ -z "$action" ] || [ -z "$dir" ]; then
  echo "usage: $0 start|stop FOLDER" >&2
  exit 2
fi

stop() {
  if [ -f "$dir/cupsd.pid" ]; then
    pid=$(cat "$dir/cupsd.pid")
    if kill -0 "$pid" 2>/dev/null; then
      kill "$pid" 2>/dev/null || true
      for _ in $(seq 50); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
      done
      kill -9 "$pid" 2>/dev/null || true
    fi
  fi
  case "$dir" in
    /tmp/levelbook-cups-*) rm -rf "$dir" ;;
  esac
}

if [ "$action" = stop ]; then
  stop
  exit 0
fi
[ "$action" = start ] || { echo "unknown action $action" >&2; exit 2; }

for tool in /usr/sbin/cupsd /usr/sbin/lpadmin /usr/bin/lpstat /usr/lib/cups/backend/cups-pdf unshare; do
  command -v "$tool" >/dev/null || { echo "private print server: $tool is missing (run scripts/setup.sh)" >&2; exit 1; }
done
if [ "$(id -u)" -ne 0 ]; then
  echo "private print server: the PDF backend runs only for root" >&2
  exit 1
fi

# A server left over from an interrupted run goes first.
stop
mkdir -p "$dir"/{etc/ppd,etc/ssl,spool,cache,state,tmp,log,out,pdf-spool}
chmod 0755 "$dir" "$dir/etc" "$dir/out"
chmod 1777 "$dir/tmp"
sock="$dir/cups.sock"

cat >"$dir/etc/cupsd.conf" <<CONF
LogLevel warn
Listen $sock
Browsing No
WebInterface No
DefaultAuthType None
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
CONF

cat >"$dir/etc/cups-files.conf" <<CONF
ServerRoot $dir/etc
RequestRoot $dir/spool
CacheDir $dir/cache
StateDir $dir/state
TempDir $dir/tmp
ErrorLog $dir/log/error_log
AccessLog $dir/log/access_log
PageLog $dir/log/page_log
SystemGroup root
FileDevice No
CONF

cat >"$dir/etc/cups-pdf.conf" <<CONF
Out $dir/out
AnonDirName $dir/out
Spool $dir/pdf-spool
Log $dir/log
Grp root
Label 1
CONF

unshare --mount --propagation private -- sh -c \
  'mount --bind "$1/etc" /etc/cups && exec /usr/sbin/cupsd -f -c "$1/etc/cupsd.conf" -s "$1/etc/cups-files.conf"' \
  sh "$dir" >"$dir/log/cupsd.out" 2>&1 </dev/null &
echo $! >"$dir/cupsd.pid"

export CUPS_SERVER="$sock"
for _ in $(seq 100); do
  lpstat -r 2>/dev/null | grep -q "is running" && break
  sleep 0.1
done
if ! lpstat -r 2>/dev/null | grep -q "is running"; then
  echo "private print server did not start:" >&2
  cat "$dir/log/cupsd.out" "$dir/log/error_log" >&2 2>/dev/null || true
  stop
  exit 1
fi

ppd=/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd
# Poppler turns the submitted PDF into PostScript for the queue; it keeps the
# text readable in the PDF that comes out.
for queue in Levelbook_PDF Ward_Office; do
  lpadmin -p "$queue" -E -v cups-pdf:/ -P "$ppd" -D "Levelbook test queue $queue" \
    -o pdftops-renderer-default=pdftocairo 2>/dev/null
done
lpadmin -d Levelbook_PDF
echo "private print server on $sock"
