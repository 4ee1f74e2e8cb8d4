#!/usr/bin/env bash
# A private print server for the printing tests, so that they print through a
# real print system without using or changing the machine's own one.
#
#   private-cups.sh start FOLDER   starts it, with two PDF queues
#   private-cups.sh stop FOLDER    stops it and removes FOLDER
#
# The server runs as whoever starts it, root or an ordinary user, and keeps its
# configuration, spool, logs, socket and programs in FOLDER; clients reach it
# with CUPS_SERVER=FOLDER/cups.sock. Its programs folder links the system's
# filters and helpers, beside a backend of the tests' own: a job comes through
# the system's filters as PostScript, the way the PDF printer driver's queue
# gets it, and the backend turns it into a PDF with Ghostscript, as that
# driver does. Finished PDF files arrive in FOLDER/out.
#
# When the machine cannot run a print server at all (the server does not come
# up), the reason is written to FOLDER/skip and the start succeeds: the
# printing test then skips itself with that reason instead of failing or
# passing silently. A missing program, or a server that runs but refuses the
# queues, is an error: the set-up installs the one, the other is a fault.
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

ppd=/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd
# The administration commands live where an ordinary user's search path does
# not reach; they are called by their full names.
for tool in /usr/sbin/cupsd /usr/sbin/lpadmin /usr/bin/lpstat /usr/bin/gs /usr/lib/cups/filter/pdftops "$ppd"; do
  [ -e "$tool" ] || { echo "private print server: $tool is missing (run scripts/setup.sh)" >&2; exit 1; }
done

# A server left over from an interrupted run goes first.
stop
mkdir -p "$dir"/{etc/ppd,etc/ssl,spool,cache,state,tmp,log,out,lib/backend}
chmod 0755 "$dir" "$dir/etc" "$dir/out" "$dir/lib" "$dir/lib/backend"
chmod 1777 "$dir/tmp"
sock="$dir/cups.sock"
group=$(id -gn)

# The system's filters and helpers, and the tests' own backend in place of the
# system's backends.
for part in filter daemon cgi-bin monitor notifier driver; do
  [ -e "/usr/lib/cups/$part" ] && ln -s "/usr/lib/cups/$part" "$dir/lib/$part"
done
cat >"$dir/lib/backend/lbpdf" <<'BACKEND'
#!/bin/sh
# lbpdf: writes each job to the folder named by the device URI (lbpdf:/FOLDER)
# as a PDF file, job-ID.pdf; the file appears whole or not at all.
if [ $# -eq 0 ]; then
  echo 'direct lbpdf "Unknown" "Levelbook test PDF"'
  exit 0
fi
[ $# -ge 5 ] || { echo "ERROR: usage: lbpdf job user title copies options [file]" >&2; exit 1; }
out=${DEVICE_URI#lbpdf:}
input=${6:--}
part="$out/.job-$1.part"
# The same conversion as the PDF printer driver's.
if gs -q -dCompatibilityLevel=1.4 -dNOPAUSE -dBATCH -dSAFER -sDEVICE=pdfwrite \
     -sOutputFile="$part" -dAutoRotatePages=/PageByPage -dAutoFilterColorImages=false \
     -dColorImageFilter=/FlateEncode -dPDFSETTINGS=/prepress -c -f "$input" >&2; then
  chmod 0644 "$part"
  mv "$part" "$out/job-$1.pdf"
  exit 0
fi
rm -f "$part"
echo "ERROR: Ghostscript could not convert job $1" >&2
exit 1
BACKEND
# A server running as root runs a backend that only root may run as root;
# one running as a user runs it as that user.
if [ "$(id -u)" -eq 0 ]; then chmod 0700 "$dir/lib/backend/lbpdf"; else chmod 0755 "$dir/lib/backend/lbpdf"; fi

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
ServerBin $dir/lib
DataDir /usr/share/cups
RequestRoot $dir/spool
CacheDir $dir/cache
StateDir $dir/state
TempDir $dir/tmp
ErrorLog $dir/log/error_log
AccessLog $dir/log/access_log
PageLog $dir/log/page_log
SystemGroup $group
FileDevice No
CONF

skip() {
  echo "$*" >"$dir/skip"
  echo "private print server: cannot run here: $*" >&2
  cat "$dir/log/cupsd.out" "$dir/log/error_log" >&2 2>/dev/null || true
  if [ -f "$dir/cupsd.pid" ]; then kill -9 "$(cat "$dir/cupsd.pid")" 2>/dev/null || true; fi
  exit 0
}

/usr/sbin/cupsd -f -c "$dir/etc/cupsd.conf" -s "$dir/etc/cups-files.conf" \
  >"$dir/log/cupsd.out" 2>&1 </dev/null &
echo $! >"$dir/cupsd.pid"

export CUPS_SERVER="$sock"
for _ in $(seq 100); do
  lpstat -r 2>/dev/null | grep -q "is running" && break
  kill -0 "$(cat "$dir/cupsd.pid")" 2>/dev/null || break
  sleep 0.1
done
lpstat -r 2>/dev/null | grep -q "is running" || skip "the print server did not start as $(id -un)"

# Poppler turns the submitted PDF into PostScript for the queue; it keeps the
# text readable in the PDF that comes out.
for queue in Levelbook_PDF Ward_Office; do
  if ! /usr/sbin/lpadmin -p "$queue" -E -v "lbpdf:$dir/out" -P "$ppd" -D "Levelbook test queue $queue" \
      -o pdftops-renderer-default=pdftocairo 2>"$dir/log/lpadmin.out"; then
    cat "$dir/log/lpadmin.out" "$dir/log/error_log" >&2
    echo "private print server: the queue $queue could not be made" >&2
    stop
    exit 1
  fi
done
/usr/sbin/lpadmin -d Levelbook_PDF
echo "private print server on $sock, running as $(id -un)"
