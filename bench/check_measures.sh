#!/bin/sh
# Short runs that check what a benchmark measures, not how fast: run by CTest.
#   check_measures.sh channel_tick_screen <bench_channel_tick> <screen configuration>
#     the recording tick measures on the 1920x1080 screen it names, whatever the caller set:
#     asked for another screen (the configuration given), its main window still fills 1920
#     pixels across in a short case
#   check_measures.sh file_open_frees <bench_file_open> [limit MB]
#     the file opening deletes the windows it closes (it fails a case that leaves one) and
#     its process stays under the limit (500 MB unless given); it leaves the settings in the
#     home alone
#   check_measures.sh one_repetition <bench_datafile>
#     a verdict drawn from one repetition is no verdict
#   check_measures.sh datafile_part_paced <bench_datafile> [limit MB]
#     the 12-hour part is handed over tick by tick as the program hands it, not queued whole
#     (hundreds of MB of waiting jobs): the process stays under the limit (120 MB unless
#     given). Written to memory where it can be (/dev/shm), as the part's minute syncs
#     would make the run wait for the disk.
#   check_measures.sh gif_one_repetition <bench_gif_encode>
#     the GIF encoding's verdict against giflib is not drawn from one repetition either
#   check_measures.sh runs_through <benchmark> [arguments]
#     a short run left alone ends with a verdict or says that it was not sound (exit 0 or 3),
#     never with a crash; it must have measured ticks, and leave the settings in the home alone
#   check_measures.sh long_run_short <bench_long_run>
#     an hour of the long run goes through with its table line and gives no verdict
#   check_measures.sh stopped_window <benchmark> [arguments]
#     a benchmark whose measured window holds a half-second stop of the whole process says
#     that its measurement was not sound and exits with 3 (the check stops it as soon as it
#     says that its window begins)
check=$1
bench=$2

# A home of the run's own, in which the benchmark must leave the settings folder alone: what
# it writes there would be the real user's settings.
own_home() {
  home=$(mktemp -d) || exit 1
  trap 'rm -rf "$home"' EXIT
  export HOME="$home"
  unset XDG_CONFIG_HOME
}
home_left_alone() {
  if [ -e "$home/.config" ]; then
    echo "the benchmark wrote into the home's settings:"
    find "$home/.config"
    return 1
  fi
}
case $check in
  channel_tick_screen)
    out=$(QT_QPA_PLATFORM="offscreen:configfile=$3" "$bench" '--benchmark_filter=BM_TenWindows_Opened_0h/' \
      --benchmark_repetitions=1 2>&1)
    rc=$?
    echo "$out"
    [ $rc -eq 0 ] || exit 1
    echo "$out" | awk '/^main window [0-9]+x[0-9]+$/ { split($3, size, "x"); found = 1; wide = size[1] >= 1900 }
      END { exit !(found && wide) }'
    ;;
  file_open_frees)
    own_home
    out=$("$bench" --benchmark_filter=OpenIntoViewWindow --benchmark_repetitions=2 2>&1)
    rc=$?
    echo "$out"
    [ $rc -eq 0 ] || exit 1
    home_left_alone || exit 1
    if echo "$out" | grep -q 'ERROR OCCURRED'; then exit 1; fi
    echo "$out" | awk -v limit="${3:-500}" \
      '/^peak memory/ { found = 1; if ($(NF - 1) + 0 > limit + 0) bad = 1 } END { exit !(found && !bad) }'
    ;;
  one_repetition)
    out=$("$bench" '--benchmark_filter=BM_Write_Build|BM_Baseline_ToChars' --benchmark_repetitions=1 2>&1)
    rc=$?
    echo "$out"
    [ $rc -eq 0 ] || exit 1
    echo "$out" | grep -q '^build / to_chars loop .*not judged: .* ran 1 repetition'
    ;;
  gif_one_repetition)
    out=$("$bench" '--benchmark_filter=BM_Baseline_LZW_Chart|BM_Peer_giflib_Chart' --benchmark_repetitions=1 \
      --benchmark_min_time=0.01 2>&1)
    rc=$?
    echo "$out"
    [ $rc -eq 0 ] || exit 1
    echo "$out" | grep -q '^Chart picture: LZW / giflib time ratio .*not judged: .* ran 1 repetition' || exit 1
    if echo "$out" | grep -Eq '(met|MISSED)\)'; then exit 1; fi
    ;;
  runs_through)
    shift 2
    own_home
    out=$("$bench" "$@" 2>&1)
    rc=$?
    echo "$out"
    echo "exit code $rc"
    [ $rc -eq 0 ] || [ $rc -eq 3 ] || exit 1
    home_left_alone || exit 1
    echo "$out" | grep -q ': measuring [1-9][0-9]* ticks'
    ;;
  long_run_short)
    out=$("$bench" --hours=1 2>&1)
    rc=$?
    echo "$out"
    [ $rc -eq 0 ] || exit 1
    echo "$out" | grep -q '^hour  1: .* threads, .* kB anonymous' &&
      echo "$out" | grep -q '^long run: not judged'
    ;;
  stopped_window)
    shift 2
    dir=$(mktemp -d) || exit 1
    trap 'rm -rf "$dir"' EXIT
    mkfifo "$dir/out" || exit 1
    "$bench" "$@" >"$dir/out" 2>&1 &
    pid=$!
    # Never leave it stopped, whatever ends this check.
    trap 'kill -CONT $pid 2>/dev/null; rm -rf "$dir"' EXIT
    exec 3<"$dir/out"
    stopped=no
    : >"$dir/log"
    while IFS= read -r line <&3; do
      echo "$line" | tee -a "$dir/log"
      case $line in
        *": measuring "*" ticks")
          if [ $stopped = no ]; then
            kill -STOP $pid && sleep 0.5 && kill -CONT $pid && stopped=yes
          fi
          ;;
      esac
    done
    wait $pid
    rc=$?
    echo "exit code $rc, stopped in the window: $stopped"
    [ $stopped = yes ] && [ $rc -eq 3 ] && grep -q 'measurement not sound' "$dir/log"
    ;;
  datafile_part_paced)
    if [ -d /dev/shm ] && [ -w /dev/shm ]; then export TMPDIR=/dev/shm; fi
    out=$("$bench" --benchmark_filter=BM_Grow_TwelveHourPartWithProtocol 2>&1)
    rc=$?
    echo "$out"
    [ $rc -eq 0 ] || exit 1
    echo "$out" | awk -v limit="${3:-120}" \
      '/^peak memory/ { found = 1; if ($(NF - 1) + 0 > limit + 0) bad = 1 } END { exit !(found && !bad) }'
    ;;
  *)
    echo "unknown check: $check" >&2
    exit 2
    ;;
esac
