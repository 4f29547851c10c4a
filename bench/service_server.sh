# Sourced by the web service benchmarks: starts and stops the service test server (the
# real SOAP layer) and writes a SOAP call for ab. Needs BUILD and WORK (a scratch folder).

SERVER="$BUILD/tests/service/dravel_service_test_server"
[ -x "$SERVER" ] || { echo "build $SERVER first" >&2; exit 1; }
command -v ab > /dev/null || { echo "ab (apache2-utils) is missing" >&2; exit 1; }

# start_service_server [COMMAND PREFIX...] -- [SERVER OPTIONS...]: sets PID and PORT. The
# server runs until stop_service_server closes its standard input.
start_service_server() {
  PREFIX=
  while [ $# -gt 0 ] && [ "$1" != -- ]; do PREFIX="$PREFIX $1"; shift; done
  [ $# -gt 0 ] && shift
  rm -f "$WORK/in" "$WORK/port"
  mkfifo "$WORK/in"
  $PREFIX "$SERVER" "$@" < "$WORK/in" > "$WORK/port" &
  PID=$!
  exec 3> "$WORK/in"
  while [ ! -s "$WORK/port" ]; do
    kill -0 "$PID" 2> /dev/null || { echo "the server did not start" >&2; exit 1; }
    sleep 0.1
  done
  PORT=$(head -1 "$WORK/port")
}

stop_service_server() {
  exec 3>&-
  wait "$PID"
}

# write_call FILE OPERATION [INNER XML]
write_call() {
  printf '<?xml version="1.0"?><soap:Envelope xmlns:soap="http://schemas.xmlsoap.org/soap/envelope/"><soap:Body><%s xmlns="urn:VantorIntf-IVantorWS">%s</%s></soap:Body></soap:Envelope>\n' \
    "$2" "${3:-}" "$2" > "$1"
}

# run_ab URL [AB OPTIONS...]: GetVersion (in $WORK/call.xml) and the lines that matter.
run_ab() {
  URL_=$1; shift
  echo "== ab $*"
  ab -q "$@" -p "$WORK/call.xml" -T text/xml "$URL_" > "$WORK/ab.txt"
  grep -E '^(SSL/TLS Protocol|Complete requests|Failed requests|Non-2xx responses|Keep-Alive requests|Requests per second)' "$WORK/ab.txt" || true
  grep -E '^ +99%' "$WORK/ab.txt" | sed 's/^ */latency p/'
}
