#!/bin/sh
# Instructions per view of bench_render's table, counted by callgrind in the
# driver's run alone (the session's set-up left out), and with "plain" those
# of the view's plain loop: repeatable where wall time is not.
# Usage: bench/callgrind_views.sh [build dir] [width] [threads] [plain]
build=${1:-build}
width=${2:-160}
threads=${3:-1}
collect='velmora::RenderDriver::Run*'
[ "$4" = plain ] && collect='*PlainOnce*'
export VELMORA_BENCH_PLAIN=$4
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
for view in start_up mandelbrot_menu sum_of_parts short_orbits deep csin custom cross circle annulus converge \
    slope1 slope2 modulus_diff square_band image median hypercross; do
    VELMORA_BENCH_WIDTH=$width VELMORA_BENCH_ONCE=$view VELMORA_BENCH_THREADS=$threads \
        valgrind --tool=callgrind --toggle-collect="$collect" \
        --callgrind-out-file="$out/$view" "$build/bench/bench_render" >/dev/null 2>"$out/$view.log" || {
        echo "$view failed"; cat "$out/$view.log"; exit 1; }
    printf '%-16s %s\n' "$view" "$(sed -n 's/.*Collected : //p' "$out/$view.log")"
done
