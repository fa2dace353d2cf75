# Sourced by the engine-versus-peer scripts (engine_vs_xlrd.sh, engine_vs_openpyxl.sh) from the
# checkout's top folder, with the script's arguments: the build folder (default build/default),
# a scratch folder removed on exit, and one measurement of the engine and a peer on one file.

build=${1:-build/default}
engine=$build/bench/bench_engine
py=/usr/bin/python3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

field() { sed -n "s/.*$1=\([0-9.]*\).*/\1/p"; }

# measure MODE FILE N_ENGINE PEER_SCRIPT N_PEER: runs bench_engine N_ENGINE times and the peer
# N_PEER times on FILE, and sets ours (the engine's output line), size (file bytes), t1 and t2
# (median microseconds per run, engine then peer) and p1 and p2 (peak bytes the first run added).
measure() {
  local theirs
  ours=$("$engine" "$1" "$2" "$3")
  theirs=$("$py" "$4" "$1" "$2" "$5")
  size=$(echo "$ours" | field file_bytes)
  t1=$(echo "$ours" | field time_us); t2=$(echo "$theirs" | field time_us)
  p1=$(echo "$ours" | field peak_bytes); p2=$(echo "$theirs" | field peak_bytes)
}
