#!/bin/sh
# Test printers: "up" starts a CUPS scheduler when none runs and adds PDF queues of our own
# (one of them the default); "down" removes exactly what "up" added and puts things back.
# Usage: cups_rig.sh up|down STATE_DIR
set -eu

action=$1
state=$2
queues="VSP_pdf_alpha vsp_pdf_Bravo vsp_pdf_charlie"
default_queue=vsp_pdf_Bravo

running() { lpstat -r 2>/dev/null | grep -q "scheduler is running"; }

up() {
  mkdir -p "$state"
  if [ -s "$state/queues" ]; then
    echo "a previous rig was not taken down; taking it down first"
    down
    mkdir -p "$state"
  fi
  if ! running; then
    setsid /usr/sbin/cupsd -f </dev/null >"$state/cupsd.log" 2>&1 &
    echo $! >"$state/cupsd.pid"
    i=0
    until running; do
      i=$((i + 1))
      [ $i -lt 100 ] || { echo "the CUPS scheduler did not start"; exit 1; }
      sleep 0.1
    done
  fi
  lpstat -d 2>/dev/null | sed -n 's/^system default destination: //p' >"$state/previous_default"
  : >"$state/queues"
  for q in $queues; do
    lpadmin -p "$q" -E -v cups-pdf:/ -m lsb/usr/cups-pdf/CUPS-PDF_opt.ppd 2>/dev/null
    echo "$q" >>"$state/queues"
  done
  lpadmin -d "$default_queue"
  lpstat -p -d
}

down() {
  [ -d "$state" ] || exit 0
  if [ -f "$state/queues" ]; then
    while read -r q; do
      [ -n "$q" ] && lpadmin -x "$q" 2>/dev/null || true
    done <"$state/queues"
  fi
  previous=$(cat "$state/previous_default" 2>/dev/null || true)
  if [ -n "$previous" ] && lpstat -p "$previous" >/dev/null 2>&1; then
    lpadmin -d "$previous" || true
  fi
  if [ -f "$state/cupsd.pid" ]; then
    pid=$(cat "$state/cupsd.pid")
    kill "$pid" 2>/dev/null || true
    i=0
    while kill -0 "$pid" 2>/dev/null && [ $i -lt 50 ]; do i=$((i + 1)); sleep 0.1; done
  fi
  rm -rf "$state"
}

case "$action" in
  up) up ;;
  down) down ;;
  *) echo "usage: $0 up|down STATE_DIR"; exit 2 ;;
esac
